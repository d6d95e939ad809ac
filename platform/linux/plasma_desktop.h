// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "platform/services.h"

namespace tivolen {

// How long the log-on run waits for plasmashell to take its name on the bus
// and load its desktops: a loaded machine at log-on needs the time.
inline constexpr std::chrono::seconds kPlasmaStartupWait{30};

// KDE Plasma 5 and 6: plasmashell runs a desktop script that we send over
// D-Bus, which sets the picture on every desktop (one per screen and
// activity).
class PlasmaDesktop final : public Desktop {
 public:
  // At log-on the changer may start before plasmashell has taken its name
  // on the bus or loaded its desktops; it waits for them as long as
  // `shellWait`.
  explicit PlasmaDesktop(std::string applicationDirectory,
                         std::chrono::milliseconds shellWait = kPlasmaStartupWait);

  void setLayout(WallpaperLayout layout) override;
  // Unavailable when plasmashell is not running; Failed when it refuses the
  // script (widgets locked, scripting forbidden by policy).
  Status setWallpaper(const std::string& path) override;

 private:
  std::string applicationDirectory_;
  std::chrono::milliseconds shellWait_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

// The image plugin's FillMode for a layout.
int plasmaFillMode(WallpaperLayout layout);

// A JavaScript string literal holding `text` (UTF-8), in plain ASCII.
std::string javaScriptString(const std::string& text);

// The desktop script that shows the picture at `path` in `layout`.
std::string plasmaWallpaperScript(const std::string& path, WallpaperLayout layout);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "platform/services.h"

namespace tivolen {

// LXQt's desktop is drawn by pcmanfm-qt, LXDE's by pcmanfm; both take a new
// wallpaper from a second instance started with --set-wallpaper.
enum class PcmanfmFlavour { Qt, Gtk };

// How long the log-on run waits for the desktop program to start.
inline constexpr std::chrono::seconds kPcmanfmStartupWait{10};

class PcmanfmDesktop final : public Desktop {
 public:
  // At log-on the changer may start before the desktop does; it waits for
  // the desktop as long as `desktopWait`.
  PcmanfmDesktop(PcmanfmFlavour flavour, std::string applicationDirectory, const Screen& screen,
                 std::chrono::milliseconds desktopWait = kPcmanfmStartupWait);

  void setLayout(WallpaperLayout layout) override;
  // Unavailable when the program is not installed or does not draw the
  // desktop; Failed when it refuses or does not answer in time.
  Status setWallpaper(const std::string& path) override;
  // pcmanfm-qt 1.2.1 shows the mode of a --set-wallpaper but keeps "none"
  // as its WallpaperMode, and writes that over its settings file whenever it
  // saves them (at the latest when it quits); its next session then shows
  // the background colour alone, so it has to be given the wallpaper again.
  // pcmanfm keeps both.
  [[nodiscard]] bool remembersWallpaper() const override { return flavour_ != PcmanfmFlavour::Qt; }

 private:
  PcmanfmFlavour flavour_;
  std::string applicationDirectory_;
  const Screen& screen_;
  std::chrono::milliseconds desktopWait_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

// The --wallpaper-mode word for a layout.
std::string pcmanfmMode(PcmanfmFlavour flavour, WallpaperLayout layout);

}  // namespace tivolen

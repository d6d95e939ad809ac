// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/services.h"

namespace tivolen {

// Desktops that keep their wallpaper in GSettings. GNOME, Unity, Budgie and
// Pantheon share GNOME's schema.
enum class GSettingsFamily { Gnome, Cinnamon, Mate };

class GSettingsDesktop final : public Desktop {
 public:
  GSettingsDesktop(GSettingsFamily family, std::string applicationDirectory);

  void setLayout(WallpaperLayout layout) override;
  // Unavailable when the schema is not installed or the settings service
  // cannot be reached; nothing is changed then.
  Status setWallpaper(const std::string& path) override;

 private:
  GSettingsFamily family_;
  std::string applicationDirectory_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

}  // namespace tivolen

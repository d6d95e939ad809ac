// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace tivolen {

// What the desktop was last given, kept for desktops that forget it at
// log-off: a log-on with no change due shows it again without decoding the
// picture or rendering it anew.
inline constexpr std::string_view kShownWallpaperFileName = "wallpaper.shown";

struct ShownWallpaper {
  int style = 0;      // as applied: 0, 1, 2, or 4 for a bitmap shown as it is
  ScreenSize screen;  // the screen it was rendered for; 0 × 0 when unknown
  std::string file;   // wallpaper.bmp, or a bitmap of the list shown as it is
};

// Three numbers and the file name, one a line (CR LF); the name comes last
// and runs to the final line end, so any name fits.
std::string writeShownWallpaper(const ShownWallpaper& shown);
// Nothing for a damaged record: the run then renders the logged picture again.
std::optional<ShownWallpaper> readShownWallpaper(std::string_view contents);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "changer/run_state.h"
#include "platform/pictures.h"
#include "platform/platform.h"

namespace tivolen {

inline constexpr std::string_view kWallpaperFileName = "wallpaper.bmp";

// wallpaper.bmp as written, and the pixels written into it: they go on to
// the desktop with the file, so that nothing reads the file back (and
// nothing else need keep them).
struct RenderedWallpaper {
  std::string path;
  Picture pixels;
};

// Renders the picture into wallpaper.bmp in the application directory by
// state.currentStyle, which the automatic styles change to 0 or 1. Nothing
// when the picture cannot be rendered; the message has then been shown.
std::optional<RenderedWallpaper> RenderWallpaper(Platform& platform, RunState& state,
                                                 const std::string& picturePath);

}  // namespace tivolen

#pragma once

#include <optional>
#include <string>

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

inline constexpr std::string_view kWallpaperFileName = "wallpaper.bmp";

// Renders the picture into wallpaper.bmp in the application directory by
// state.currentStyle, which the automatic styles change to 0 or 1. Nothing
// when the picture cannot be rendered; the message has then been shown.
std::optional<std::string> RenderWallpaper(Platform& platform, RunState& state,
                                           const std::string& picturePath);

}  // namespace tivolen

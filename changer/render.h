// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "changer/run_state.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "platform/status.h"

namespace tivolen {

inline constexpr std::string_view kWallpaperFileName = "wallpaper.bmp";

// wallpaper.bmp as written, and the pixels written into it: they go on to
// the desktop with the file, so that nothing reads the file back (and
// nothing else need keep them), together with what the desktop prepared of
// them while the file was written.
// A file shown as it is has no pixels, nothing prepared and no screen.
struct RenderedWallpaper {
  std::string path;
  Picture pixels;
  std::unique_ptr<PreparedWallpaper> prepared;
  // The screen it was cut and scaled for: the record of what was shown
  // names this one, not whatever the screen is by the time it is shown.
  std::optional<ScreenSize> screen;
};

// Why a picture did not become wallpaper.bmp: the text for the user, which
// names the file, and the technical side for standard error.
struct RenderFailure {
  std::string message;
  std::string detail;
};

// A message about one file: the text, the file on a line of its own (a list
// holds many pictures, and a box that does not say which one is no help),
// and the reason in brackets when there is one.
std::string MessageNamingFile(std::string_view message, std::string_view path,
                              std::string_view reason = {});

// Renders the picture into wallpaper.bmp in the application directory by
// state.currentStyle, which the automatic styles change to 0 or 1; when the
// picture cannot be rendered, says why without showing it: a slideshow
// passes over such a picture and goes on.
Result<RenderedWallpaper, RenderFailure> RenderWallpaper(Platform& platform, RunState& state,
                                                         const std::string& picturePath);

// The box, and the technical side on standard error.
void ShowRenderFailure(Platform& platform, const RenderFailure& failure);

}  // namespace tivolen

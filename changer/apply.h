// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "changer/render.h"
#include "changer/run_state.h"
#include "platform/pictures.h"
#include "platform/platform.h"

namespace tivolen {

// Layout, then wallpaper file, then the launcher: always in this order.
// `wallpaper` holds the file's pixels when the renderer has just made it,
// and none for a file applied as it is. Anything but ok means the desktop
// kept its wallpaper; the message is shown.
[[nodiscard]] Status ApplyWallpaper(Platform& platform, const RunState& state,
                                    RenderedWallpaper wallpaper);
[[nodiscard]] inline Status ApplyWallpaper(Platform& platform, const RunState& state,
                                           const std::string& path) {
  return ApplyWallpaper(platform, state, RenderedWallpaper{path, {}, nullptr, std::nullopt});
}

// Layout and wallpaper file alone, as a log-on that puts the wallpaper back
// needs them: no launcher. Remembers what was shown, and for which screen,
// for that log-on; false when the desktop refused, which has then been
// reported.
bool ShowWallpaper(Platform& platform, int style, RenderedWallpaper wallpaper);

// The layout the desktop shows a rendered file of the list's style in.
WallpaperLayout LayoutOfStyle(int style);

}  // namespace tivolen

#pragma once

#include <string>

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

// Layout, then wallpaper file, then the launcher: always in this order.
// Anything but ok means the desktop kept its wallpaper; the message is shown.
[[nodiscard]] Status ApplyWallpaper(Platform& platform, const RunState& state,
                                    const std::string& path);

// Layout and wallpaper file alone, as a log-on that puts the wallpaper back
// needs them: no launcher. Remembers what was shown for that log-on; false
// when the desktop refused, which has then been reported.
bool ShowWallpaper(Platform& platform, int style, const std::string& path);

}  // namespace tivolen

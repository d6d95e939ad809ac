#pragma once

#include <string>

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

// Layout, then wallpaper file, then the launcher: always in this order.
void ApplyWallpaper(Platform& platform, const RunState& state, const std::string& path);

}  // namespace tivolen

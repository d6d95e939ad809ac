#pragma once

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

enum class StepResult {
  Applied,     // the wallpaper was set (and the launcher started)
  NotApplied,  // a message was shown; a navigator stays open
  EndProgram,  // the selection or the renderer ended the run
};

// One change as the normal run and every navigator button do it: select,
// render when the type needs it, apply when the file exists.
StepResult ChangeWallpaper(Platform& platform, RunState& state, int direction,
                           NavigatorLabels* labels);

}  // namespace tivolen

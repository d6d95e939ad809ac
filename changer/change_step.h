// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

enum class StepResult {
  Applied,     // the wallpaper was set (and the launcher started)
  NotApplied,  // a message was shown (missing or unreadable picture); a navigator stays open
  EndProgram,  // the selection ended the run (no list, unknown type, vanished folder)
  // The desktop kept its wallpaper; the change log and the position are as
  // they were before the step, so the change is still due.
  DesktopUnavailable,  // no display or session to reach
  DesktopRefused,      // reached, but it did not take the picture
};

// One change as the normal run and every navigator button do it: select,
// render when the type needs it, apply when the file exists.
StepResult ChangeWallpaper(Platform& platform, RunState& state, int direction,
                           NavigatorLabels* labels);

}  // namespace tivolen

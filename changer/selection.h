#pragma once

#include <string>

#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

struct Choice {
  // The program must end: a message was shown (or, for a vanished registered
  // folder, one line went to standard error).
  bool endProgram = false;
  std::string path;  // the chosen picture: a registered file or one found in a folder
  bool needsRendering = false;
};

// direction: -1 back, 0 as the list's settings say, 1 forward. Reads the list
// afresh, writes the change log and tells the labels.
Choice SelectWallpaper(Platform& platform, RunState& state, int direction,
                       NavigatorLabels* labels);

}  // namespace tivolen

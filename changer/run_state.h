// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"

namespace tivolen {

// What a run (or the navigator) carries between the selection, the renderer
// and applying. Counts and positions were 16-bit in the files; here they are
// plain ints so that sums over large lists cannot overflow.
struct RunState {
  int currentPosition = 0;
  int currentStyle = 0;
  bool launcherPresent = false;
  std::string launcherPath;
  int lastFolderCount = 1;
  Date lastChangeDate = kNeverChanged;
  // A log-on run passes over pictures and registered folders that are not
  // there now (a drive not attached) to the next that is, where a box would
  // stop the log-on; the navigator, asked by the user, still names them.
  bool passOverUnavailable = false;
  // What was passed over, each once, in the order met.
  std::vector<std::string> unavailableEntries;
  // Started by the system's scheduler during a session: nobody expects a
  // window, so a first run makes no startup entry (its box would wait) and a
  // missing list brings up no manager.
  bool scheduled = false;
};

// The navigator's labels; the normal run has none.
class NavigatorLabels {
 public:
  virtual ~NavigatorLabels() = default;
  // The chosen file, without the log's prefix.
  virtual void showWallpaperName(std::string_view path) = 0;
  virtual void showPosition(int position) = 0;
};

}  // namespace tivolen

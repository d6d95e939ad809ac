// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/navigator.h"

#include "common/change_log.h"
#include "common/startup_shortcut.h"
#include "common/text_encoding.h"
#include "common/texts.h"

namespace tivolen {

Navigator::Navigator(Platform& platform, NavigatorView& view) : platform_(platform), view_(view) {
  state_.launcherPresent = false;
  state_.lastFolderCount = 0;
}

void Navigator::open() {
  state_.lastChangeDate = kNeverChanged;
  state_.currentPosition = 0;
  std::string label;
  // A damaged log counts as none: the first press starts from the top.
  if (const auto log = ReadChangeLogFile(platform_.files, platform_.inDataDir(kChangeLogFileName),
                                         ChangeLogPart::All)) {
    state_.lastChangeDate = log->changeDate;
    state_.currentPosition = log->changePosition;
    label = log->changeLabel;
  }
  view_.showWallpaperName(label);
}

StepResult Navigator::step(int direction) {
  view_.setBusy(true);
  const StepResult result = ChangeWallpaper(platform_, state_, direction, &view_);
  view_.setBusy(false);
  return result;
}

void Navigator::startManager() {
  const Status started =
      platform_.processes.start(platform_.programInAppDir(kManagerProgram), WindowState::Normal);
  if (!started.isOk()) {
    platform_.messages.detail(started.message);
    platform_.messages.show(text::kManagerNotStarted);
  }
}

}  // namespace tivolen

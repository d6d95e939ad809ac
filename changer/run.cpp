// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/run.h"

#include "changer/change_step.h"
#include "changer/restore.h"
#include "common/change_log.h"
#include "common/list_file.h"
#include "common/startup_shortcut.h"
#include "common/text_encoding.h"
#include "common/texts.h"

namespace tivolen {
namespace {

// A damaged, truncated or oversized log counts as a missing one: the run
// starts over as on the first day rather than stopping on a file only the
// changer writes.
void ReadLastChange(Platform& platform, RunState& state) {
  if (const auto log = ReadChangeLogFile(platform.files, platform.inDataDir(kChangeLogFileName),
                                         ChangeLogPart::DateAndPosition)) {
    state.lastChangeDate = log->changeDate;
    state.currentPosition = log->changePosition;
    return;
  }
  state.lastChangeDate = kNeverChanged;
  state.currentPosition = 0;
  const std::string shortcut = StartupShortcutPath(platform);
  if (shortcut.empty() || !platform.files.fileExists(shortcut)) CreateStartupShortcut(platform);
}

bool DueByTimingMode(int timingMode, const Date& today, const Date& lastChange) {
  switch (timingMode) {
    case 0:
      return true;
    case 1:
      return today != lastChange;
    case 2:
      return today.weekday() != lastChange.weekday();
    case 3:
      return today.month != lastChange.month;
    default:
      return false;
  }
}

// What this log-on passed over stays for the manager to show; a change made
// with nothing passed over ends an earlier record, whose drive is back.
void RecordUnavailable(Platform& platform, const std::vector<std::string>& entries, bool applied) {
  const std::string path = platform.inDataDir(kUnavailableFileName);
  Status written = Status::ok();
  if (!entries.empty()) {
    written = platform.files.writeFileAtomically(path, writeUnavailableEntries(entries));
  } else if (applied && platform.files.fileExists(path)) {
    written = platform.files.removeFile(path);
  }
  if (!written.isOk()) platform.messages.detail(written.message);
}

}  // namespace

bool ChangeIsDue(Platform& platform, RunState& state) {
  ReadLastChange(platform, state);

  const std::string listPath = platform.inDataDir(kListFileName);
  if (!platform.files.fileExists(listPath)) {
    const std::string manager = platform.programInAppDir(kManagerProgram);
    if (const Status started = platform.processes.start(manager, WindowState::Normal);
        !started.isOk()) {
      // Ending silently would leave the user with nothing on screen at all.
      platform.messages.detail(started.message);
      platform.messages.show(text::kManagerNotStarted);
    }
    return false;
  }

  if (ListFileTooLarge(platform.files, listPath)) {
    platform.messages.show(text::kListTooLarge);
    return false;
  }
  const auto contents = ReadTextFile(platform.files, listPath);
  if (!contents) {
    platform.messages.show(text::kListUnreadable);
    return false;
  }
  const ListHeader header = readListHeader(*contents);
  if (!header.currentVersion) {
    platform.messages.show(text::kOtherVersion);
    return false;
  }
  if (!header.timingMode) {
    platform.messages.show(text::kListDamaged);
    return false;
  }
  return DueByTimingMode(*header.timingMode, Today(platform.clock), state.lastChangeDate);
}

int RunChanger(Platform& platform, const NavigatorEntry& showNavigator, bool navigatorRequested) {
  if (navigatorRequested || platform.keyboard.shiftHeld()) return showNavigator(platform);

  const Status locked =
      platform.runLock.acquire(platform.inDataDir(kRunLockFileName), kRunLockWait);
  if (locked.code == Status::Code::Unavailable) {
    // The run holding it is doing this start's work; nothing has failed.
    platform.messages.detail(locked.message + "; this start changes nothing");
    return 0;
  }
  // A folder where no lock can be made still gets its change.
  if (!locked.isOk()) platform.messages.detail(locked.message);

  RunState state;
  state.launcherPresent = false;
  state.lastFolderCount = 1;
  state.passOverUnavailable = true;
  // The run has no visible window, so there is no pointer to turn busy.
  if (!ChangeIsDue(platform, state)) {
    if (!platform.desktop.remembersWallpaper()) RestoreWallpaper(platform);
    return 0;
  }
  const StepResult result = ChangeWallpaper(platform, state, 0, nullptr);
  RecordUnavailable(platform, state.unavailableEntries, result == StepResult::Applied);
  switch (result) {
    case StepResult::DesktopUnavailable:
      return kExitNoDesktop;
    case StepResult::DesktopRefused:
      return kExitDesktopRefused;
    case StepResult::Applied:
    case StepResult::NotApplied:
    case StepResult::EndProgram:
      break;
  }
  return 0;
}

}  // namespace tivolen

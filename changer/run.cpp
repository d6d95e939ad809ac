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
  if (state.scheduled) return;
  const std::string shortcut = StartupShortcutPath(platform);
  if (shortcut.empty() || !platform.files.fileExists(shortcut)) CreateStartupShortcut(platform);
}

bool DueByTimingMode(int timingMode, const Date& today, const Date& lastChange) {
  switch (timingMode) {
    case kTimingEveryStart:
      return true;
    case kTimingDateChanged:
      return today != lastChange;
    case kTimingWeekdayChanged:
      return today.weekday() != lastChange.weekday();
    case kTimingMonthChanged:
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
    if (state.scheduled) {
      platform.messages.detail(listPath + ": no list, nothing to change");
      return false;
    }
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

namespace {

// A scheduled run's messages, held until the run's end: every box becomes a
// detail line, and a run that found no desktop drops them all, the reason
// included, since it comes back at every interval while no one is logged on.
class ScheduledRunMessages final : public Messages {
 public:
  explicit ScheduledRunMessages(Messages& messages) : messages_(messages) {}
  ScheduledRunMessages(const ScheduledRunMessages&) = delete;
  ScheduledRunMessages& operator=(const ScheduledRunMessages&) = delete;
  ~ScheduledRunMessages() override {
    if (!silent_) {
      for (const std::string& line : lines_) messages_.detail(line);
    }
  }
  Answer show(std::string_view text, Buttons buttons) override {
    lines_.emplace_back(text);
    return CautiousAnswer(buttons);
  }
  void detail(std::string_view text) override { lines_.emplace_back(text); }
  void silence() { silent_ = true; }

 private:
  Messages& messages_;
  std::vector<std::string> lines_;
  bool silent_ = false;
};

int runChange(Platform& platform, bool scheduled) {
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
  state.scheduled = scheduled;
  // The run has no visible window, so there is no pointer to turn busy.
  if (!ChangeIsDue(platform, state)) {
    // The session's own log-on run has put the wallpaper back already.
    if (!scheduled && !platform.desktop.remembersWallpaper()) RestoreWallpaper(platform);
    return 0;
  }
  const StepResult result = ChangeWallpaper(platform, state, 0, nullptr);
  RecordUnavailable(platform, state.unavailableEntries, result == StepResult::Applied);
  switch (result) {
    case StepResult::DesktopUnavailable:
      return kExitNoDesktop;
    case StepResult::DesktopRefused:
      return kExitDesktopRefused;
    case StepResult::NotApplied:
      return kExitPictureNotShown;
    case StepResult::Applied:
    case StepResult::EndProgram:
      break;
  }
  return 0;
}

}  // namespace

RunStart RunStartOf(RunRequest request) {
  switch (request) {
    case RunRequest::Navigator:
      return RunStart::Navigator;
    case RunRequest::Scheduled:
      return RunStart::Scheduled;
    default:
      return RunStart::LogOn;
  }
}

int RunChanger(Platform& platform, const NavigatorEntry& showNavigator, RunStart start) {
  if (start == RunStart::Scheduled) {
    ScheduledRunMessages messages(platform.messages);
    Platform quiet{platform.applicationDirectory,
                   platform.files,
                   platform.processes,
                   platform.keyboard,
                   messages,
                   platform.clock,
                   platform.random,
                   platform.specialFolders,
                   platform.shortcuts,
                   platform.screen,
                   platform.desktop,
                   platform.pictures,
                   platform.documents,
                   platform.runLock,
                   platform.scheduler,
                   platform.dataDirectory,
                   platform.installed};
    const int status = runChange(quiet, /*scheduled=*/true);
    if (status == kExitNoDesktop) messages.silence();
    return status;
  }
  if (start == RunStart::Navigator || platform.keyboard.shiftHeld()) {
    return showNavigator(platform);
  }
  return runChange(platform, /*scheduled=*/false);
}

}  // namespace tivolen

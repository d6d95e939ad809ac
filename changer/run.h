// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "changer/run_options.h"
#include "changer/run_state.h"
#include "common/startup_shortcut.h"
#include "platform/platform.h"

namespace tivolen {

// Whether the wallpaper must change now: reads the change log into `state`
// (creating the startup shortcut on a first run), checks the list's version
// and answers by its timing mode. Starts the manager when there is no list.
bool ChangeIsDue(Platform& platform, RunState& state);

// The navigator is a window; the run itself stays free of the toolkit.
using NavigatorEntry = std::function<int(Platform&)>;

// Exit statuses besides 0 (done, or nothing was due) and 1 (an unexpected
// failure). A run without a desktop to reach (no display, as under a timer
// before log-on) is told apart from a desktop that refused the picture.
// kExitNoDesktop, shared with the scheduler's definitions, is with the
// changer's options.
inline constexpr int kExitDesktopRefused = 1;
// The chosen picture could not be shown (missing, damaged, too large) and
// its message has been given: no wallpaper changed, so the run has failed.
inline constexpr int kExitPictureNotShown = 4;

// The run's lock, beside the user's files; the manager never opens it.
inline constexpr std::string_view kRunLockFileName = ".Tivolen.lock";
// A run takes well under a second, but one may wait on a message box of the
// first run: a later start waits this long for it, then leaves the change to it.
inline constexpr std::chrono::milliseconds kRunLockWait{30000};

// The whole start-up run of the changer; returns the program's exit code.
// Runs over one data folder follow one another, never overlap.
// Navigator (the command line's kNavigatorOption) opens the navigator as
// Shift does, for sessions where Shift cannot be read. Scheduled
// (kScheduledOption) never reads Shift and shows no box: what a box would
// say goes to the technical detail, and a run that finds no desktop says
// nothing at all (it would, every interval, while nobody is logged on).
enum class RunStart { LogOn, Navigator, Scheduled };
int RunChanger(Platform& platform, const NavigatorEntry& showNavigator,
               RunStart start = RunStart::LogOn);
// The start a command line's request makes; LogOn for the rest.
RunStart RunStartOf(RunRequest request);

}  // namespace tivolen

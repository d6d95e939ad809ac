// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QObject;

namespace tivolen::manager {

// Runs `endSession` when SIGTERM, SIGHUP or SIGINT arrives (a session
// ending, a terminal closing), then `end`. The session manager sends SIGKILL
// soon after, so nothing in between may wait for the user: the signal is
// answered from whatever event loop runs, a message box's too, and `end`
// defaults to ending the process at once rather than returning into a
// handler that still waits on its box. Call once; `owner` must outlive the
// program's event loop.
void EndSessionOnTerminationSignals(QObject& owner, std::function<void()> endSession,
                                    std::function<void()> end = {});

}  // namespace tivolen::manager

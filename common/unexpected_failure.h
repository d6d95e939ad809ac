// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "platform/services.h"

namespace tivolen {

// The status of a program that ended on a failure nothing below its main()
// could answer.
inline constexpr int kExitUnexpectedFailure = 1;

// Whether the user is there to read a box: a run started by the scheduler
// must never wait on one.
enum class FailureBox { Show, StandardErrorOnly };

// The last words of such a program: what broke goes to standard error, the
// user is told in Japanese that the program ends. Returns the exit status.
int EndOnUnexpectedFailure(Messages& messages, std::string_view what, FailureBox box);

}  // namespace tivolen

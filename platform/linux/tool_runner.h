// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace tivolen {

// What a desktop's command-line tool answered.
struct ToolRun {
  Status status;       // Unavailable when the program is not installed
  int exitCode = -1;   // -1 when it did not end by itself
  std::string output;  // standard output and error, as far as they were read
};

// Runs `program` (looked up in PATH) with `arguments` and waits for it at most
// `timeout`; a program still running then is killed with all it started.
// Standard input is /dev/null. No shell ever sees the arguments.
ToolRun runTool(const std::string& program, const std::vector<std::string>& arguments,
                std::chrono::milliseconds timeout);

struct Spawned {
  Status status;
  pid_t pid = -1;
};

// Starts a program that outlives us, in a session of its own with its output
// discarded, and returns its process id.
Spawned spawnDetached(const std::string& program, const std::vector<std::string>& arguments);

// Whether one of this user's processes runs `name` with `argument` among its
// arguments ("pcmanfm-qt" with "--desktop").
bool userRunsProgram(std::string_view name, std::string_view argument);

// The command name the kernel knows a running process by ("swaybg"); empty
// when no such process exists or it has already ended.
std::string processName(pid_t pid);

}  // namespace tivolen

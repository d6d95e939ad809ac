// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tivolen {

// What the command line asks of the changer. Only a plain start or the
// navigator may change the wallpaper; asking for help or the version, or
// mistyping an option, must leave the wallpaper and the log alone.
enum class RunRequest { Change, Navigator, Scheduled, Help, Version, Unknown };

struct RunOptions {
  RunRequest request = RunRequest::Change;
  std::string unknown;  // the first argument not understood
};

// `arguments` without the program name. An argument not understood wins
// over everything; then help, then the version, then the navigator, then a
// scheduled run.
RunOptions ParseRunOptions(const std::vector<std::string>& arguments);

// Texts for standard output (help, version) and standard error (usage).
std::string HelpText();
std::string VersionText();
std::string UsageText(std::string_view unknown);

// Exit status of a command line not understood, as command-line tools use.
inline constexpr int kExitUsage = 2;

}  // namespace tivolen

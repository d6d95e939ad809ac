// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/run_options.h"

#include "common/build_info.h"
#include "common/startup_shortcut.h"

namespace tivolen {

RunOptions ParseRunOptions(const std::vector<std::string>& arguments) {
  RunOptions options;
  bool help = false;
  bool version = false;
  bool navigator = false;
  bool scheduled = false;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == kNavigatorOption) {
      navigator = true;
    } else if (argument == kScheduledOption) {
      scheduled = true;
    } else {
      options.request = RunRequest::Unknown;
      options.unknown = argument;
      return options;
    }
  }
  if (help) {
    options.request = RunRequest::Help;
  } else if (version) {
    options.request = RunRequest::Version;
  } else if (navigator) {
    options.request = RunRequest::Navigator;
  } else if (scheduled) {
    options.request = RunRequest::Scheduled;
  }
  return options;
}

namespace {

std::string usageLine() {
  return "Usage: " + std::string(kChangerProgram) + " [" + std::string(kNavigatorOption) +
         " | --help | --version]\n";
}

}  // namespace

std::string HelpText() {
  std::string help = usageLine();
  help += "Changes the desktop wallpaper from the list when a change is due, then ends.\n";
  help += "Holding Shift at the start opens the navigator instead.\n\n";
  help += "  " + std::string(kNavigatorOption) + "  open the navigator without holding Shift\n";
  help += "  " + std::string(kScheduledOption) +
          "  as the system's scheduler starts it: no boxes, Shift not read\n";
  help += "  --help       show this help and change nothing\n";
  help += "  --version    show the version and change nothing\n\n";
  help += "Exit status: 0 done or nothing due, 1 failure or the desktop refused the picture,\n";
  help += "2 an option not understood, 3 no desktop to reach (the change stays due).\n";
  return help;
}

std::string VersionText() {
  return std::string(kChangerProgram) + " " + std::string(build::kVersion) + "\n";
}

std::string UsageText(std::string_view unknown) {
  return std::string(kChangerProgram) + ": unknown option: " + std::string(unknown) + "\n" +
         usageLine();
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/scheduler.h"
#include "platform/services.h"

namespace tivolen {

class Pictures;

// The programs' icon, shipped beside them.
inline constexpr std::string_view kIconFileName = "tivolen.svg";

// Where an installed build keeps the files that come with the programs, as
// the system's layout wants them; each empty when the file lies beside the
// programs (the portable layout).
struct InstalledFiles {
  std::string helpDirectory{};  // the help page
  std::string docDirectory{};   // the README
  std::string iconFile{};       // the icon, whole path
};

// Every effect on the system goes through one of these, so logic is driven
// in tests by the recording fake.
struct Platform {
  std::string applicationDirectory;  // no trailing separator
  FileSystem& files;
  Processes& processes;
  Keyboard& keyboard;
  Messages& messages;
  Clock& clock;
  Random& random;
  SpecialFolders& specialFolders;
  Shortcuts& shortcuts;
  Screen& screen;
  Desktop& desktop;
  Pictures& pictures;
  Documents& documents;
  RunLock& runLock;
  Scheduler& scheduler;
  // Where List.txt, WallPaper.log and the rendered wallpaper live, no
  // trailing separator. Empty in the portable layout: they lie beside the programs.
  std::string dataDirectory{};
  InstalledFiles installed{};
  // Only the manager chooses files; null where there is no dialog to show.
  FileChooser* fileChooser = nullptr;

  // The programs and files that belong to them (the other program, help).
  [[nodiscard]] std::string inAppDir(std::string_view name) const {
    return files.pathRules().join(applicationDirectory, name);
  }
  // A program beside this one, by its name without the system's ending.
  [[nodiscard]] std::string programInAppDir(std::string_view name) const {
    return inAppDir(files.pathRules().programFileName(name));
  }
  // The help page and the README.
  [[nodiscard]] std::string helpFile(std::string_view name) const {
    return installed.helpDirectory.empty() ? inAppDir(name)
                                           : files.pathRules().join(installed.helpDirectory, name);
  }
  [[nodiscard]] std::string documentationFile(std::string_view name) const {
    return installed.docDirectory.empty() ? inAppDir(name)
                                          : files.pathRules().join(installed.docDirectory, name);
  }
  [[nodiscard]] std::string iconFile() const {
    return installed.iconFile.empty() ? inAppDir(kIconFileName) : installed.iconFile;
  }
  // The user's files: the list, the change log, the wallpaper.
  [[nodiscard]] const std::string& dataFolder() const {
    return dataDirectory.empty() ? applicationDirectory : dataDirectory;
  }
  [[nodiscard]] std::string inDataDir(std::string_view name) const {
    return files.pathRules().join(dataFolder(), name);
  }
};

}  // namespace tivolen

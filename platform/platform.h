#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/services.h"

namespace tivolen {

class Pictures;

// The programs' icon, shipped beside them.
inline constexpr std::string_view kIconFileName = "tivolen.svg";

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
  // Where List.txt, WallPaper.log and the rendered wallpaper live, no
  // trailing separator. Empty in the portable layout: they lie beside the programs.
  std::string dataDirectory{};

  // The programs and files that belong to them (the other program, help).
  [[nodiscard]] std::string inAppDir(std::string_view name) const {
    return files.pathRules().join(applicationDirectory, name);
  }
  // A program beside this one, by its name without the system's ending.
  [[nodiscard]] std::string programInAppDir(std::string_view name) const {
    return inAppDir(files.pathRules().programFileName(name));
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

#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/services.h"

namespace tivolen {

class Pictures;

// Every effect on the system goes through one of these, so logic is driven
// in tests by the recording fake.
struct Platform {
  std::string applicationDirectory;  // no trailing "/"
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

  [[nodiscard]] std::string inAppDir(std::string_view name) const {
    return applicationDirectory + "/" + std::string(name);
  }
};

}  // namespace tivolen

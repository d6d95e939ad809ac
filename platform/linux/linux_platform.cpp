// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linux_platform.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/linux/atomic_file.h"
#include "platform/linux/back_ends.h"

namespace tivolen {

std::string RunningProgramDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !program.has_parent_path()) {
    // Without /proc (a locked-down container) the working directory is the
    // best remaining guess; the startup entry starts us there.
    return std::filesystem::current_path(error).string();
  }
  return program.parent_path().string();
}

#ifdef TIVOLEN_DATA_IN_HOME
const DataLayout kDataLayout = DataLayout::UserDataFolder;
// The installed folders, from the build's install prefix.
const InstalledFiles kInstalledFiles{TIVOLEN_HELP_DIR, TIVOLEN_DOC_DIR, TIVOLEN_ICON_FILE};
#else
const DataLayout kDataLayout = DataLayout::BesideThePrograms;
const InstalledFiles kInstalledFiles{};
#endif

std::string DataDirectory(DataLayout layout, const std::string& programDirectory,
                          const SpecialFolders& folders) {
  if (layout == DataLayout::BesideThePrograms) return programDirectory;
  const std::optional<std::string> dataHome = folders.path(SpecialFolder::AppData);
  if (!dataHome) {
    std::cerr << "Tivolen: no data folder: neither XDG_DATA_HOME nor a home folder is known\n";
    return {};
  }
  std::string folder = *dataHome + "/tivolen";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // Not fatal here: the first read or write names the folder to the user.
  if (error) std::cerr << "Tivolen: " << folder << ": " << error.message() << '\n';
  return folder;
}

LinuxPlatform::LinuxPlatform(std::string_view caption, std::shared_ptr<QtParts> qt,
                             DesktopWait desktopWait)
    : qt_(std::move(qt)),
      messages_(std::string(caption), qt_),
      programDirectory_(RunningProgramDirectory()),
      dataDirectory_(DataDirectory(kDataLayout, programDirectory_, specialFolders_)),
      screen_(makeScreen(qt_)),
      pictures_(makePictures(qt_)),
      desktop_(makeDesktop(dataDirectory_, {files_, *screen_, *pictures_, desktopWait}, *qt_)),
      platform_{programDirectory_, files_,   processes_, keyboard_,
                messages_,         clock_,   random_,    specialFolders_,
                shortcuts_,        *screen_, *desktop_,  *pictures_,
                documents_,        runLock_, scheduler_, dataDirectory_,
                kInstalledFiles} {
  // A save killed midway (log-off, power button) leaves its temporary file;
  // the next start of either program clears them.
  if (!dataDirectory_.empty()) removeStaleTemporaries(dataDirectory_);
}

}  // namespace tivolen

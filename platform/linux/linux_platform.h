// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/linux/back_ends.h"
#include "platform/linux/box_messages.h"
#include "platform/linux/desktop_entry_shortcuts.h"
#include "platform/linux/gio_documents.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/posix_processes.h"
#include "platform/linux/posix_run_lock.h"
#include "platform/linux/qt_parts.h"
#include "platform/linux/systemd_scheduler.h"
#include "platform/linux/x11_keyboard.h"
#include "platform/linux/xdg_special_folders.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "platform/shared/system_clock.h"

namespace tivolen {

// Where the build that is installed finds its help page, README and icon;
// empty in the portable build, where they lie beside the programs.
extern const InstalledFiles kInstalledFiles;

// The real services of a Linux desktop session, owned in one place. Building
// it starts no toolkit: what needs Qt asks `qt`, and message boxes create
// their QApplication on demand.
class LinuxPlatform {
 public:
  // `caption` titles every message box of the program; `desktopWait` says
  // whether setting the wallpaper waits for a desktop that is still starting.
  // No file chooser: the changer has no use for one.
  LinuxPlatform(std::string_view caption, std::shared_ptr<QtParts> qt,
                DesktopWait desktopWait = DesktopWait::WhileStarting);
  // With Qt linked and its file chooser (the manager, the tests); defined
  // with the Qt parts.
  explicit LinuxPlatform(std::string_view caption,
                         DesktopWait desktopWait = DesktopWait::WhileStarting);
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  Platform& platform() { return platform_; }
  QtParts& qt() { return *qt_; }

 private:
  // First: whatever the module made must go before it.
  std::shared_ptr<QtParts> qt_;
  PosixFileSystem files_;
  PosixProcesses processes_;
  X11Keyboard keyboard_;
  BoxMessages messages_;
  SystemClock clock_;
  SeedableRandom random_;
  XdgSpecialFolders specialFolders_{files_};
  DesktopEntryShortcuts shortcuts_{files_, specialFolders_, kInstalledFiles.iconFile};
  std::string programDirectory_;
  std::string dataDirectory_;
  std::unique_ptr<Screen> screen_;
  std::unique_ptr<Pictures> pictures_;
  std::unique_ptr<Desktop> desktop_;
  GioDocuments documents_;
  PosixRunLock runLock_;
  std::unique_ptr<FileChooser> fileChooser_;
  SystemdScheduler scheduler_{files_};
  Platform platform_;
};

// The folder of the running program file, without a trailing "/": copying
// the programs elsewhere makes that folder their application directory.
std::string RunningProgramDirectory();

// Where the user's files live. Portable: beside the programs, so a copied
// folder carries its list along. Installed: the program folder belongs to the
// system, so the files go to "$XDG_DATA_HOME/tivolen" instead. Chosen once at
// build time (TIVOLEN_DATA_IN_HOME), so both programs always agree.
enum class DataLayout { BesideThePrograms, UserDataFolder };
extern const DataLayout kDataLayout;

// The data folder for `layout`, without a trailing "/"; created when missing
// in the user-data layout. Empty when no data home can be found.
std::string DataDirectory(DataLayout layout, const std::string& programDirectory,
                          const SpecialFolders& folders);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/shared/system_clock.h"
#include "platform/windows/task_scheduler.h"
#include "platform/windows/wic_pictures.h"
#include "platform/windows/win32_file_system.h"
#include "platform/windows/win32_run_lock.h"
#include "platform/windows/win32_services.h"

namespace tivolen {

// The real services of a Windows session, owned in one place.
class WindowsPlatform {
 public:
  // `caption` titles every message box of the program.
  explicit WindowsPlatform(std::string_view caption);
  WindowsPlatform(const WindowsPlatform&) = delete;
  WindowsPlatform& operator=(const WindowsPlatform&) = delete;

  Platform& platform() { return platform_; }

 private:
  Win32FileSystem files_;
  Win32Processes processes_;
  Win32Keyboard keyboard_;
  Win32Messages messages_;
  SystemClock clock_;
  SeedableRandom random_;
  Win32SpecialFolders specialFolders_;
  Win32Shortcuts shortcuts_;
  Win32Screen screen_;
  Win32Desktop desktop_;
  WicPictures pictures_{files_};
  Win32Documents documents_;
  Win32RunLock runLock_;
  Win32FileChooser fileChooser_;
  Win32TaskScheduler scheduler_{clock_};
  Platform platform_;
};

// The folder of the running program file, without a trailing "\".
std::string RunningProgramDirectory();

}  // namespace tivolen

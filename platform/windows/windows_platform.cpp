// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/windows_platform.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace tivolen {

std::string RunningProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // long paths (\\?\...) exceed MAX_PATH
  }
  const auto slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? path : path.substr(0, slash));
}

WindowsPlatform::WindowsPlatform(std::string_view caption)
    : messages_(Widen(caption)),
      platform_{RunningProgramDirectory(),
                files_,
                processes_,
                keyboard_,
                messages_,
                clock_,
                random_,
                specialFolders_,
                shortcuts_,
                screen_,
                desktop_,
                pictures_,
                documents_,
                runLock_,
                scheduler_} {
  platform_.fileChooser = &fileChooser_;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/startup_shortcut.h"

#include <optional>
#include <utility>

#include "common/text_encoding.h"
#include "common/texts.h"

namespace tivolen {

Result<std::string> GetSpecialFolder(const Platform& platform, SpecialFolder folder) {
  std::optional<std::string> found = platform.specialFolders.path(folder);
  if (!found) return Status::unavailable("the special folder could not be located");
  // A relative or empty answer cannot name a place to write a shortcut.
  if (!platform.files.pathRules().isAbsolute(*found)) {
    return Status::failed("the special folder's path could not be obtained: \"" + *found + '"');
  }
  return std::move(*found);
}

std::string ShortcutPath(const Platform& platform, SpecialFolder folder, std::string_view name) {
  const Result<std::string> folderPath = GetSpecialFolder(platform, folder);
  if (!folderPath) return {};
  return platform.files.pathRules().join(*folderPath, platform.shortcuts.fileName(name));
}

std::string StartupShortcutPath(const Platform& platform) {
  return ShortcutPath(platform, SpecialFolder::Startup, kStartupShortcutName);
}

bool CreateStartupShortcut(Platform& platform) {
  // Desktop entries are UTF-8 text; GLib refuses one naming a program by
  // any other bytes, and the session then never starts it.
  if (!IsValidUtf8(platform.applicationDirectory)) {
    // Written anyway, the entry would be refused without a word at log-on.
    platform.messages.show(std::string(text::kAppFolderNameNotUtf8) + "\r\n" +
                           platform.applicationDirectory);
    return false;
  }
  const std::string shortcut = StartupShortcutPath(platform);
  Status written = Status::failed("the autostart folder could not be found");
  if (!shortcut.empty()) {
    written = platform.shortcuts.write(shortcut, platform.programInAppDir(kChangerProgram),
                                       platform.applicationDirectory);
  }
  if (!written.isOk()) {
    // Saying "created" after a failed write would leave the user believing
    // the changer runs at log-on.
    platform.messages.detail("autostart entry: " + written.message);
    platform.messages.show(text::kStartupShortcutFailed);
    return false;
  }
  platform.messages.show(text::kStartupShortcutCreated);
  return true;
}

}  // namespace tivolen

#include "common/startup_shortcut.h"

#include <exception>
#include <iostream>

#include "common/texts.h"

namespace tivolen {

int GetSpecialFolder(const Platform& platform, SpecialFolder folder, std::string& path) {
  try {
    const std::optional<std::string> found = platform.specialFolders.path(folder);
    if (!found) return kFolderNotLocated;
    // A relative or empty answer cannot name a place to write a shortcut.
    if (!platform.files.pathRules().isAbsolute(*found)) return kFolderPathUnavailable;
    path = *found;
    return kFolderFound;
  } catch (const std::exception&) {
    platform.messages.show(text::kError);
    return kFolderPathUnavailable;
  }
}

std::string ShortcutPath(const Platform& platform, SpecialFolder folder, std::string_view name) {
  std::string folderPath;
  if (GetSpecialFolder(platform, folder, folderPath) != kFolderFound) return {};
  return platform.files.pathRules().join(folderPath, platform.shortcuts.fileName(name));
}

std::string StartupShortcutPath(const Platform& platform) {
  return ShortcutPath(platform, SpecialFolder::Startup, kStartupShortcutName);
}

bool CreateStartupShortcut(Platform& platform) {
  const std::string shortcut = StartupShortcutPath(platform);
  Status written = Status::failed("the autostart folder could not be found");
  if (!shortcut.empty()) {
    written = platform.shortcuts.write(shortcut, platform.programInAppDir(kChangerProgram),
                                       platform.applicationDirectory);
  }
  if (!written.isOk()) {
    // Saying "created" after a failed write would leave the user believing
    // the changer runs at log-on.
    std::cerr << "autostart entry: " << written.message << '\n';
    platform.messages.show(text::kStartupShortcutFailed);
    return false;
  }
  platform.messages.show(text::kStartupShortcutCreated);
  return true;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/startup_shortcut.h"

#include <exception>

#include "common/texts.h"

namespace tivolen {
namespace {

// Desktop entries are UTF-8 text; GLib refuses one naming a program by any
// other bytes, and the session then never starts it.
bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
      length = 2;
      minimum = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
      length = 3;
      minimum = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
      length = 4;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    unsigned code = lead & (0x7fU >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      code = code << 6 | (next & 0x3fU);
    }
    if (code < minimum || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return false;
    i += length;
  }
  return true;
}

}  // namespace

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
  if (!isValidUtf8(platform.applicationDirectory)) {
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

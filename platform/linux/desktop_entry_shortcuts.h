// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/services.h"

namespace tivolen {

// Shortcuts as desktop entries: "X.lnk" of the old system becomes "X.desktop"
// with Name=X, Exec= the quoted target, Path= its working directory and
// TryExec= the target; actions become desktop actions.
class DesktopEntryShortcuts final : public Shortcuts {
 public:
  // `folders` names the desktop folder, the one place where entries must be
  // executable. `iconFile`: the icon every entry names; empty: the one beside
  // its target.
  DesktopEntryShortcuts(FileSystem& files, const SpecialFolders& folders, std::string iconFile = {})
      : files_(files), folders_(folders), iconFile_(std::move(iconFile)) {}
  [[nodiscard]] std::string fileName(std::string_view name) const override;
  // Creates the folder when missing, keeps the other keys of an entry that is
  // already there and replaces the file atomically. Only a launcher on the
  // desktop is made executable, as file managers demand there; autostart and
  // menu entries are not programs, and systemd's autostart generator warns
  // about executable ones.
  Status write(const std::string& shortcutPath, const std::string& target,
               const std::string& workingDirectory,
               const std::vector<ShortcutAction>& actions = {}) override;
  [[nodiscard]] std::optional<std::string> target(const std::string& shortcutPath) const override;

 private:
  FileSystem& files_;
  const SpecialFolders& folders_;
  std::string iconFile_;
};

// The window class both programs' windows carry, so that docks and
// task bars group a window with the entry that started it.
inline constexpr std::string_view kWindowClass = "tivolen";

struct DesktopEntryFields {
  std::string name;
  std::string target;
  std::string workingDirectory;
  std::vector<ShortcutAction> actions{};
  // The icon file beside the program; none keeps what the entry had.
  std::string icon{};
};

// A value of type string or localestring with the entry format's escapes
// (\\, \n, \t, \r, and \s for a leading blank).
std::string escapeDesktopEntryValue(std::string_view value);

// The Exec value that runs `program` with no arguments: one argument in double
// quotes with ", `, $ and \ escaped by a backslash and % doubled, then the
// value escapes on top, as the Desktop Entry rules layer them.
std::string desktopEntryExec(std::string_view program);

// The program an entry's text starts: its TryExec, or else the first
// argument of its Exec, as entries of older versions have no TryExec.
std::optional<std::string> desktopEntryTarget(std::string_view text);

// The file text: `existing` (empty for a new entry) with Type, Name, Exec,
// Path, TryExec, StartupWMClass and (when given) Icon of its [Desktop Entry] group set and
// everything else kept. Each action is added to Actions and gets its own group, written afresh.
std::string composeDesktopEntry(std::string_view existing, const DesktopEntryFields& fields);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop_entry_shortcuts.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace tivolen {
namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The key of a "Key=Value" line ("Name[ja]" stays whole), or nothing.
std::string_view keyOf(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || line.starts_with('#')) return {};
  std::string_view key = line.substr(0, equals);
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  return key;
}

std::string baseName(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

// One Exec argument in double quotes with ", `, $ and \ escaped by a
// backslash and % doubled; the value escapes come on top of the whole line.
std::string quotedExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// An option such as "--navigator" needs no quotes and reads better without.
std::string execArgument(std::string_view argument) {
  const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '=' || c == '.' || c == '/';
  });
  return plain ? std::string(argument) : quotedExecArgument(argument);
}

std::string actionGroup(const ShortcutAction& action) {
  return "[Desktop Action " + action.key + "]";
}

// The Actions list of an existing entry with ours added, each item ended by ";".
std::string actionList(std::string_view existing, const std::vector<ShortcutAction>& actions) {
  std::string list;
  std::vector<std::string_view> items;
  while (!existing.empty()) {
    const std::size_t end = existing.find(';');
    const std::string_view item = existing.substr(0, end);
    if (!item.empty()) items.push_back(item);
    if (end == std::string_view::npos) break;
    existing.remove_prefix(end + 1);
  }
  for (const ShortcutAction& action : actions) {
    if (std::find(items.begin(), items.end(), action.key) == items.end()) {
      items.push_back(action.key);
    }
  }
  for (const std::string_view item : items) list += std::string(item) + ";";
  return list;
}

}  // namespace

std::string escapeDesktopEntryValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string desktopEntryExec(std::string_view program) {
  return escapeDesktopEntryValue(quotedExecArgument(program));
}

std::string composeDesktopEntry(std::string_view existing, const DesktopEntryFields& fields) {
  const std::vector<std::string_view> lines = splitLines(existing);
  std::size_t groupStart = lines.size();
  std::string_view existingActions;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (groupStart == lines.size()) {
      if (lines[i] == kGroup) groupStart = i;
      continue;
    }
    if (lines[i].starts_with('[')) break;
    if (keyOf(lines[i]) == "Actions") {
      existingActions = lines[i].substr(lines[i].find('=') + 1);
      break;
    }
  }

  // TryExec makes desktops pass over the entry once the program is gone (the
  // package removed, the folder deleted) instead of failing at every log-on.
  std::vector<std::pair<std::string_view, std::string>> ours{
      {"Type", "Application"},
      {"Name", escapeDesktopEntryValue(fields.name)},
      {"Exec", desktopEntryExec(fields.target)},
      {"Path", escapeDesktopEntryValue(fields.workingDirectory)},
      {"TryExec", escapeDesktopEntryValue(fields.target)},
      {"StartupWMClass", std::string(kWindowClass)},
  };
  if (!fields.icon.empty()) ours.emplace_back("Icon", escapeDesktopEntryValue(fields.icon));
  if (!fields.actions.empty()) {
    ours.emplace_back("Actions", actionList(existingActions, fields.actions));
  }
  auto ourLine = [](const auto& field) { return std::string(field.first) + "=" + field.second; };

  std::string actionGroups;
  for (const ShortcutAction& action : fields.actions) {
    actionGroups += "\n" + actionGroup(action) + "\nName=" + escapeDesktopEntryValue(action.name) +
                    "\nExec=" +
                    escapeDesktopEntryValue(quotedExecArgument(fields.target) + " " +
                                            execArgument(action.argument)) +
                    "\n";
  }

  std::string out;
  if (groupStart == lines.size()) {
    // Not a desktop entry at all: nothing of it is worth keeping.
    out = std::string(kGroup) + "\n";
    for (const auto& field : ours) out += ourLine(field) + "\n";
    return out + actionGroups;
  }

  std::vector<bool> written(ours.size(), false);
  std::size_t i = 0;
  for (; i <= groupStart; ++i) out += std::string(lines[i]) + "\n";
  std::size_t insertAt = out.size();  // after the group's last key line
  for (; i < lines.size() && !lines[i].starts_with('['); ++i) {
    const std::string_view key = keyOf(lines[i]);
    bool ownKey = false;
    for (std::size_t k = 0; k < ours.size(); ++k) {
      if (key != ours[k].first) continue;
      ownKey = true;
      // A repeated key makes the entry invalid; keep only the first place.
      if (!written[k]) out += ourLine(ours[k]) + "\n";
      written[k] = true;
    }
    if (!ownKey) out += std::string(lines[i]) + "\n";
    if (!lines[i].empty()) insertAt = out.size();
  }
  std::string missing;
  for (std::size_t k = 0; k < ours.size(); ++k) {
    if (!written[k]) missing += ourLine(ours[k]) + "\n";
  }
  out.insert(insertAt, missing);
  // Our action groups are written afresh at the end; other groups stay.
  bool skipping = false;
  for (; i < lines.size(); ++i) {
    if (lines[i].starts_with('[')) {
      skipping = std::any_of(fields.actions.begin(), fields.actions.end(),
                             [&](const ShortcutAction& a) { return lines[i] == actionGroup(a); });
    }
    if (!skipping) out += std::string(lines[i]) + "\n";
  }
  if (!actionGroups.empty()) {
    while (out.ends_with("\n\n")) out.pop_back();
  }
  return out + actionGroups;
}

std::string DesktopEntryShortcuts::fileName(std::string_view name) const {
  return std::string(name) + ".desktop";
}

Status DesktopEntryShortcuts::write(const std::string& shortcutPath, const std::string& target,
                                    const std::string& workingDirectory,
                                    const std::vector<ShortcutAction>& actions) {
  const std::filesystem::path folder = std::filesystem::path(shortcutPath).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error) return Status::failed(folder.string() + ": " + error.message());

  const std::string existing = files_.readFile(shortcutPath).value_or(std::string{});
  // Menus and docks show the program's own icon, not a blank, as long as it
  // lies beside the program (or where the installed layout put it).
  std::string icon = iconFile_.empty()
                         ? (std::filesystem::path(target).parent_path() / kIconFileName).string()
                         : iconFile_;
  if (!files_.fileExists(icon)) icon.clear();
  const std::string text = composeDesktopEntry(
      existing, {baseName(shortcutPath), target, workingDirectory, actions, std::move(icon)});
  if (Status written = files_.writeFileAtomically(shortcutPath, text); !written.isOk()) {
    return written;
  }
  const std::optional<std::string> desktop = folders_.path(SpecialFolder::Desktop);
  const bool onDesktop =
      desktop && !folder.empty() && std::filesystem::equivalent(folder, *desktop, error);
  const mode_t mask = umask(0);
  umask(mask);
  if (chmod(shortcutPath.c_str(), (onDesktop ? 0755 : 0644) & ~mask) != 0) {
    return Status::failed(shortcutPath + ": cannot set its permissions");
  }
  return Status::ok();
}

}  // namespace tivolen

namespace tivolen {
namespace {

// Undoes the value escapes of escapeDesktopEntryValue.
std::string unescapeDesktopEntryValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        out += value[i];
    }
  }
  return out;
}

// The first argument of an unescaped Exec value: quoted, with a backslash
// before each ", `, $ and backslash, or bare up to the first blank; "%%" is
// one "%".
std::string firstExecArgument(std::string_view exec) {
  std::string argument;
  std::size_t i = 0;
  const bool quoted = !exec.empty() && exec.front() == '"';
  if (quoted) ++i;
  for (; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted && c == '"') break;
    if (!quoted && c == ' ') break;
    if (quoted && c == '\\' && i + 1 < exec.size()) {
      argument += exec[++i];
    } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      argument += '%';
      ++i;
    } else {
      argument += c;
    }
  }
  return argument;
}

}  // namespace

std::optional<std::string> desktopEntryTarget(std::string_view text) {
  std::optional<std::string> exec;
  bool inGroup = false;
  for (const std::string_view line : splitLines(text)) {
    if (line.starts_with('[')) {
      if (inGroup) break;
      inGroup = line == kGroup;
      continue;
    }
    if (!inGroup) continue;
    const std::string_view key = keyOf(line);
    std::string_view value = line.substr(line.find('=') + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (key == "TryExec" && !value.empty()) return unescapeDesktopEntryValue(value);
    if (key == "Exec" && !exec) exec = firstExecArgument(unescapeDesktopEntryValue(value));
  }
  if (exec && exec->empty()) return std::nullopt;
  return exec;
}

std::optional<std::string> DesktopEntryShortcuts::target(const std::string& shortcutPath) const {
  const std::optional<std::string> text = files_.readFile(shortcutPath);
  if (!text) return std::nullopt;
  return desktopEntryTarget(*text);
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xdg_special_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tivolen {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::string> unquoted(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  value = value.substr(1, value.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out += value[i];
  }
  return out;
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::optional<std::string> userDirFromFile(std::string_view contents, std::string_view key,
                                           std::string_view home) {
  std::optional<std::string> found;
  while (!contents.empty()) {
    const std::size_t end = contents.find('\n');
    std::string_view line = trimmed(contents.substr(0, end));
    contents = end == std::string_view::npos ? std::string_view{} : contents.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key) continue;
    const auto value = unquoted(trimmed(line.substr(equals + 1)));
    if (!value) continue;
    constexpr std::string_view kHome = "$HOME";
    if (value->starts_with(kHome) &&
        (value->size() == kHome.size() || (*value)[kHome.size()] == '/')) {
      found = withoutTrailingSlash(std::string(home) + value->substr(kHome.size()));
    } else if (value->starts_with('/')) {
      found = withoutTrailingSlash(*value);
    }
  }
  return found;
}

XdgSpecialFolders::XdgSpecialFolders(const FileSystem& files, EnvironmentLookup environment)
    : files_(files), environment_(std::move(environment)) {}

std::optional<std::string> XdgSpecialFolders::home() const {
  if (auto fromEnvironment = environment_("HOME");
      fromEnvironment && fromEnvironment->starts_with('/')) {
    return withoutTrailingSlash(*fromEnvironment);
  }
  // A session started without HOME (some service managers do that).
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
      result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/') {
    return withoutTrailingSlash(result->pw_dir);
  }
  return std::nullopt;
}

// The base directory rules: an absolute $XDG_..._HOME, otherwise the fallback
// under the home folder; relative values are ignored as the rules require.
std::optional<std::string> XdgSpecialFolders::baseDirectory(const char* variable,
                                                            std::string_view fallback) const {
  if (auto value = environment_(variable); value && value->starts_with('/')) {
    return withoutTrailingSlash(*value);
  }
  const auto homeFolder = home();
  if (!homeFolder) return std::nullopt;
  return *homeFolder + "/" + std::string(fallback);
}

std::optional<std::string> XdgSpecialFolders::desktop() const {
  const auto homeFolder = home();
  if (!homeFolder) return std::nullopt;
  if (const auto config = baseDirectory("XDG_CONFIG_HOME", ".config")) {
    if (const auto contents = files_.readFile(*config + "/user-dirs.dirs")) {
      if (auto fromFile = userDirFromFile(*contents, "XDG_DESKTOP_DIR", *homeFolder)) {
        return fromFile;
      }
    }
  }
  return *homeFolder + "/Desktop";
}

std::optional<std::string> XdgSpecialFolders::path(SpecialFolder folder) const {
  switch (folder) {
    case SpecialFolder::Startup:
      if (auto config = baseDirectory("XDG_CONFIG_HOME", ".config")) return *config + "/autostart";
      return std::nullopt;
    case SpecialFolder::Desktop:
      return desktop();
    case SpecialFolder::AppData:
      return baseDirectory("XDG_DATA_HOME", ".local/share");
    case SpecialFolder::Applications:
      if (auto data = baseDirectory("XDG_DATA_HOME", ".local/share")) {
        return *data + "/applications";
      }
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tivolen

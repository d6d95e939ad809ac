// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/linux/environment.h"
#include "platform/services.h"

namespace tivolen {

// The special folders by the XDG base directory and user-dirs rules:
// Startup is the autostart folder, Desktop the user's desktop directory,
// AppData the data home and Applications its "applications" folder, where
// menu entries live. Folders need not exist yet; writers create them.
class XdgSpecialFolders final : public SpecialFolders {
 public:
  explicit XdgSpecialFolders(const FileSystem& files,
                             EnvironmentLookup environment = processEnvironment);
  [[nodiscard]] std::optional<std::string> path(SpecialFolder folder) const override;

 private:
  [[nodiscard]] std::optional<std::string> home() const;
  [[nodiscard]] std::optional<std::string> baseDirectory(const char* variable,
                                                         std::string_view fallback) const;
  [[nodiscard]] std::optional<std::string> desktop() const;

  const FileSystem& files_;
  EnvironmentLookup environment_;
};

// The value of `key` in the text of a user-dirs.dirs file with "$HOME"
// expanded; nothing when the key is missing or its value is neither absolute
// nor relative to $HOME (such lines are ignored by xdg-user-dirs too).
std::optional<std::string> userDirFromFile(std::string_view contents, std::string_view key,
                                           std::string_view home);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tivolen {

// Reads one variable of the environment; nothing when it is not set.
// Injected wherever a back-end looks at the environment, so tests never see
// the user's real session or folders.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The running process's own environment.
std::optional<std::string> processEnvironment(std::string_view name);

}  // namespace tivolen

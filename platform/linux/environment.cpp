// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/environment.h"

#include <cstdlib>

namespace tivolen {

std::optional<std::string> processEnvironment(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace tivolen

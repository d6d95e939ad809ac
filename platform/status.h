// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace tivolen {

// Result of an effect on the system. "Unavailable" means the service is not
// there at all (no display, no session bus, tool not installed); "Failed" means
// it was there and refused or broke. Only main() decides whether to end.
struct Status {
  enum class Code { Ok, Unavailable, Failed };
  Code code = Code::Ok;
  std::string message;

  static Status ok() { return {}; }
  static Status unavailable(std::string why) { return {Code::Unavailable, std::move(why)}; }
  static Status failed(std::string why) { return {Code::Failed, std::move(why)}; }
  // "where: why", the usual shape of a file error.
  static Status failedAt(std::string_view where, std::string_view why) {
    std::string message(where);
    message.append(": ").append(why);
    return failed(std::move(message));
  }
  [[nodiscard]] bool isOk() const { return code == Code::Ok; }
};

}  // namespace tivolen

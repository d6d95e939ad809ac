// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cassert>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

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

// What an operation that produces something gives back: the thing, or the
// failure that says why there is none (a Status, unless the operation has
// more to say). Failures travel up in it to the place that decides what the
// user is told; nothing below that shows a box.
template <typename T, typename Failure = Status>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
  Result(Failure failure)                                                // NOLINT: implicit
      : state_(std::in_place_index<1>, std::move(failure)) {
    if constexpr (std::is_same_v<Failure, Status>) {
      // An Ok status here would leave the result holding nothing.
      assert(!std::get<1>(state_).isOk());
    }
  }

  [[nodiscard]] bool isOk() const { return state_.index() == 0; }
  explicit operator bool() const { return isOk(); }

  // Only on success.
  [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
  [[nodiscard]] T& value() & { return std::get<0>(state_); }
  [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  T& operator*() & { return value(); }
  const T* operator->() const { return &value(); }

  [[nodiscard]] T valueOr(T fallback) const& { return isOk() ? value() : std::move(fallback); }

  // Only on failure.
  [[nodiscard]] const Failure& failure() const { return std::get<1>(state_); }

  // Ok on success, else the failure.
  [[nodiscard]] Status status() const requires std::is_same_v<Failure, Status> {
    return isOk() ? Status::ok() : failure();
  }

 private:
  std::variant<T, Failure> state_;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace tivolen {

// A calendar date without time, as the change log and the timing modes use it.
struct Date {
  int year = 1899;
  int month = 12;
  int day = 29;

  friend auto operator<=>(const Date&, const Date&) = default;

  // Days since 30 December 1899, the origin of the date serials the files
  // grew up with; negative before it.
  [[nodiscard]] std::int64_t serial() const;
  static Date fromSerial(std::int64_t serial);
  // Sunday = 1 ... Saturday = 7.
  [[nodiscard]] int weekday() const;
  [[nodiscard]] bool isValid() const;
};

// The date a missing change log stands for: the day before the date origin,
// a Friday in December.
inline constexpr Date kNeverChanged{1899, 12, 29};

// Today as the clock tells it; the date origin's eve when it cannot.
Date Today(const Clock& clock);

// "#YYYY-MM-DD#"
std::string formatDateLiteral(const Date& date);
// Accepts "#YYYY-MM-DD#" (also single-digit month and day); nothing for
// anything else or an impossible date.
std::optional<Date> parseDateLiteral(std::string_view text);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/date.h"

#include <charconv>
#include <cstdio>

namespace tivolen {

Date Today(const Clock& clock) {
  const std::optional<CalendarDay> day = clock.today();
  if (!day) return kNeverChanged;
  return Date{day->year, day->month, day->day};
}
namespace {

// Howard Hinnant's days_from_civil / civil_from_days, proleptic Gregorian.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// 1970-01-01 is serial 25569 in the 1899-12-30 origin.
constexpr std::int64_t kUnixEpochSerial = 25569;

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::int64_t Date::serial() const {
  return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
         kUnixEpochSerial;
}

Date Date::fromSerial(std::int64_t serial) {
  std::int64_t z = serial - kUnixEpochSerial + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
  return Date{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

int Date::weekday() const {
  // Serial 0 (1899-12-30) was a Saturday.
  const std::int64_t s = serial();
  const std::int64_t fromSunday = ((s + 6) % 7 + 7) % 7;
  return static_cast<int>(fromSunday) + 1;
}

bool Date::isValid() const {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

std::string formatDateLiteral(const Date& date) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "#%04d-%02d-%02d#", date.year, date.month, date.day);
  return buffer;
}

std::optional<Date> parseDateLiteral(std::string_view text) {
  if (text.size() < 2 || text.front() != '#' || text.back() != '#') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  int parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(begin, end, parts[i]);
    if (error != std::errc() || next == begin || next - begin > 4) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(next - begin));
    if (i < 2) {
      if (text.empty() || text.front() != '-') return std::nullopt;
      text.remove_prefix(1);
    }
  }
  if (!text.empty()) return std::nullopt;
  Date date{parts[0], parts[1], parts[2]};
  if (!date.isValid()) return std::nullopt;
  return date;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shared/system_clock.h"

#include <chrono>
#include <ctime>

namespace tivolen {

std::optional<CalendarDay> SystemClock::today() const {
  const std::optional<LocalTime> moment = now();
  if (!moment) return std::nullopt;
  return moment->day;
}

std::optional<LocalTime> SystemClock::now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &now) != 0) return std::nullopt;
#else
  if (localtime_r(&now, &local) == nullptr) return std::nullopt;
#endif
  return LocalTime{CalendarDay{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                   local.tm_hour, local.tm_min, local.tm_sec};
}

void SeedableRandom::seedFromClock() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count() ^
                     std::chrono::system_clock::now().time_since_epoch().count();
  engine_.seed(static_cast<std::uint64_t>(ticks));
}

float SeedableRandom::next() {
  const auto bits = static_cast<std::uint32_t>(engine_() >> 40);  // top 24 bits
  return static_cast<float>(bits) * (1.0F / 16777216.0F);
}

}  // namespace tivolen

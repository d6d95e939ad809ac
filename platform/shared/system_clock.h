// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>

#include "platform/services.h"

namespace tivolen {

// Today's date in the local time zone, as the user's calendar shows it.
class SystemClock final : public Clock {
 public:
  [[nodiscard]] std::optional<CalendarDay> today() const override;
  [[nodiscard]] std::optional<LocalTime> now() const override;
};

// A seedable generator: tests and benchmarks seed it, the programs seed it
// from the clock as the old runtime's Randomize did.
class SeedableRandom final : public Random {
 public:
  explicit SeedableRandom(std::uint64_t seed = 1) : engine_(seed) {}
  void seed(std::uint64_t value) { engine_.seed(value); }
  void seedFromClock() override;
  // 24 random bits scaled by 2^-24: exactly representable in a float and
  // never 1, which std::generate_canonical<float> does not promise.
  float next() override;

 private:
  std::mt19937_64 engine_;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/large_memory.h"

namespace tivolen {

// Memory for decoded pictures and bitmap files, tens of megabytes written
// once from start to end. In 4 KiB pages a 4K screen's pipeline takes some
// 40,000 page faults; the system's large blocks at least skip the heap's
// own zero fill. The memory is not zeroed by us (`zeroed` promises zeros for
// small sizes too), and goes back whole when the last owner lets go.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{4} << 20;

template <typename T>
std::shared_ptr<T[]> allocateLarge(std::size_t count, bool zeroed = false) {
  const std::size_t bytes = count * sizeof(T);
  if (bytes >= kLargeBlockBytes) {
    std::shared_ptr<void> block = allocateLargeBlock(bytes);
    if (block) return std::shared_ptr<T[]>(block, static_cast<T*>(block.get()));
  }
  if (zeroed) return std::make_unique<T[]>(count);
  return std::make_unique_for_overwrite<T[]>(count);
}

// For a block the caller fills whole right away, such as a screen-sized
// result: its pages come in with one call. On virtual machines a trap per
// 4 KiB page costs more than writing the page (a 4K result: 8,100 traps, a
// fifth of a change run). Not for sizes a file claims before any of it is
// decoded: a damaged file would pay for all of it before its first row fails.
template <typename T>
std::shared_ptr<T[]> allocateLargeToFill(std::size_t count) {
  std::shared_ptr<T[]> memory = allocateLarge<T>(count);
  if (count * sizeof(T) >= kLargeBlockBytes)
    populateLargeBlockPages(memory.get(), count * sizeof(T));
  return memory;
}

// Faults in a block from allocateLarge that is filled front to back: at
// once (see allocateLargeToFill), or, for a result made while other memory
// goes back (a progressive JPEG's coefficients, a PNG's inflated rows),
// a step ahead of its filling, so that it is never held whole beside all
// of that memory.
class PagesAhead {
 public:
  PagesAhead(void* block, std::size_t bytes, bool atOnce)
      : block_(static_cast<char*>(block)), bytes_(bytes >= kLargeBlockBytes ? bytes : 0) {
    if (atOnce) reach(1, 1);
  }

  // The filling has come `done` of `total` of its way.
  void reach(std::int64_t done, std::int64_t total) {
    if (bytes_ == 0 || total <= 0) return;
    const auto filled = static_cast<std::size_t>(
        static_cast<std::uint64_t>(std::clamp<std::int64_t>(done, 0, total)) * bytes_ /
        static_cast<std::uint64_t>(total));
    const std::size_t to = std::min(bytes_, filled + kStep);
    if (to > populated_ && (to == bytes_ || to - populated_ >= kStep / 2)) {
      populateLargeBlockPages(block_ + populated_, to - populated_);
      populated_ = to;
    }
  }

 private:
  static constexpr std::size_t kStep = std::size_t{2} << 20;
  char* block_;
  std::size_t bytes_;
  std::size_t populated_ = 0;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace tivolen {

// A block of at least `bytes` for memory written once from start to end,
// its pages faulted in at once and zeroed by the system alone. Empty where
// the system offers nothing better than the heap; throws std::bad_alloc when
// it has no memory to give.
std::shared_ptr<void> allocateLargeBlock(std::size_t bytes);

}  // namespace tivolen

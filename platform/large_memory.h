// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace tivolen {

// A block of at least `bytes` for memory written once from start to end,
// given back whole on release and zeroed by the system alone. Empty where
// the system offers nothing better than the heap; throws std::bad_alloc when
// it has no memory to give.
std::shared_ptr<void> allocateLargeBlock(std::size_t bytes);

// Faults in the pages of [start, start + bytes) of a block from
// allocateLargeBlock with one call, for memory about to be written whole
// at once (a trap per 4 KiB page costs more than the writing on virtual
// machines). Nothing happens where the system cannot.
void populateLargeBlockPages(void* start, std::size_t bytes);

// Gives the whole pages within [start, start + bytes) of a block from
// allocateLargeBlock back to the system while the block lives on: they read
// as zeros afterwards. Nothing happens where the system cannot.
void releaseLargeBlockPages(void* start, std::size_t bytes);

}  // namespace tivolen

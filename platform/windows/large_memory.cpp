// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/large_memory.h"

namespace tivolen {

// Large pages on Windows need a privilege users do not hold; the heap it is.
std::shared_ptr<void> allocateLargeBlock(std::size_t /*bytes*/) {
  return {};
}

void populateLargeBlockPages(void* /*start*/, std::size_t /*bytes*/) {}

// The heap's blocks are given back whole, when they are freed.
void releaseLargeBlockPages(void* /*start*/, std::size_t /*bytes*/) {}

}  // namespace tivolen

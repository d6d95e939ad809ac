// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/large_memory.h"

namespace tivolen {

// Large pages on Windows need a privilege users do not hold; the heap it is.
std::shared_ptr<void> allocateLargeBlock(std::size_t /*bytes*/) {
  return {};
}

}  // namespace tivolen

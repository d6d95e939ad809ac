// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/large_memory.h"

#include <sys/mman.h>

#include <new>

namespace tivolen {

std::shared_ptr<void> allocateLargeBlock(std::size_t bytes) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  // Over-allocate by one huge page so the start can be aligned to one.
  const std::size_t mapped = bytes + kHugePage;
  void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) throw std::bad_alloc();
  void* start = base;
  std::size_t space = mapped;
  std::align(kHugePage, bytes, start, space);
  madvise(start, bytes, MADV_HUGEPAGE);
  return {start, [base, mapped](void*) { munmap(base, mapped); }};
}

}  // namespace tivolen

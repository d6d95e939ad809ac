// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tivolen {

// Memory for decoded pictures and bitmap files, tens of megabytes written
// once from start to end. In 4 KiB pages a 4K screen's pipeline takes some
// 40,000 page faults, more time than the decoding itself; asking for huge
// pages makes them a few dozen. The memory is not zeroed by us, only by the
// kernel (`zeroed` promises zeros for small sizes too), and goes back to it
// whole when the last owner lets go.
template <typename T>
std::shared_ptr<T[]> allocateLarge(std::size_t count, bool zeroed = false) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  const std::size_t bytes = count * sizeof(T);
  if (bytes < 2 * kHugePage) {
    if (zeroed) return std::make_unique<T[]>(count);
    return std::make_unique_for_overwrite<T[]>(count);
  }
#if !defined(__linux__)
  if (zeroed) return std::make_unique<T[]>(count);
  return std::make_unique_for_overwrite<T[]>(count);  // huge pages are Linux's
#else
  // Over-allocate by one huge page so the start can be aligned to one.
  const std::size_t mapped = bytes + kHugePage;
  void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) throw std::bad_alloc();
  void* start = base;
  std::size_t space = mapped;
  std::align(kHugePage, bytes, start, space);
  madvise(start, bytes, MADV_HUGEPAGE);
  return std::shared_ptr<T[]>(static_cast<T*>(start), [base, mapped](T*) { munmap(base, mapped); });
#endif
}

}  // namespace tivolen

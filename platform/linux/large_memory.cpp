// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/large_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace tivolen {

std::shared_ptr<void> allocateLargeBlock(std::size_t bytes) {
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) throw std::bad_alloc();
  // Plain pages, faulted in as they are written or, where the caller knows
  // they will be written, by populateLargeBlockPages. Huge pages were tried
  // and dropped: where free memory has gone back to a virtual machine's
  // host, clearing each fresh 2 MiB page stalled a 4K wallpaper for up to
  // 1.7 s (three times xwallpaper's whole run). Faulting every block in
  // here would make a damaged picture that claims a large size cost all of
  // it before its first row fails.
  return {base, [bytes](void* block) { munmap(block, bytes); }};
}

void populateLargeBlockPages(void* start, std::size_t bytes) {
  if (bytes == 0) return;
  // The pages the range touches: the advice takes whole pages only, and a
  // block's first and last pages are its own.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(start) / page * page;
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes + page - 1) / page * page;
  // Kernels before 5.14 refuse the advice; the pages then fault in one by
  // one as they are written.
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the block's own pages
  madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}

void releaseLargeBlockPages(void* start, std::size_t bytes) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes) / page * page;
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the block's own pages
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

}  // namespace tivolen

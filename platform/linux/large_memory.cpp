// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/large_memory.h"

#include <sys/mman.h>

#include <new>

namespace tivolen {

std::shared_ptr<void> allocateLargeBlock(std::size_t bytes) {
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) throw std::bad_alloc();
  // Every page is written anyway: one call faults them all in, instead of a
  // trap per 4 KiB page. Huge pages were tried and dropped: where free
  // memory has gone back to a virtual machine's host, clearing each fresh
  // 2 MiB page stalled a 4K wallpaper for up to 1.7 s (three times
  // xwallpaper's whole run). Kernels before 5.14 refuse the advice and
  // fault the pages in one by one as before.
  madvise(base, bytes, MADV_POPULATE_WRITE);
  return {base, [bytes](void* block) { munmap(block, bytes); }};
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// List.txt as the changer reads it: never crashes, and what it reads survives
// a save and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tivolen::readListHeader(bytes);
  const tivolen::ListReadResult first = tivolen::readImageList(bytes);
  if (!first.list) return 0;
  const std::string written = tivolen::writeImageList(*first.list);
  const tivolen::ListReadResult second = tivolen::readImageList(written);
  if (!second.list) std::abort();  // the reader refused what the writer wrote
  if (tivolen::writeImageList(*second.list) != written) std::abort();
  if (second.list->settings != first.list->settings ||
      second.list->launcherPath != first.list->launcherPath) {
    std::abort();
  }
  const tivolen::ListHeader header = tivolen::readListHeader(written);
  if (!header.currentVersion || header.timingMode != first.list->settings.timingMode) std::abort();
  return 0;
}

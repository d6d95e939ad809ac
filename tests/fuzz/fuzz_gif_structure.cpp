// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF block walker that tells a first frame cut short.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "picture/gif_structure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tivolen::gifFirstFrameIsCutShort(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

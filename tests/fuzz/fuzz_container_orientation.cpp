// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF orientation readers of PNG (eXIf chunk) and WebP (RIFF EXIF
// chunk) walk chunk lengths and offsets taken from the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/container_exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const int orientation : {tivolen::pngOrientation(bytes), tivolen::webpOrientation(bytes)}) {
    if (orientation < 1 || orientation > 8) std::abort();
  }
  return 0;
}

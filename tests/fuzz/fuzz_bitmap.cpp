// SPDX-License-Identifier: GPL-3.0-or-later
// The plain bitmap reader: any header is judged without overflow, and a
// picture it reads is written and read back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tivolen::bitmapIsCutShort(bytes);
  const auto picture = tivolen::decodePlainBitmap(bytes);
  if (!picture) return 0;
  const tivolen::BitmapBytes written = tivolen::encodeBitmap(*picture);
  if (tivolen::bitmapIsCutShort(written.view())) std::abort();
  const auto again = tivolen::decodePlainBitmap(written.view());
  if (!again || again->size() != picture->size()) std::abort();
  for (std::int32_t y = 0; y < picture->height(); ++y) {
    for (std::int32_t x = 0; x < picture->width(); ++x) {
      // 24 bits are written; the padding byte is always opaque.
      if ((picture->at(x, y) | 0xff000000U) != again->at(x, y)) std::abort();
    }
  }
  return 0;
}

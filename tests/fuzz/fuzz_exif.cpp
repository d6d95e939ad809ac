// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF orientation reader walks offsets taken from the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int orientation = tivolen::jpegOrientation(bytes);
  if (orientation < 1 || orientation > 8) std::abort();
  tivolen::Picture picture(3, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) picture.row(y)[x] = static_cast<std::uint32_t>(y * 3 + x);
  }
  const tivolen::Picture turned = tivolen::applyOrientation(std::move(picture), orientation);
  if (turned.width() * turned.height() != 6) std::abort();
  return 0;
}

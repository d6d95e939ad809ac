// SPDX-License-Identifier: GPL-3.0-or-later
// HEIF and AVIF files through our checks and then libheif (HEVC by
// libde265, AV1 by dav1d or aom), as the changer decodes what the tile path
// does not take: whatever the boxes and the coded streams claim, a picture
// of the size the file states comes out, or a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/heif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Reduced, to keep each run short; the tile path has a target of its own.
  const tivolen::LoadedPicture loaded = tivolen::decodeHeif(
      bytes,
      [](tivolen::PictureSize) {
        return tivolen::PictureSize{1, 1};
      },
      true);
  if (loaded.status.isOk()) {
    const tivolen::PictureSize natural = loaded.natural;
    if (natural.width <= 0 || natural.height <= 0 || loaded.pixels.empty() ||
        loaded.pixels.width() > natural.width || loaded.pixels.height() > natural.height) {
      std::abort();
    }
  } else if (loaded.status.message.empty()) {
    std::abort();
  }
  return 0;
}

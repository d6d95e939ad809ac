// SPDX-License-Identifier: GPL-3.0-or-later
// A grid HEIC decoded tile by tile through libde265, at full size and
// reduced, from the whole file and from its meta box with the tiles read at
// need: whatever the boxes and the coded streams claim, a picture comes out
// of the size the file states, or none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "picture/heif_boxes.h"
#include "picture/heif_grid_decoder.h"

namespace {

void check(const std::optional<tivolen::LoadedPicture>& loaded, int denominator) {
  if (!loaded || !loaded->status.isOk()) return;
  const tivolen::PictureSize natural = loaded->natural;
  const tivolen::PictureSize size = loaded->pixels.size();
  if (natural.width <= 0 || natural.height <= 0 ||
      size.width != (natural.width + denominator - 1) / denominator ||
      size.height != (natural.height + denominator - 1) / denominator) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto full = tivolen::decodeHeifGrid(file, {});
  check(full, 1);
  // Tiles of 8 pixels or more a side reduce by up to 8.
  const auto reduced = tivolen::decodeHeifGrid(file, [](tivolen::PictureSize) {
    return tivolen::PictureSize{1, 1};
  });
  if (reduced && reduced->status.isOk() && full && full->status.isOk() &&
      reduced->natural != full->natural) {
    std::abort();
  }
  const tivolen::ReadAt readAt = [&](std::uint64_t offset, char* out, std::size_t count) {
    if (offset > size || count > size - offset) return false;
    std::memcpy(out, data + offset, count);
    return true;
  };
  if (const auto metaEnd = tivolen::heifMetaEnd(size, readAt)) {
    const auto streamed =
        tivolen::decodeHeifGrid(tivolen::HeifFile(file.substr(0, *metaEnd), size, readAt), {});
    if (streamed.has_value() != full.has_value() ||
        (streamed && streamed->status.isOk() != full->status.isOk())) {
      std::abort();
    }
    check(streamed, 1);
  }
  return 0;
}

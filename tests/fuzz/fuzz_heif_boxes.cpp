// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIF box reader, the size checks of its coded streams and the grid
// layout it derives, down to the NAL units of every tile, read from the
// whole file and from its head alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "picture/heif_boxes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto structure = tivolen::readHeifStructure(file);
  if (!structure) return 0;
  // The size checks read every coded stream's parameter sets.
  tivolen::heifSizeProblem(*structure, file, std::int64_t{1} << 26, true);
  const auto layout = tivolen::readHeifGridLayout(*structure, file);
  if (!layout) return 0;
  // The same items read through the file's meta box alone, the rest read
  // at need, as the changer reads a photo: the same bytes or none.
  const tivolen::ReadAt readAt = [&](std::uint64_t offset, char* out, std::size_t count) {
    if (offset > size || count > size - offset) return false;
    std::memcpy(out, data + offset, count);
    return true;
  };
  const auto metaEnd = tivolen::heifMetaEnd(size, readAt);
  const tivolen::HeifFile partial(file.substr(0, metaEnd ? *metaEnd : 0), size, readAt);
  for (const auto& tile : layout->tiles) {
    std::string joined;
    std::string read;
    const auto bytes = tivolen::heifItemData(*structure, file, *tile.item, joined);
    const auto fromPartial = tivolen::heifItemData(*structure, partial, *tile.item, read);
    if (bytes.has_value() != fromPartial.has_value() || (bytes && *bytes != *fromPartial)) {
      std::abort();
    }
    if (bytes) tivolen::splitNalUnits(*bytes, tile.config.lengthSize);
  }
  return 0;
}

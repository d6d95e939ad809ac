// The HEIF box reader and the grid layout it derives, down to the NAL
// units of every tile.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/linux/heif_boxes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto structure = tivolen::readHeifStructure(file);
  if (!structure) return 0;
  const auto layout = tivolen::readHeifGridLayout(*structure, file);
  if (!layout) return 0;
  for (const auto& tile : layout->tiles) {
    std::string joined;
    if (const auto bytes = tivolen::heifItemData(*structure, file, *tile.item, joined)) {
      tivolen::splitNalUnits(*bytes, tile.config.lengthSize);
    }
  }
  return 0;
}

#include "tools/heif_grid_writer.h"

#include <libheif/heif.h>

#include <algorithm>
#include <map>
#include <optional>

#include "platform/linux/heif_boxes.h"

namespace tivolen {
namespace {

void put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i));
}

std::string box(const char (&type)[5], const std::string& payload) {
  std::string out;
  put(out, payload.size() + 8, 4);
  out.append(type, 4);
  return out + payload;
}

std::string fullBox(const char (&type)[5], int version, std::uint32_t flags,
                    const std::string& payload) {
  std::string head;
  put(head, static_cast<std::uint64_t>(version), 1);
  put(head, flags, 3);
  return box(type, head + payload);
}

struct CodedTile {
  std::string config;  // the hvcC box, whole
  std::string colour;  // the colr box, whole, when the encoder wrote one
  std::string data;
};

// One tile through libheif's encoder into a file of its own, and back out
// of it with the reader the decoder uses.
std::optional<CodedTile> codeTile(const std::uint8_t* rgb, int width, int height,
                                  std::ptrdiff_t stride, int left, int top,
                                  const HeifGridOptions& options) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  std::string file;
  if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
          heif_error_Ok &&
      heif_image_create(options.tileWidth, options.tileHeight, heif_colorspace_RGB,
                        heif_chroma_interleaved_RGB, &image)
              .code == heif_error_Ok &&
      heif_image_add_plane(image, heif_channel_interleaved, options.tileWidth, options.tileHeight,
                           8)
              .code == heif_error_Ok) {
    heif_encoder_set_lossy_quality(encoder, options.quality);
    int planeStride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &planeStride);
    // Beyond the picture's edge the tile repeats its last pixels, as
    // encoders pad.
    for (int y = 0; y < options.tileHeight; ++y) {
      const std::uint8_t* source = rgb + std::min(top + y, height - 1) * stride;
      std::uint8_t* target = plane + static_cast<std::ptrdiff_t>(y) * planeStride;
      for (int x = 0; x < options.tileWidth; ++x) {
        std::copy_n(source + std::ptrdiff_t{std::min(left + x, width - 1)} * 3, 3,
                    target + std::ptrdiff_t{x} * 3);
      }
    }
    if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code ==
        heif_error_Ok) {
      heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* target) {
                           static_cast<std::string*>(target)->append(static_cast<const char*>(data),
                                                                     size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                         }};
      heif_context_write(context, &writer, &file);
    }
  }
  if (image != nullptr) heif_image_release(image);
  if (encoder != nullptr) heif_encoder_release(encoder);
  heif_context_free(context);

  const auto structure = readHeifStructure(file);
  if (!structure) return std::nullopt;
  const HeifItem* item = structure->item(structure->primary);
  if (item == nullptr) return std::nullopt;
  const HeifProperty* config = structure->property(*item, fourCc("hvcC"));
  const HeifProperty* colour = structure->property(*item, fourCc("colr"));
  std::string joined;
  const auto data = heifItemData(*structure, HeifFile(file), *item, joined);
  if (config == nullptr || !data) return std::nullopt;
  CodedTile tile;
  tile.config = box("hvcC", std::string(config->body));
  if (colour != nullptr) tile.colour = box("colr", std::string(colour->body));
  tile.data = std::string(*data);
  return tile;
}

std::string sizeBox(int width, int height) {
  std::string payload;
  put(payload, static_cast<std::uint32_t>(width), 4);
  put(payload, static_cast<std::uint32_t>(height), 4);
  return fullBox("ispe", 0, 0, payload);
}

}  // namespace

std::string heifRotation(int quarterTurns) {
  return box("irot", std::string(1, static_cast<char>(quarterTurns & 3)));
}

std::string heifMirror(int axis) {
  return box("imir", std::string(1, static_cast<char>(axis & 1)));
}

std::string heifCrop(int width, int height, int horizontalOffset, int verticalOffset) {
  std::string payload;
  for (const int value : {width, height, horizontalOffset, verticalOffset}) {
    put(payload, static_cast<std::uint32_t>(value), 4);
    put(payload, 1, 4);
  }
  return box("clap", payload);
}

std::string writeHeifGrid(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                          const HeifGridOptions& options) {
  const int columns = (width + options.tileWidth - 1) / options.tileWidth;
  const int rows = (height + options.tileHeight - 1) / options.tileHeight;
  if (columns > 256 || rows > 256) return {};
  const int tileCount = columns * rows;

  // Properties: shared ones once, the tiles' configurations by content.
  std::vector<std::string> properties = {sizeBox(width, height),
                                         sizeBox(options.tileWidth, options.tileHeight)};
  std::map<std::string, int> configs;
  std::vector<int> tileConfig;
  std::string mdat;
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  std::string colour;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      auto tile = codeTile(rgb, width, height, stride, column * options.tileWidth,
                           row * options.tileHeight, options);
      if (!tile) return {};
      auto [found, added] = configs.try_emplace(tile->config, 0);
      if (added) {
        properties.push_back(tile->config);
        found->second = static_cast<int>(properties.size());
      }
      tileConfig.push_back(found->second);
      if (colour.empty()) colour = tile->colour;
      spans.emplace_back(mdat.size(), tile->data.size());
      mdat += tile->data;
    }
  }
  std::vector<int> gridProperties = {1};
  if (!colour.empty()) {
    properties.push_back(colour);
    gridProperties.push_back(static_cast<int>(properties.size()));
  }
  for (const std::string& transform : options.transforms) {
    properties.push_back(transform);
    gridProperties.push_back(static_cast<int>(properties.size()));
  }

  const bool large = width > 0xffff || height > 0xffff;
  std::string description;
  put(description, 0, 1);
  put(description, large ? 1 : 0, 1);
  put(description, static_cast<std::uint64_t>(rows - 1), 1);
  put(description, static_cast<std::uint64_t>(columns - 1), 1);
  put(description, static_cast<std::uint64_t>(width), large ? 4 : 2);
  put(description, static_cast<std::uint64_t>(height), large ? 4 : 2);

  const std::string ftyp = box("ftyp", "heic" + std::string(4, '\0') + "mif1heic");
  const auto meta = [&](std::size_t dataStart) {
    std::string handler(4, '\0');
    handler += "pict" + std::string(13, '\0');
    std::string primary;
    put(primary, 1, 2);
    std::string entries;
    put(entries, static_cast<std::uint64_t>(tileCount) + 1, 2);
    std::string gridEntry;
    put(gridEntry, 1, 2);
    put(gridEntry, 0, 2);
    entries += fullBox("infe", 2, 0, gridEntry + "grid" + std::string(1, '\0'));
    std::string tiles;
    put(tiles, 1, 2);
    put(tiles, static_cast<std::uint64_t>(tileCount), 2);
    std::string associations;
    const bool wide = properties.size() > 127;
    put(associations, static_cast<std::uint64_t>(tileCount) + 1, 4);
    const auto associate = [&](int id, const std::vector<int>& indexes) {
      put(associations, static_cast<std::uint64_t>(id), 2);
      put(associations, indexes.size(), 1);
      for (const int index : indexes) {
        put(associations, static_cast<std::uint64_t>(index), wide ? 2 : 1);
      }
    };
    associate(1, gridProperties);
    std::string locations;
    put(locations, 0x44, 1);  // offsets and lengths of 4 bytes
    put(locations, 0, 1);
    put(locations, static_cast<std::uint64_t>(tileCount) + 1, 2);
    put(locations, 1, 2);  // the grid: its description in idat
    put(locations, 1, 2);
    put(locations, 0, 2);
    put(locations, 1, 2);
    put(locations, 0, 4);
    put(locations, description.size(), 4);
    for (int t = 0; t < tileCount; ++t) {
      const std::uint64_t id = static_cast<std::uint64_t>(t) + 2;
      std::string entry;
      put(entry, id, 2);
      put(entry, 0, 2);
      entries += fullBox("infe", 2, 1, entry + "hvc1" + std::string(1, '\0'));
      put(tiles, id, 2);
      associate(t + 2, {tileConfig[static_cast<std::size_t>(t)], 2});
      put(locations, id, 2);
      put(locations, 0, 2);
      put(locations, 0, 2);
      put(locations, 1, 2);
      put(locations, dataStart + spans[static_cast<std::size_t>(t)].first, 4);
      put(locations, spans[static_cast<std::size_t>(t)].second, 4);
    }
    std::string container;
    for (const std::string& property : properties) container += property;
    return fullBox(
        "meta", 0, 0,
        fullBox("hdlr", 0, 0, handler) + fullBox("pitm", 0, 0, primary) +
            fullBox("iinf", 0, 0, entries) + fullBox("iref", 0, 0, box("dimg", tiles)) +
            box("iprp", box("ipco", container) + fullBox("ipma", 0, wide ? 1 : 0, associations)) +
            box("idat", description) + fullBox("iloc", 1, 0, locations));
  };
  const std::size_t dataStart = ftyp.size() + meta(0).size() + 8;
  return ftyp + meta(dataStart) + box("mdat", mdat);
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/heif_grid_writer.h"

#include <libheif/heif.h>

#include <algorithm>
#include <map>
#include <optional>

#include "picture/heif_boxes.h"

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

// Bits of a coded stream read and written first bit first.
class BitReader {
 public:
  explicit BitReader(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t read(int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count && at_ < bytes_.size() * 8; ++i, ++at_) {
      value = value << 1 | ((static_cast<unsigned char>(bytes_[at_ / 8]) >> (7 - at_ % 8)) & 1U);
    }
    return value;
  }
  std::uint64_t golomb() {
    int zeros = 0;
    while (at_ < bytes_.size() * 8 && read(1) == 0) ++zeros;
    return (std::uint64_t{1} << zeros) - 1 + read(zeros);
  }
  [[nodiscard]] std::size_t at() const { return at_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

class BitWriter {
 public:
  void put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bits_ % 8 == 0) out_ += '\0';
      if (((value >> i) & 1U) != 0)
        out_.back() = static_cast<char>(out_.back() | 0x80 >> bits_ % 8);
      ++bits_;
    }
  }
  void golomb(std::uint64_t value) {
    int length = 0;
    while ((value + 1) >> (length + 1) != 0) ++length;
    put(0, length);
    put(value + 1, length + 1);
  }
  // Copies what `from` holds from where it is up to its stop bit, then
  // writes the stop bit and the zeros to a whole byte.
  std::string finish(BitReader& from, std::string_view source) {
    std::size_t stop = source.size() * 8;
    while (stop > 0 &&
           ((static_cast<unsigned char>(source[(stop - 1) / 8]) >> (7 - (stop - 1) % 8)) & 1U) ==
               0) {
      --stop;
    }
    while (stop > 0 && from.at() < stop - 1) put(from.read(1), 1);
    put(1, 1);
    while (bits_ % 8 != 0) put(0, 1);
    return out_;
  }

 private:
  std::string out_;
  std::size_t bits_ = 0;
};

std::string withoutEmulationPrevention(std::string_view bytes) {
  std::string out;
  int zeros = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (zeros >= 2 && byte == 3) {
      zeros = 0;
      continue;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out += c;
  }
  return out;
}

std::string withEmulationPrevention(std::string_view bytes) {
  std::string out;
  int zeros = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (zeros >= 2 && byte <= 3) {
      out += '\3';
      zeros = 0;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out += c;
  }
  return out;
}

// An HEVC sequence parameter set claiming another picture size, without a
// conformance window; any other unit as it is.
std::string resizedHevcUnit(std::string_view unit, int width, int height) {
  if (unit.size() < 2 || ((static_cast<unsigned char>(unit[0]) >> 1) & 0x3fU) != 33) {
    return std::string(unit);
  }
  const std::string payload = withoutEmulationPrevention(unit.substr(2));
  BitReader in(payload);
  BitWriter out;
  const auto copy = [&](int count) {
    for (; count > 0; count -= std::min(count, 32)) {
      out.put(in.read(std::min(count, 32)), std::min(count, 32));
    }
  };
  copy(4);
  const auto subLayers = static_cast<int>(in.read(3));
  out.put(static_cast<std::uint64_t>(subLayers), 3);
  copy(1 + 96);
  int more = 0;
  for (int i = 0; i < subLayers; ++i) {
    const std::uint64_t profile = in.read(1);
    const std::uint64_t level = in.read(1);
    out.put(profile, 1);
    out.put(level, 1);
    more += static_cast<int>(88 * profile + 8 * level);
  }
  if (subLayers > 0) copy(2 * (8 - subLayers));
  copy(more);
  out.golomb(in.golomb());
  const std::uint64_t chroma = in.golomb();
  out.golomb(chroma);
  if (chroma == 3) copy(1);
  in.golomb();
  in.golomb();
  out.golomb(static_cast<std::uint64_t>(width));
  out.golomb(static_cast<std::uint64_t>(height));
  if (in.read(1) != 0) {
    for (int i = 0; i < 4; ++i) in.golomb();
  }
  out.put(0, 1);
  return std::string(unit.substr(0, 2)) + withEmulationPrevention(out.finish(in, payload));
}

std::string leb128(std::size_t value) {
  std::string out;
  do {
    out += static_cast<char>((value & 0x7fU) | (value > 0x7f ? 0x80U : 0U));
    value >>= 7;
  } while (value != 0);
  return out;
}

// An AV1 sequence header claiming another largest frame size; the frames
// take it as theirs unless they say otherwise.
std::string resizedAv1SequenceHeader(std::string_view payload, int width, int height) {
  BitReader in(payload);
  BitWriter out;
  const auto copy = [&](int count) {
    std::uint64_t value = 0;
    for (; count > 0; count -= std::min(count, 32)) {
      value = in.read(std::min(count, 32));
      out.put(value, std::min(count, 32));
    }
    return value;
  };
  copy(4);
  if (copy(1) != 0) {  // reduced still picture header
    copy(5);
  } else {
    bool decoderModel = false;
    int delayLength = 0;
    if (copy(1) != 0) {  // timing info
      copy(64);
      if (copy(1) != 0) {
        int zeros = 0;
        while (copy(1) == 0) ++zeros;
        copy(zeros);
      }
      decoderModel = copy(1) != 0;
      if (decoderModel) {
        delayLength = static_cast<int>(copy(5)) + 1;
        copy(42);
      }
    }
    const bool displayDelay = copy(1) != 0;
    const auto points = static_cast<int>(copy(5)) + 1;
    for (int i = 0; i < points; ++i) {
      copy(12);
      if (copy(5) > 7) copy(1);
      if (decoderModel && copy(1) != 0) copy(2 * delayLength + 1);
      if (displayDelay && copy(1) != 0) copy(4);
    }
  }
  const auto widthBits = static_cast<int>(in.read(4)) + 1;
  const auto heightBits = static_cast<int>(in.read(4)) + 1;
  in.read(widthBits);
  in.read(heightBits);
  out.put(15, 4);
  out.put(15, 4);
  out.put(static_cast<std::uint64_t>(width - 1), 16);
  out.put(static_cast<std::uint64_t>(height - 1), 16);
  return out.finish(in, payload);
}

// AV1 OBUs, each sequence header among them resized.
std::string resizedAv1Obus(std::string_view obus, int width, int height) {
  std::string result;
  std::size_t at = 0;
  while (at < obus.size()) {
    const auto header = static_cast<unsigned char>(obus[at]);
    std::size_t start = at + 1 + ((header & 4U) != 0 ? 1 : 0);
    std::size_t size = obus.size() - std::min(start, obus.size());
    if ((header & 2U) != 0) {
      size = 0;
      for (int i = 0; start < obus.size(); ++i) {
        const auto byte = static_cast<unsigned char>(obus[start++]);
        size |= std::size_t{byte & 0x7fU} << (7 * i);
        if ((byte & 0x80U) == 0) break;
      }
    }
    size = std::min(size, obus.size() - std::min(start, obus.size()));
    if (((header >> 3) & 15U) == 1) {
      const std::string payload = resizedAv1SequenceHeader(obus.substr(start, size), width, height);
      result += static_cast<char>(header | 2U);
      if ((header & 4U) != 0) result += obus[at + 1];
      result += leb128(payload.size()) + payload;
    } else {
      result.append(obus.substr(at, start + size - at));
    }
    at = start + size;
  }
  return result;
}

struct CodedTile {
  std::string config;  // the hvcC or av1C box, whole
  std::string colour;  // the colr box, whole, when the encoder wrote one
  std::string data;
};

// The tile's coded streams made to claim the hostile size.
void claimSize(CodedTile& tile, bool hevc, int width, int height, bool inDataOnly) {
  const std::string body = tile.config.substr(8);
  if (hevc) {
    const auto config = readHevcConfig(body);
    if (!config) return;
    // The configuration rebuilt unit by unit: its header, then the arrays.
    std::string rebuilt = body.substr(0, 22);
    std::size_t at = 23;
    const auto arrays = static_cast<unsigned char>(body[22]);
    rebuilt += body[22];
    for (int a = 0; a < arrays; ++a) {
      rebuilt += body.substr(at, 3);
      const int units =
          static_cast<unsigned char>(body[at + 1]) << 8 | static_cast<unsigned char>(body[at + 2]);
      at += 3;
      for (int u = 0; u < units; ++u) {
        const std::size_t length = static_cast<std::size_t>(
            static_cast<unsigned char>(body[at]) << 8 | static_cast<unsigned char>(body[at + 1]));
        const std::string unit = resizedHevcUnit(body.substr(at + 2, length), width, height);
        put(rebuilt, unit.size(), 2);
        rebuilt += unit;
        at += 2 + length;
      }
    }
    if (!inDataOnly) tile.config = box("hvcC", rebuilt);
    // A sequence parameter set of its own at the front of the tile's units.
    for (const std::string_view unit : config->parameterSets) {
      if (unit.size() >= 2 && ((static_cast<unsigned char>(unit[0]) >> 1) & 0x3fU) == 33) {
        const std::string resized = resizedHevcUnit(unit, width, height);
        std::string prefix;
        put(prefix, resized.size(), config->lengthSize);
        tile.data = prefix + resized + tile.data;
      }
    }
    return;
  }
  const std::string obus = resizedAv1Obus(tile.data, width, height);
  tile.config = box("av1C", body.substr(0, 4) + resizedAv1Obus(body.substr(4), width, height));
  tile.data = obus;
}

// One tile through libheif's encoder into a file of its own, and back out
// of it with the reader the decoder uses.
std::optional<CodedTile> codeTile(const std::uint8_t* rgb, int width, int height,
                                  std::ptrdiff_t stride, int left, int top, int tileWidth,
                                  int tileHeight, heif_compression_format codec,
                                  const HeifGridOptions& options) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  std::string file;
  if (heif_context_get_encoder_for_format(context, codec, &encoder).code == heif_error_Ok &&
      heif_image_create(tileWidth, tileHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                        &image)
              .code == heif_error_Ok &&
      heif_image_add_plane(image, heif_channel_interleaved, tileWidth, tileHeight, 8).code ==
          heif_error_Ok) {
    heif_encoder_set_lossy_quality(encoder, options.quality);
    if (codec == heif_compression_AV1) heif_encoder_set_parameter(encoder, "speed", "9");
    int planeStride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &planeStride);
    // Beyond the picture's edge the tile repeats its last pixels, as
    // encoders pad.
    for (int y = 0; y < tileHeight; ++y) {
      const std::uint8_t* source = rgb + std::min(top + y, height - 1) * stride;
      std::uint8_t* target = plane + static_cast<std::ptrdiff_t>(y) * planeStride;
      for (int x = 0; x < tileWidth; ++x) {
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
  const bool hevc = codec == heif_compression_HEVC;
  const HeifProperty* config = structure->property(*item, fourCc(hevc ? "hvcC" : "av1C"));
  const HeifProperty* colour = structure->property(*item, fourCc("colr"));
  std::string joined;
  const auto data = heifItemData(*structure, HeifFile(file), *item, joined);
  if (config == nullptr || !data) return std::nullopt;
  CodedTile tile;
  tile.config = box(hevc ? "hvcC" : "av1C", std::string(config->body));
  if (colour != nullptr) tile.colour = box("colr", std::string(colour->body));
  tile.data = std::string(*data);
  const auto& hostile = options.hostile;
  if (hostile.codedWidth > 0) {
    claimSize(tile, hevc, hostile.codedWidth, hostile.codedHeight, hostile.inDataOnly);
  }
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

namespace {

struct Item {
  std::uint32_t id = 0;
  std::string type;
  bool hidden = false;
  std::vector<int> properties;  // 1-based
  bool located = false;
  bool inIdat = false;
  std::size_t offset = 0;  // in idat or mdat
  std::size_t length = 0;
};

// A whole file from its items: ids of 32 bits, and the box versions that
// hold them, once any needs them.
std::string assemble(std::uint32_t primary, const std::vector<Item>& items,
                     const std::vector<std::string>& properties, const std::string& references,
                     const std::string& idat, const std::string& mdat, const char* brand) {
  const bool wide =
      std::any_of(items.begin(), items.end(), [](const Item& item) { return item.id > 0xffff; });
  const int idSize = wide ? 4 : 2;
  const bool wideIndexes = properties.size() > 127;
  const std::string ftyp = box("ftyp", std::string(brand) + std::string(4, '\0') + "mif1" + brand);
  const auto meta = [&](std::size_t dataStart) {
    std::string handler(4, '\0');
    handler += "pict" + std::string(13, '\0');
    std::string primaryId;
    put(primaryId, primary, idSize);
    std::string entries;
    put(entries, items.size(), wide ? 4 : 2);
    std::string associations;
    std::size_t associated = 0;
    std::string locations;
    put(locations, 0x44, 1);  // offsets and lengths of 4 bytes
    put(locations, 0, 1);
    std::size_t located = 0;
    std::string locationEntries;
    for (const Item& item : items) {
      std::string entry;
      put(entry, item.id, idSize);
      put(entry, 0, 2);
      entries += fullBox("infe", wide ? 3 : 2, item.hidden ? 1 : 0,
                         entry + item.type + std::string(1, '\0'));
      // At most 255 links an entry; more go into further entries.
      for (std::size_t first = 0; first < item.properties.size(); first += 255) {
        const std::size_t count = std::min<std::size_t>(255, item.properties.size() - first);
        put(associations, item.id, idSize);
        put(associations, count, 1);
        for (std::size_t i = first; i < first + count; ++i) {
          put(associations, static_cast<std::uint64_t>(item.properties[i]), wideIndexes ? 2 : 1);
        }
        ++associated;
      }
      if (!item.located) continue;
      ++located;
      put(locationEntries, item.id, idSize);
      put(locationEntries, item.inIdat ? 1 : 0, 2);
      put(locationEntries, 0, 2);
      put(locationEntries, 1, 2);
      put(locationEntries, item.inIdat ? item.offset : dataStart + item.offset, 4);
      put(locationEntries, item.length, 4);
    }
    put(locations, located, wide ? 4 : 2);
    locations += locationEntries;
    std::string associationCount;
    put(associationCount, associated, 4);
    std::string container;
    for (const std::string& property : properties) container += property;
    return fullBox(
        "meta", 0, 0,
        fullBox("hdlr", 0, 0, handler) + fullBox("pitm", wide ? 1 : 0, 0, primaryId) +
            fullBox("iinf", wide ? 1 : 0, 0, entries) +
            (references.empty() ? std::string() : fullBox("iref", wide ? 1 : 0, 0, references)) +
            box("iprp", box("ipco", container) + fullBox("ipma", wide ? 1 : 0, wideIndexes ? 1 : 0,
                                                         associationCount + associations)) +
            (idat.empty() ? std::string() : box("idat", idat)) +
            fullBox("iloc", wide ? 2 : 1, 0, locations));
  };
  const std::size_t dataStart = ftyp.size() + meta(0).size() + 8;
  return ftyp + meta(dataStart) + box("mdat", mdat);
}

}  // namespace

std::string writeHeifGrid(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                          const HeifGridOptions& options) {
  const auto& hostile = options.hostile;
  const int columns = (width + options.tileWidth - 1) / options.tileWidth;
  const int rows = (height + options.tileHeight - 1) / options.tileHeight;
  if (columns > 256 || rows > 256) return {};
  const int tileCount = columns * rows;

  // Properties: shared ones once, the tiles' configurations by content.
  std::vector<std::string> properties = {sizeBox(width, height),
                                         sizeBox(options.tileWidth, options.tileHeight)};
  std::map<std::string, int> configs;
  std::vector<Item> items(1);
  items[0].id = 1;
  items[0].type = "grid";
  items[0].properties = {1};
  for (int e = 0; e < hostile.extraItems; ++e) {
    Item item;
    item.id = static_cast<std::uint32_t>(e) + 2;
    item.type = "Exif";
    item.hidden = true;
    items.push_back(std::move(item));
  }
  const std::size_t firstTileItem = items.size();
  std::string mdat;
  std::string colour;
  const auto firstTile = static_cast<std::uint32_t>(hostile.extraItems) + 2;
  for (int t = 0; t < (hostile.oneTile ? 1 : tileCount); ++t) {
    auto tile = codeTile(rgb, width, height, stride, t % columns * options.tileWidth,
                         t / columns * options.tileHeight, options.tileWidth, options.tileHeight,
                         heif_compression_HEVC, options);
    if (!tile) return {};
    auto [found, added] = configs.try_emplace(tile->config, 0);
    if (added) {
      properties.push_back(tile->config);
      found->second = static_cast<int>(properties.size());
    }
    if (colour.empty()) colour = tile->colour;
    Item item;
    item.id = firstTile + static_cast<std::uint32_t>(t);
    item.type = "hvc1";
    item.hidden = true;
    item.properties = {found->second, 2};
    item.located = true;
    item.offset = mdat.size();
    item.length = tile->data.size();
    mdat += tile->data;
    items.push_back(std::move(item));
  }
  if (hostile.tileLinks > 0) {
    // Half to its configuration, half to its size.
    auto& links = items[firstTileItem].properties;
    const int config = links[0];
    for (int l = 0; l < hostile.tileLinks; ++l) links.push_back(l % 2 == 0 ? config : 2);
  }
  if (!colour.empty()) {
    properties.push_back(colour);
    items[0].properties.push_back(static_cast<int>(properties.size()));
  }
  for (const std::string& transform : options.transforms) {
    properties.push_back(transform);
    items[0].properties.push_back(static_cast<int>(properties.size()));
  }

  const std::uint64_t gridWidth =
      hostile.gridWidth > 0 ? std::uint64_t(hostile.gridWidth) : std::uint64_t(width);
  const std::uint64_t gridHeight =
      hostile.gridHeight > 0 ? std::uint64_t(hostile.gridHeight) : std::uint64_t(height);
  const bool large = gridWidth > 0xffff || gridHeight > 0xffff;
  std::string description;
  put(description, 0, 1);
  put(description, large ? 1 : 0, 1);
  put(description, static_cast<std::uint64_t>(rows - 1), 1);
  put(description, static_cast<std::uint64_t>(columns - 1), 1);
  put(description, gridWidth, large ? 4 : 2);
  put(description, gridHeight, large ? 4 : 2);
  items[0].located = true;
  items[0].inIdat = true;
  items[0].length = description.size();

  const bool wide = firstTile + static_cast<std::uint32_t>(tileCount) > 0xffff;
  std::string tiles;
  put(tiles, 1, wide ? 4 : 2);
  put(tiles, static_cast<std::uint64_t>(tileCount), 2);
  for (int t = 0; t < tileCount; ++t) {
    put(tiles, hostile.oneTile ? firstTile : firstTile + static_cast<std::uint32_t>(t),
        wide ? 4 : 2);
  }
  return assemble(1, items, properties, box("dimg", tiles), description, mdat, "heic");
}

std::string writeHeifImage(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                           int codec, const HeifGridOptions& options) {
  const auto format = static_cast<heif_compression_format>(codec);
  auto tile = codeTile(rgb, width, height, stride, 0, 0, width, height, format, options);
  if (!tile) return {};
  std::vector<std::string> properties = {sizeBox(width, height), tile->config};
  Item item;
  item.id = 1;
  item.type = format == heif_compression_HEVC ? "hvc1" : "av01";
  item.properties = {1, 2};
  if (!tile->colour.empty()) {
    properties.push_back(tile->colour);
    item.properties.push_back(3);
  }
  item.located = true;
  item.length = tile->data.size();
  return assemble(1, {item}, properties, "", "", tile->data,
                  format == heif_compression_HEVC ? "heic" : "avif");
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/heif_boxes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace tivolen {
namespace {

// Big-endian fields read from a span of bytes; once a read runs past the
// end every later read gives 0 and ok() stays false.
class Fields {
 public:
  explicit Fields(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] std::size_t left() const { return ok_ ? bytes_.size() - at_ : 0; }
  [[nodiscard]] std::string_view rest() const { return ok_ ? bytes_.substr(at_) : ""; }

  std::uint64_t read(int count) {
    if (!ok_ || static_cast<std::size_t>(count) > bytes_.size() - at_) {
      ok_ = false;
      return 0;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes_[at_++]);
    return value;
  }
  std::uint8_t u8() { return static_cast<std::uint8_t>(read(1)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(read(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
  std::string_view take(std::size_t count) {
    if (!ok_ || count > bytes_.size() - at_) {
      ok_ = false;
      return {};
    }
    const std::string_view part = bytes_.substr(at_, count);
    at_ += count;
    return part;
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// Calls `visit(type, body)` for each box in `bytes`; false when a box's size
// does not fit.
bool forEachBox(std::string_view bytes,
                const std::function<bool(std::uint32_t, std::string_view)>& visit) {
  Fields fields(bytes);
  while (fields.left() > 0) {
    const std::size_t start = bytes.size() - fields.left();
    std::uint64_t size = fields.u32();
    const std::uint32_t type = fields.u32();
    std::size_t header = 8;
    if (size == 1) {
      size = fields.read(8);
      header = 16;
    } else if (size == 0) {
      size = bytes.size() - start;
    }
    if (!fields.ok() || size < header || size > bytes.size() - start) return false;
    fields.take(static_cast<std::size_t>(size) - header);
    if (!visit(type, bytes.substr(start + header, static_cast<std::size_t>(size) - header))) {
      return false;
    }
  }
  return true;
}

struct ItemLocation {
  bool inIdat = false;
  std::vector<HeifExtent> extents;
};

bool readInfo(std::string_view body, std::vector<HeifItem>& items) {
  Fields fields(body);
  const std::uint8_t version = fields.u8();
  fields.read(3);
  fields.read(version == 0 ? 2 : 4);  // the count; the boxes themselves tell
  if (!fields.ok()) return false;
  return forEachBox(fields.rest(), [&](std::uint32_t type, std::string_view entry) {
    if (type != fourCc("infe")) return true;
    Fields infe(entry);
    const std::uint8_t entryVersion = infe.u8();
    const auto flags = static_cast<std::uint32_t>(infe.read(3));
    if (entryVersion < 2) return infe.ok();  // old entries name no item type
    HeifItem item;
    item.id = static_cast<std::uint32_t>(infe.read(entryVersion == 2 ? 2 : 4));
    infe.u16();  // protection
    item.type = infe.u32();
    item.hidden = (flags & 1U) != 0;
    items.push_back(std::move(item));
    return infe.ok();
  });
}

bool readLocations(std::string_view body, std::map<std::uint32_t, ItemLocation>& locations) {
  Fields fields(body);
  const std::uint8_t version = fields.u8();
  fields.read(3);
  if (version > 2) return false;
  const std::uint8_t sizes = fields.u8();
  const std::uint8_t moreSizes = fields.u8();
  const int offsetSize = sizes >> 4;
  const int lengthSize = sizes & 15;
  const int baseSize = moreSizes >> 4;
  const int indexSize = version >= 1 ? moreSizes & 15 : 0;
  for (const int size : {offsetSize, lengthSize, baseSize, indexSize}) {
    if (size != 0 && size != 4 && size != 8) return false;
  }
  const std::uint32_t count = version < 2 ? fields.u16() : fields.u32();
  for (std::uint32_t i = 0; i < count && fields.ok(); ++i) {
    const auto id = static_cast<std::uint32_t>(fields.read(version < 2 ? 2 : 4));
    ItemLocation location;
    int method = 0;
    if (version >= 1) method = fields.u16() & 15;
    fields.u16();  // data reference: 0, this file
    const std::uint64_t base = fields.read(baseSize);
    const std::uint16_t extents = fields.u16();
    for (std::uint16_t e = 0; e < extents && fields.ok(); ++e) {
      fields.read(indexSize);
      const std::uint64_t offset = fields.read(offsetSize);
      const std::uint64_t length = fields.read(lengthSize);
      if (offset > UINT64_MAX - base) return false;
      location.extents.push_back({base + offset, length});
    }
    if (method > 1) continue;  // offsets into other items: not located
    location.inIdat = method == 1;
    locations[id] = std::move(location);
  }
  return fields.ok();
}

bool readReferences(std::string_view body, std::vector<HeifReference>& references) {
  Fields fields(body);
  const std::uint8_t version = fields.u8();
  fields.read(3);
  const int idSize = version == 0 ? 2 : 4;
  if (!fields.ok()) return false;
  return forEachBox(fields.rest(), [&](std::uint32_t type, std::string_view entry) {
    Fields reference(entry);
    HeifReference out;
    out.type = type;
    out.from = static_cast<std::uint32_t>(reference.read(idSize));
    const std::uint16_t count = reference.u16();
    for (std::uint16_t i = 0; i < count && reference.ok(); ++i) {
      out.to.push_back(static_cast<std::uint32_t>(reference.read(idSize)));
    }
    references.push_back(std::move(out));
    return reference.ok();
  });
}

bool readAssociations(std::string_view body,
                      std::map<std::uint32_t, std::vector<std::uint16_t>>& associations) {
  Fields fields(body);
  const std::uint8_t version = fields.u8();
  const auto flags = static_cast<std::uint32_t>(fields.read(3));
  const std::uint32_t count = fields.u32();
  for (std::uint32_t i = 0; i < count && fields.ok(); ++i) {
    const auto id = static_cast<std::uint32_t>(fields.read(version < 1 ? 2 : 4));
    const std::uint8_t properties = fields.u8();
    std::vector<std::uint16_t>& list = associations[id];
    for (int p = 0; p < properties && fields.ok(); ++p) {
      const auto index = (flags & 1U) != 0 ? static_cast<std::uint16_t>(fields.u16() & 0x7fffU)
                                           : static_cast<std::uint16_t>(fields.u8() & 0x7fU);
      if (index != 0) list.push_back(index);
    }
  }
  return fields.ok();
}

bool readMeta(std::string_view body, HeifStructure& out) {
  Fields header(body);
  header.u32();  // version and flags
  if (!header.ok()) return false;
  bool pictures = false;
  std::map<std::uint32_t, ItemLocation> locations;
  std::map<std::uint32_t, std::vector<std::uint16_t>> associations;
  const bool read = forEachBox(header.rest(), [&](std::uint32_t type, std::string_view box) {
    Fields fields(box);
    if (type == fourCc("hdlr")) {
      fields.read(8);
      pictures = fields.u32() == fourCc("pict");
      return fields.ok();
    }
    if (type == fourCc("pitm")) {
      const std::uint8_t version = fields.u8();
      fields.read(3);
      out.primary = static_cast<std::uint32_t>(fields.read(version == 0 ? 2 : 4));
      return fields.ok();
    }
    if (type == fourCc("iinf")) return readInfo(box, out.items);
    if (type == fourCc("iloc")) return readLocations(box, locations);
    if (type == fourCc("iref")) return readReferences(box, out.references);
    if (type == fourCc("idat")) {
      out.idat = box;
      return true;
    }
    if (type == fourCc("iprp")) {
      return forEachBox(box, [&](std::uint32_t inner, std::string_view content) {
        if (inner == fourCc("ipco")) {
          return forEachBox(content, [&](std::uint32_t property, std::string_view payload) {
            out.properties.push_back({property, payload});
            return true;
          });
        }
        if (inner == fourCc("ipma")) return readAssociations(content, associations);
        return true;
      });
    }
    return true;
  });
  if (!read || !pictures) return false;
  for (HeifItem& item : out.items) {
    if (const auto found = locations.find(item.id); found != locations.end()) {
      item.located = true;
      item.inIdat = found->second.inIdat;
      item.extents = found->second.extents;
    }
    if (const auto found = associations.find(item.id); found != associations.end()) {
      item.properties = found->second;
    }
  }
  return true;
}

// A fraction from the clean aperture box, as a double: the numbers are
// 32-bit, so the result is exact enough to round as whole pixels.
double fraction(Fields& fields, bool isSigned) {
  const std::uint32_t numerator = fields.u32();
  const std::uint32_t denominator = fields.u32();
  if (denominator == 0 || denominator > 0x7fffffffU) return NAN;
  const double top = isSigned ? static_cast<double>(static_cast<std::int32_t>(numerator))
                              : static_cast<double>(numerator);
  return top / static_cast<double>(denominator);
}

// The current (rotated, mirrored) picture's size and the mapping from its
// window, as the layout describes it.
struct Geometry {
  HeifGridLayout& layout;

  [[nodiscard]] int width() const { return layout.uprightWidth(); }
  [[nodiscard]] int height() const { return layout.uprightHeight(); }

  // Turned a quarter anticlockwise `turns` times.
  void rotate(int turns) {
    for (int i = 0; i < turns; ++i) {
      // (u, v) -> (v, width - 1 - u)
      const int xx = layout.xx;
      const int xy = layout.xy;
      layout.xx = layout.yx;
      layout.xy = layout.yy;
      layout.yx = -xx;
      layout.yy = -xy;
    }
  }
  void mirror(bool topToBottom) {
    if (topToBottom) {
      layout.yx = -layout.yx;
      layout.yy = -layout.yy;
    } else {
      layout.xx = -layout.xx;
      layout.xy = -layout.xy;
    }
  }
  // The current picture's pixel (u, v) in window pixels.
  [[nodiscard]] std::pair<int, int> toWindow(int u, int v) const {
    const auto& w = layout.window;
    const int offsetU = (layout.xx < 0 ? w.width - 1 : 0) + (layout.xy < 0 ? w.height - 1 : 0);
    const int offsetV = (layout.yx < 0 ? w.width - 1 : 0) + (layout.yy < 0 ? w.height - 1 : 0);
    // The mapping is a signed permutation: its inverse is its transpose.
    return {layout.xx * (u - offsetU) + layout.yx * (v - offsetV),
            layout.xy * (u - offsetU) + layout.yy * (v - offsetV)};
  }
  // Cropped to the clean aperture, rounded and clamped as libheif does.
  bool crop(std::string_view body) {
    Fields fields(body);
    const double apertureWidth = fraction(fields, false);
    const double apertureHeight = fraction(fields, false);
    const double horizontal = fraction(fields, true);
    const double vertical = fraction(fields, true);
    if (!fields.ok() || std::isnan(apertureWidth + apertureHeight + horizontal + vertical)) {
      return false;
    }
    // The left edge rounds down, the others to the nearest pixel.
    const double left = std::floor(horizontal + (width() - 1) / 2.0 - (apertureWidth - 1) / 2.0);
    const double top =
        std::floor(vertical + (height() - 1) / 2.0 - (apertureHeight - 1) / 2.0 + 0.5);
    const double right = std::floor(apertureWidth - 1 + left + 0.5);
    const double bottom = std::floor(apertureHeight - 1 + top + 0.5);
    if (!(left < width() && top < height() && right >= 0 && bottom >= 0)) return false;
    const int first = static_cast<int>(std::max(left, 0.0));
    const int last = static_cast<int>(std::min(right, width() - 1.0));
    const int firstRow = static_cast<int>(std::max(top, 0.0));
    const int lastRow = static_cast<int>(std::min(bottom, height() - 1.0));
    if (first > last || firstRow > lastRow) return false;
    const auto [x0, y0] = toWindow(first, firstRow);
    const auto [x1, y1] = toWindow(last, lastRow);
    auto& w = layout.window;
    w = {w.x + std::min(x0, x1), w.y + std::min(y0, y1), std::abs(x1 - x0) + 1,
         std::abs(y1 - y0) + 1};
    return true;
  }
};

bool isTransform(std::uint32_t type) {
  return type == fourCc("irot") || type == fourCc("imir") || type == fourCc("clap");
}

bool isAlpha(const HeifStructure& structure, const HeifItem& item) {
  const HeifProperty* auxiliary = structure.property(item, fourCc("auxC"));
  if (auxiliary == nullptr) return false;
  const std::string_view urn = auxiliary->body.size() > 4 ? auxiliary->body.substr(4) : "";
  return urn.find("alpha") != std::string_view::npos ||
         urn.starts_with("urn:mpeg:hevc:2015:auxid:1");
}

// Bits of a coded stream, first bit first; once a read runs past the end
// every later read gives 0 and ok() stays false.
class Bits {
 public:
  explicit Bits(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] bool ok() const { return ok_; }

  std::uint64_t read(int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (at_ >= bytes_.size() * 8) {
        ok_ = false;
        return 0;
      }
      const auto byte = static_cast<unsigned char>(bytes_[at_ / 8]);
      value = value << 1 | ((byte >> (7 - at_ % 8)) & 1U);
      ++at_;
    }
    return value;
  }
  // ue(v) of H.265; values that need more than 32 bits end the reading.
  std::uint64_t golomb() {
    int zeros = 0;
    while (ok_ && read(1) == 0) {
      if (++zeros > 32) ok_ = false;
    }
    return ok_ ? (std::uint64_t{1} << zeros) - 1 + read(zeros) : 0;
  }
  // uvlc() of AV1.
  std::uint64_t uvlc() {
    int zeros = 0;
    while (ok_ && read(1) == 0) ++zeros;
    if (zeros >= 32) return 0xffffffffU;
    return (std::uint64_t{1} << zeros) - 1 + read(zeros);
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// An HEVC unit's payload without the emulation prevention bytes, as far as
// `limit` bytes: the size comes within the first hundred or so.
std::string unescaped(std::string_view unit, std::size_t limit) {
  std::string out;
  int zeros = 0;
  for (std::size_t i = 0; i < unit.size() && out.size() < limit; ++i) {
    const auto byte = static_cast<unsigned char>(unit[i]);
    if (zeros >= 2 && byte == 3) {
      zeros = 0;
      continue;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out += static_cast<char>(byte);
  }
  return out;
}

std::optional<CodedSize> readAv1SequenceHeader(std::string_view payload) {
  Bits bits(payload);
  bits.read(3);             // profile
  bits.read(1);             // still picture
  if (bits.read(1) != 0) {  // reduced still picture header
    bits.read(5);
  } else {
    bool decoderModel = false;
    int delayLength = 0;
    if (bits.read(1) != 0) {  // timing info
      bits.read(64);
      if (bits.read(1) != 0) bits.uvlc();
      decoderModel = bits.read(1) != 0;
      if (decoderModel) {
        delayLength = static_cast<int>(bits.read(5)) + 1;
        bits.read(32 + 5 + 5);
      }
    }
    const bool displayDelay = bits.read(1) != 0;
    const int points = static_cast<int>(bits.read(5)) + 1;
    for (int i = 0; i < points && bits.ok(); ++i) {
      bits.read(12);
      if (bits.read(5) > 7) bits.read(1);  // level, tier
      if (decoderModel && bits.read(1) != 0) bits.read(2 * delayLength + 1);
      if (displayDelay && bits.read(1) != 0) bits.read(4);
    }
  }
  const int widthBits = static_cast<int>(bits.read(4)) + 1;
  const int heightBits = static_cast<int>(bits.read(4)) + 1;
  CodedSize size;
  size.width = static_cast<std::int64_t>(bits.read(widthBits)) + 1;
  size.height = static_cast<std::int64_t>(bits.read(heightBits)) + 1;
  if (!bits.ok()) return std::nullopt;
  return size;
}

// The head of a derived picture's description: a grid's rows, columns and
// canvas, an overlay's fill colour and canvas. Each reader judges the values.
struct DerivedHead {
  std::uint8_t version = 0;
  int rows = 1;
  int columns = 1;
  std::uint64_t width = 0;
  std::uint64_t height = 0;
};

// Nothing when the description cannot be read.
std::optional<DerivedHead> readDerivedHead(const HeifStructure& structure, const HeifFile& file,
                                           const HeifItem& item) {
  std::string joined;
  const std::optional<std::string_view> description = heifItemData(structure, file, item, joined);
  if (!description) return std::nullopt;
  const bool isGrid = item.type == fourCc("grid");
  Fields fields(*description);
  DerivedHead head;
  head.version = fields.u8();
  const int fieldSize = (fields.u8() & 1U) != 0 ? 4 : 2;
  if (isGrid) {
    head.rows = fields.u8() + 1;
    head.columns = fields.u8() + 1;
  } else {
    fields.read(8);  // the fill colour
  }
  head.width = fields.read(fieldSize);
  head.height = fields.read(fieldSize);
  if (!fields.ok()) return std::nullopt;
  return head;
}

}  // namespace

const HeifItem* HeifStructure::item(std::uint32_t id) const {
  const auto found = std::lower_bound(byId.begin(), byId.end(), std::make_pair(id, 0U));
  return found == byId.end() || found->first != id ? nullptr : &items[found->second];
}

const HeifProperty* HeifStructure::property(const HeifItem& of, std::uint32_t type) const {
  for (const std::uint16_t index : of.properties) {
    if (index <= properties.size() && properties[index - 1].type == type) {
      return &properties[index - 1];
    }
  }
  return nullptr;
}

std::optional<HeifStructure> readHeifStructure(std::string_view file) {
  HeifStructure out;
  bool first = true;
  bool typed = false;
  bool meta = false;
  bool metaRead = false;
  // A file cut short may still hold a whole meta box: the boxes after it
  // are only needed when an item points into them, and that is checked then.
  forEachBox(file, [&](std::uint32_t type, std::string_view body) {
    if (first) typed = type == fourCc("ftyp");
    first = false;
    if (type == fourCc("meta") && !meta) {
      meta = true;
      metaRead = readMeta(body, out);
      return metaRead;
    }
    return true;
  });
  if (!typed || !metaRead) return std::nullopt;
  out.byId.reserve(out.items.size());
  for (std::size_t i = 0; i < out.items.size(); ++i) {
    out.byId.emplace_back(out.items[i].id, static_cast<std::uint32_t>(i));
  }
  std::sort(out.byId.begin(), out.byId.end());
  // Ids are unique; where they are not, decoders differ in which item they
  // take, and a check of one says nothing of the other.
  if (std::adjacent_find(out.byId.begin(), out.byId.end(), [](const auto& a, const auto& b) {
        return a.first == b.first;
      }) != out.byId.end()) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::uint64_t> heifMetaEnd(std::uint64_t size, const ReadAt& readAt) {
  std::uint64_t at = 0;
  for (int box = 0; box < 64 && size - at >= 8; ++box) {
    std::array<char, 16> header{};
    if (!readAt(at, header.data(), 8)) return std::nullopt;
    Fields fields(std::string_view(header.data(), 8));
    std::uint64_t boxSize = fields.u32();
    const std::uint32_t type = fields.u32();
    std::uint64_t headerSize = 8;
    if (boxSize == 1) {
      if (size - at < 16 || !readAt(at + 8, header.data() + 8, 8)) return std::nullopt;
      boxSize = Fields(std::string_view(header.data() + 8, 8)).read(8);
      headerSize = 16;
    } else if (boxSize == 0) {
      boxSize = size - at;
    }
    if (boxSize < headerSize || boxSize > size - at) return std::nullopt;
    if (type == fourCc("meta")) return at + boxSize;
    at += boxSize;
  }
  return std::nullopt;
}

std::optional<std::string_view> heifItemData(const HeifStructure& structure, const HeifFile& file,
                                             const HeifItem& item, std::string& joined) {
  if (!item.located) return std::nullopt;
  const std::string_view inMemory = item.inIdat ? structure.idat : file.head;
  const std::uint64_t size = item.inIdat ? structure.idat.size() : file.size;
  joined.clear();
  std::optional<std::string_view> single;
  for (const HeifExtent& extent : item.extents) {
    if (extent.offset > size) return std::nullopt;
    const std::uint64_t available = size - extent.offset;
    const std::uint64_t length = extent.length == 0 ? available : extent.length;
    // Extents may overlap; joined, no honest item is longer than its source.
    if (length > available || length > size - joined.size()) return std::nullopt;
    if (length <= inMemory.size() && extent.offset <= inMemory.size() - length) {
      const std::string_view part = inMemory.substr(static_cast<std::size_t>(extent.offset),
                                                    static_cast<std::size_t>(length));
      if (item.extents.size() == 1) {
        single = part;
      } else {
        joined.append(part);
      }
    } else {
      if (!file.readAt) return std::nullopt;
      const std::size_t at = joined.size();
      joined.resize(at + static_cast<std::size_t>(length));
      if (!file.readAt(extent.offset, joined.data() + at, static_cast<std::size_t>(length))) {
        return std::nullopt;
      }
    }
  }
  if (single) return single;
  return std::string_view(joined);
}

std::optional<HevcConfig> readHevcConfig(std::string_view body) {
  Fields fields(body);
  HevcConfig config;
  fields.take(16);
  config.chromaFormat = fields.u8() & 3;
  config.bitDepthLuma = (fields.u8() & 7) + 8;
  config.bitDepthChroma = (fields.u8() & 7) + 8;
  fields.take(2);
  config.lengthSize = (fields.u8() & 3) + 1;
  const std::uint8_t arrays = fields.u8();
  for (int a = 0; a < arrays && fields.ok(); ++a) {
    fields.u8();  // NAL unit type
    const std::uint16_t units = fields.u16();
    for (int u = 0; u < units && fields.ok(); ++u) {
      config.parameterSets.push_back(fields.take(fields.u16()));
    }
  }
  if (!fields.ok() || config.lengthSize == 3) return std::nullopt;
  return config;
}

std::optional<std::vector<std::string_view>> splitNalUnits(std::string_view data, int lengthSize) {
  Fields fields(data);
  std::vector<std::string_view> units;
  while (fields.left() > 0) {
    const std::uint64_t length = fields.read(lengthSize);
    if (length == 0 || length > fields.left()) return std::nullopt;
    units.push_back(fields.take(static_cast<std::size_t>(length)));
  }
  if (!fields.ok()) return std::nullopt;
  return units;
}

std::optional<HeifGridLayout> readHeifGridLayout(const HeifStructure& structure,
                                                 const HeifFile& file) {
  const HeifItem* grid = structure.item(structure.primary);
  if (grid == nullptr || grid->type != fourCc("grid")) return std::nullopt;
  const std::optional<DerivedHead> head = readDerivedHead(structure, file, *grid);
  if (!head || head->version != 0 || head->width == 0 || head->height == 0 ||
      head->width > 0x7fffffff || head->height > 0x7fffffff) {
    return std::nullopt;
  }
  HeifGridLayout layout;
  layout.rows = head->rows;
  layout.columns = head->columns;
  layout.width = static_cast<int>(head->width);
  layout.height = static_cast<int>(head->height);

  const HeifReference* tiles = nullptr;
  for (const HeifReference& reference : structure.references) {
    if (reference.type == fourCc("dimg") && reference.from == grid->id) {
      if (tiles != nullptr) return std::nullopt;
      tiles = &reference;
    }
    // Transparency comes as an auxiliary picture: left to libheif.
    if (reference.type == fourCc("auxl") &&
        std::find(reference.to.begin(), reference.to.end(), grid->id) != reference.to.end()) {
      const HeifItem* auxiliary = structure.item(reference.from);
      if (auxiliary == nullptr || isAlpha(structure, *auxiliary)) return std::nullopt;
    }
  }
  if (tiles == nullptr ||
      tiles->to.size() != static_cast<std::size_t>(layout.rows) * layout.columns) {
    return std::nullopt;
  }
  // A grid may name one item tens of thousands of times: each is read once.
  std::map<std::uint32_t, std::size_t> read;  // id, its first tile
  for (const std::uint32_t id : tiles->to) {
    if (const auto found = read.find(id); found != read.end()) {
      layout.tiles.push_back(layout.tiles[found->second]);
      continue;
    }
    read.emplace(id, layout.tiles.size());
    const HeifItem* tile = structure.item(id);
    if (tile == nullptr || tile->type != fourCc("hvc1") || !tile->located) return std::nullopt;
    const HeifProperty* configuration = structure.property(*tile, fourCc("hvcC"));
    const HeifProperty* size = structure.property(*tile, fourCc("ispe"));
    if (configuration == nullptr || size == nullptr) return std::nullopt;
    for (const std::uint16_t index : tile->properties) {
      if (index > structure.properties.size() ||
          isTransform(structure.properties[index - 1].type)) {
        return std::nullopt;
      }
    }
    auto config = readHevcConfig(configuration->body);
    if (!config || config->bitDepthLuma != 8 || config->bitDepthChroma != 8) return std::nullopt;
    Fields fields(size->body);
    fields.u32();
    const std::uint32_t width = fields.u32();
    const std::uint32_t height = fields.u32();
    if (!fields.ok() || width == 0 || height == 0 || width > 0xffff || height > 0xffff) {
      return std::nullopt;
    }
    if (layout.tiles.empty()) {
      layout.tileWidth = static_cast<int>(width);
      layout.tileHeight = static_cast<int>(height);
    } else if (layout.tileWidth != static_cast<int>(width) ||
               layout.tileHeight != static_cast<int>(height)) {
      return std::nullopt;
    }
    layout.tiles.push_back({tile, std::move(*config)});
  }
  // The tiles cover the picture, and only just: no row or column lies
  // wholly outside it.
  const auto covers = [](int count, int tile, int side) {
    return std::int64_t{count} * tile >= side && std::int64_t{count - 1} * tile < side;
  };
  if (!covers(layout.columns, layout.tileWidth, layout.width) ||
      !covers(layout.rows, layout.tileHeight, layout.height)) {
    return std::nullopt;
  }

  layout.window = {0, 0, layout.width, layout.height};
  Geometry geometry{layout};
  for (const std::uint16_t index : grid->properties) {
    if (index > structure.properties.size()) return std::nullopt;
    const HeifProperty& property = structure.properties[index - 1];
    Fields fields(property.body);
    if (property.type == fourCc("ispe")) {
      fields.u32();
      if (fields.u32() != static_cast<std::uint32_t>(layout.width) ||
          fields.u32() != static_cast<std::uint32_t>(layout.height)) {
        return std::nullopt;
      }
    } else if (property.type == fourCc("irot")) {
      geometry.rotate(fields.u8() & 3);
    } else if (property.type == fourCc("imir")) {
      // Axis 0 turns the picture upside down, 1 swaps left and right.
      geometry.mirror((fields.u8() & 1) == 0);
    } else if (property.type == fourCc("clap")) {
      if (!geometry.crop(property.body)) return std::nullopt;
    } else if (property.type == fourCc("colr") && fields.u32() == fourCc("nclx")) {
      fields.u16();  // primaries
      fields.u16();  // transfer
      layout.matrixCoefficients = fields.u16();
      layout.fullRange = (fields.u8() & 0x80) != 0;
    }
    if (!fields.ok()) return std::nullopt;
  }
  return layout;
}

namespace {

std::string sizeText(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The size an item's ispe states; nothing when none does, or two differ:
// decoders take either the first or the last.
std::optional<CodedSize> statedSize(const HeifStructure& structure, const HeifItem& item) {
  std::optional<CodedSize> stated;
  for (const std::uint16_t index : item.properties) {
    if (index > structure.properties.size()) continue;
    const HeifProperty& property = structure.properties[index - 1];
    if (property.type != fourCc("ispe")) continue;
    Fields fields(property.body);
    fields.u32();
    const std::uint32_t width = fields.u32();
    const std::uint32_t height = fields.u32();
    if (!fields.ok() || (stated && (stated->width != width || stated->height != height))) {
      return std::nullopt;
    }
    stated = CodedSize{width, height};
  }
  return stated;
}

// The size as libheif 1.15 writes it for an item it turns a quarter (irot
// 1 or 3): turned too, unlike what other writers and the standard do.
std::optional<CodedSize> turnedSize(const HeifStructure& structure, const HeifItem& item,
                                    const std::optional<CodedSize>& stated) {
  const HeifProperty* rotation = structure.property(item, fourCc("irot"));
  if (!stated || rotation == nullptr || rotation->body.empty() ||
      (static_cast<unsigned char>(rotation->body[0]) & 1U) == 0) {
    return std::nullopt;
  }
  return CodedSize{stated->height, stated->width};
}

// Sides come from 32-bit fields, so their product is formed only once each
// side alone is within the limit.
bool morePixelsThan(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
  return width > maxPixels || height > maxPixels || width * height > maxPixels;
}

// Walks the primary picture and what it is made of, each item once.
class SizeCheck {
 public:
  SizeCheck(const HeifStructure& structure, const HeifFile& file, std::int64_t maxPixels,
            bool itemData)
      : structure_(structure), file_(file), maxPixels_(maxPixels), itemData_(itemData) {}

  std::optional<std::string> item(std::uint32_t id, int depth) {
    // Derivations nest an item or two deep; deeper is a loop or a trap.
    if (depth > 8) return "pictures derived from one another too deeply";
    if (!checked_.insert(id).second) return std::nullopt;
    const HeifItem* item = structure_.item(id);
    if (item == nullptr) return std::nullopt;  // the decoder says what is missing
    const auto stated = statedSize(structure_, *item);
    if (stated && morePixelsThan(stated->width, stated->height, maxPixels_)) {
      return "picture too large: " + sizeText(stated->width, stated->height);
    }
    if (item->type == fourCc("hvc1") || item->type == fourCc("av01")) {
      if (!stated) return "a coded picture without its size";
      return coded(*item, *stated);
    }
    if (item->type == fourCc("grid")) return grid(*item, stated, depth);
    if (item->type == fourCc("iovl")) return overlay(*item, stated, depth);
    if (item->type == fourCc("iden")) return derivedFrom(*item, depth);
    return std::nullopt;
  }

  // Transparency and the like, decoded with the primary picture.
  std::optional<std::string> auxiliaries(std::uint32_t primary) {
    for (const HeifReference& reference : structure_.references) {
      if (reference.type == fourCc("auxl") &&
          std::find(reference.to.begin(), reference.to.end(), primary) != reference.to.end()) {
        if (auto problem = item(reference.from, 1)) return problem;
      }
    }
    return std::nullopt;
  }

 private:
  std::optional<std::string> fits(const CodedSize& coded, const CodedSize& stated,
                                  const std::optional<CodedSize>& turned, const char* codec) const {
    if (heifCodedSizeFits(coded, stated.width, stated.height, maxPixels_) ||
        (turned && heifCodedSizeFits(coded, turned->width, turned->height, maxPixels_))) {
      return std::nullopt;
    }
    return std::string("the ") + codec + " stream is " + sizeText(coded.width, coded.height) +
           " where the file says " + sizeText(stated.width, stated.height);
  }

  std::optional<std::string> coded(const HeifItem& item, const CodedSize& stated) {
    const bool hevc = item.type == fourCc("hvc1");
    const auto turned = turnedSize(structure_, item, stated);
    std::string joined;
    std::optional<std::string_view> data;
    if (itemData_) data = heifItemData(structure_, file_, item, joined);
    // Every configuration box, once however often it is named: a decoder
    // may take any of them.
    std::set<std::uint16_t> seen;
    for (const std::uint16_t index : item.properties) {
      if (index > structure_.properties.size() || !seen.insert(index).second) continue;
      const HeifProperty& config = structure_.properties[index - 1];
      if (hevc && config.type == fourCc("hvcC")) {
        const auto hevcConfig = readHevcConfig(config.body);
        if (!hevcConfig) return "damaged HEVC configuration";
        for (const std::string_view unit : hevcConfig->parameterSets) {
          if (auto problem = hevcUnit(unit, stated, turned)) return problem;
        }
        // The units within the item's bytes, as far as they are whole: a
        // parameter set there replaces the configuration's.
        Fields fields(data.value_or(""));
        while (fields.ok() && fields.left() > 0) {
          const std::string_view unit = fields.take(fields.read(hevcConfig->lengthSize));
          if (auto problem = hevcUnit(unit, stated, turned)) return problem;
        }
      } else if (!hevc && config.type == fourCc("av1C")) {
        for (const std::string_view obus :
             {config.body.size() > 4 ? config.body.substr(4) : "", data.value_or("")}) {
          const auto sizes = readAv1CodedSizes(obus);
          if (!sizes) return "damaged AV1 stream";
          for (const CodedSize& size : *sizes) {
            if (auto problem = fits(size, stated, turned, "AV1")) return problem;
          }
        }
      }
    }
    return std::nullopt;
  }

  std::optional<std::string> hevcUnit(std::string_view unit, const CodedSize& stated,
                                      const std::optional<CodedSize>& turned) const {
    if (unit.size() < 2 || ((static_cast<unsigned char>(unit[0]) >> 1) & 0x3fU) != 33) {
      return std::nullopt;
    }
    const auto size = readHevcCodedSize(unit);
    if (!size) return "damaged HEVC sequence parameter set";
    return fits(*size, stated, turned, "HEVC");
  }

  // The items this one is derived from, in order; nothing when none are
  // named or they are named twice over.
  [[nodiscard]] const std::vector<std::uint32_t>* sources(const HeifItem& item) const {
    const std::vector<std::uint32_t>* found = nullptr;
    for (const HeifReference& reference : structure_.references) {
      if (reference.type == fourCc("dimg") && reference.from == item.id) {
        if (found != nullptr) return nullptr;
        found = &reference.to;
      }
    }
    return found;
  }

  std::optional<std::string> derivedFrom(const HeifItem& item, int depth) {
    for (const HeifReference& reference : structure_.references) {
      if (reference.type != fourCc("dimg") || reference.from != item.id) continue;
      for (const std::uint32_t id : reference.to) {
        if (auto problem = this->item(id, depth + 1)) return problem;
      }
    }
    return std::nullopt;
  }

  // The canvas a derived picture is drawn on: within the limit and the size
  // its item states.
  std::optional<std::string> canvas(std::uint64_t width, std::uint64_t height,
                                    const std::optional<CodedSize>& stated,
                                    const std::optional<CodedSize>& turned) const {
    if (width * height > static_cast<std::uint64_t>(maxPixels_)) {
      return "picture too large: " +
             sizeText(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));
    }
    const auto is = [&](const std::optional<CodedSize>& size) {
      return size && std::uint64_t(size->width) == width && std::uint64_t(size->height) == height;
    };
    if (stated && !is(stated) && !is(turned)) {
      return "the picture is drawn " +
             sizeText(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)) +
             " where the file says " + sizeText(stated->width, stated->height);
    }
    return std::nullopt;
  }

  std::optional<std::string> grid(const HeifItem& item, const std::optional<CodedSize>& stated,
                                  int depth) {
    const std::optional<DerivedHead> head = readDerivedHead(structure_, file_, item);
    if (!head) return std::nullopt;
    const std::int32_t rows = head->rows;
    const std::int32_t columns = head->columns;
    const std::uint64_t width = head->width;
    const std::uint64_t height = head->height;
    if (auto problem = canvas(width, height, stated, turnedSize(structure_, item, stated))) {
      return problem;
    }
    const auto* tiles = sources(item);
    if (tiles == nullptr || tiles->size() != static_cast<std::size_t>(rows) * columns) {
      return "a grid with tiles missing";
    }
    // Every tile is decoded in turn, so tiles of one size that only just
    // cover the canvas bound the work by its size.
    std::vector<std::uint32_t> distinct = *tiles;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::optional<CodedSize> tileSize;
    for (const std::uint32_t id : distinct) {
      const HeifItem* tile = structure_.item(id);
      if (tile == nullptr) return "a grid with tiles missing";
      const auto size = statedSize(structure_, *tile);
      if (!size) return "a grid tile without its size";
      if (!tileSize) tileSize = size;
      if (size->width != tileSize->width || size->height != tileSize->height) {
        return "grid tiles of different sizes";
      }
    }
    const auto covers = [](std::uint64_t count, std::int64_t tile, std::uint64_t side) {
      return tile > 0 && count * std::uint64_t(tile) >= side &&
             (count - 1) * std::uint64_t(tile) < side;
    };
    if (!covers(std::uint64_t(columns), tileSize->width, width) ||
        !covers(std::uint64_t(rows), tileSize->height, height)) {
      return "grid tiles of " + sizeText(tileSize->width, tileSize->height) +
             " do not fit a grid of " +
             sizeText(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));
    }
    return derivedFrom(item, depth);
  }

  std::optional<std::string> overlay(const HeifItem& item, const std::optional<CodedSize>& stated,
                                     int depth) {
    const std::optional<DerivedHead> head = readDerivedHead(structure_, file_, item);
    if (!head) return std::nullopt;
    if (auto problem =
            canvas(head->width, head->height, stated, turnedSize(structure_, item, stated))) {
      return problem;
    }
    return derivedFrom(item, depth);
  }

  const HeifStructure& structure_;
  const HeifFile& file_;
  std::int64_t maxPixels_;
  bool itemData_;
  std::set<std::uint32_t> checked_;
};

}  // namespace

bool heifCodedSizeFits(const CodedSize& coded, std::int64_t width, std::int64_t height,
                       std::int64_t maxPixels) {
  // Encoders code whole blocks, of 8 to 64 pixels a side, and show the
  // stated part.
  const auto fits = [](std::int64_t codedSide, std::int64_t side) {
    return codedSide >= side && codedSide <= (side + 63) / 64 * 64;
  };
  return fits(coded.width, width) && fits(coded.height, height) &&
         !morePixelsThan(coded.width, coded.height, maxPixels);
}

std::optional<std::string> heifSizeProblem(const HeifStructure& structure, const HeifFile& file,
                                           std::int64_t maxPixels, bool itemData) {
  SizeCheck check(structure, file, maxPixels, itemData);
  if (auto problem = check.item(structure.primary, 0)) return problem;
  return check.auxiliaries(structure.primary);
}

std::optional<CodedSize> readHevcCodedSize(std::string_view unit) {
  if (unit.size() < 2 || ((static_cast<unsigned char>(unit[0]) >> 1) & 0x3fU) != 33) {
    return std::nullopt;
  }
  const std::string payload = unescaped(unit.substr(2), 256);
  Bits bits(payload);
  bits.read(4);  // video parameter set
  const int subLayers = static_cast<int>(bits.read(3));
  bits.read(1);
  bits.read(96);  // the general profile, tier and level
  int profiles = 0;
  int levels = 0;
  for (int i = 0; i < subLayers; ++i) {
    profiles += static_cast<int>(bits.read(1));
    levels += static_cast<int>(bits.read(1));
  }
  if (subLayers > 0) bits.read(2 * (8 - subLayers));
  bits.read(88 * profiles + 8 * levels);
  bits.golomb();                         // its id
  if (bits.golomb() == 3) bits.read(1);  // 4:4:4: separate colour planes
  CodedSize size;
  size.width = static_cast<std::int64_t>(bits.golomb());
  size.height = static_cast<std::int64_t>(bits.golomb());
  if (!bits.ok()) return std::nullopt;
  return size;
}

std::optional<std::vector<CodedSize>> readAv1CodedSizes(std::string_view obus) {
  Fields fields(obus);
  std::vector<CodedSize> sizes;
  while (fields.left() > 0) {
    const std::uint8_t header = fields.u8();
    const int type = (header >> 3) & 15;
    if ((header & 4U) != 0) fields.u8();  // extension
    std::uint64_t size = fields.left();
    if ((header & 2U) != 0) {
      size = 0;
      for (int i = 0;; ++i) {
        const std::uint8_t byte = fields.u8();
        size |= std::uint64_t{byte & 0x7fU} << (7 * i);
        if ((byte & 0x80U) == 0 || !fields.ok()) break;
        if (i == 7) return std::nullopt;
      }
    }
    if (!fields.ok() || size > fields.left()) return std::nullopt;
    const std::string_view payload = fields.take(static_cast<std::size_t>(size));
    if (type != 1) continue;  // not a sequence header
    const auto coded = readAv1SequenceHeader(payload);
    if (!coded) return std::nullopt;
    sizes.push_back(*coded);
  }
  return sizes;
}

}  // namespace tivolen

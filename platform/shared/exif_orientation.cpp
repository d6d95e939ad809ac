#include "platform/shared/exif_orientation.h"

#include <cstdint>

namespace tivolen {
namespace {

// Reads the TIFF structure inside an APP1 "Exif" segment.
class TiffReader {
 public:
  explicit TiffReader(std::string_view tiff) : tiff_(tiff) {}

  int orientation() const {
    if (tiff_.size() < 8) return 1;
    if (tiff_.substr(0, 2) == "II") {
      littleEndian_ = true;
    } else if (tiff_.substr(0, 2) == "MM") {
      littleEndian_ = false;
    } else {
      return 1;
    }
    // Offsets come from the file: compared in 64 bits, an offset near 4 GiB
    // cannot wrap round to a small one.
    const std::uint64_t ifd = u32(4);
    if (ifd + 2 > tiff_.size()) return 1;
    const std::uint32_t count = u16(ifd);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t entry = ifd + 2 + i * 12;
      if (entry + 12 > tiff_.size()) return 1;
      if (u16(entry) != 0x0112) continue;
      const std::uint32_t value = u16(entry + 8);  // SHORT, left-justified
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
  }

 private:
  std::uint32_t byte(std::size_t at) const { return static_cast<std::uint8_t>(tiff_[at]); }
  std::uint32_t u16(std::size_t at) const {
    return littleEndian_ ? byte(at) | byte(at + 1) << 8 : byte(at) << 8 | byte(at + 1);
  }
  std::uint32_t u32(std::size_t at) const {
    return littleEndian_ ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  }

  std::string_view tiff_;
  mutable bool littleEndian_ = true;
};

}  // namespace

int jpegOrientation(std::string_view bytes) {
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  if (bytes.size() < 4 || at(0) != 0xff || at(1) != 0xd8) return 1;
  std::size_t pos = 2;
  // The EXIF block sits among the first segments, before the frame starts.
  while (pos + 4 <= bytes.size() && at(pos) == 0xff) {
    const std::uint8_t marker = at(pos + 1);
    if (marker == 0xda || marker == 0xd9 ||
        (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)) {
      break;  // start of scan, end of image, or a frame header
    }
    const std::size_t length = std::size_t{at(pos + 2)} << 8 | at(pos + 3);
    if (length < 2 || pos + 2 + length > bytes.size()) break;
    const std::string_view segment = bytes.substr(pos + 4, length - 2);
    if (marker == 0xe1 && segment.size() > 6 &&
        segment.substr(0, 6) == std::string_view("Exif\0\0", 6)) {
      return TiffReader(segment.substr(6)).orientation();
    }
    pos += 2 + length;
  }
  return 1;
}

int tiffOrientation(std::string_view tiff) {
  return TiffReader(tiff).orientation();
}

Picture applyOrientation(Picture picture, int orientation) {
  if (orientation <= 1 || orientation > 8) return picture;
  const std::int32_t w = picture.width();
  const std::int32_t h = picture.height();
  const bool swap = swapsSides(orientation);
  Picture out(swap ? h : w, swap ? w : h);
  for (std::int32_t y = 0; y < out.height(); ++y) {
    std::uint32_t* target = out.row(y);
    for (std::int32_t x = 0; x < out.width(); ++x) {
      std::int32_t sx = x;
      std::int32_t sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
        default:
          break;
      }
      target[x] = picture.at(sx, sy);
    }
  }
  return out;
}

ScaledPart storedPart(const ScaledPart& upright, int orientation) {
  const std::int32_t width = upright.scaled.width;  // of the upright picture, scaled
  const std::int32_t height = upright.scaled.height;
  const std::int32_t x = upright.keptX;
  const std::int32_t y = upright.keptY;
  const std::int32_t keptWidth = upright.kept.width;
  const std::int32_t keptHeight = upright.kept.height;
  // Each case inverts the pixel mapping of applyOrientation for a rectangle.
  switch (orientation) {
    case 2:
      return {upright.scaled, width - x - keptWidth, y, upright.kept};
    case 3:
      return {upright.scaled, width - x - keptWidth, height - y - keptHeight, upright.kept};
    case 4:
      return {upright.scaled, x, height - y - keptHeight, upright.kept};
    case 5:
      return {{height, width}, y, x, {keptHeight, keptWidth}};
    case 6:
      return {{height, width}, y, width - x - keptWidth, {keptHeight, keptWidth}};
    case 7:
      return {
          {height, width}, height - y - keptHeight, width - x - keptWidth, {keptHeight, keptWidth}};
    case 8:
      return {{height, width}, height - y - keptHeight, x, {keptHeight, keptWidth}};
    default:
      return upright;
  }
}

}  // namespace tivolen

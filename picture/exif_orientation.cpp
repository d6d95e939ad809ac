// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/exif_orientation.h"

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

namespace {

// An orientation as the upright picture reads the stored one: pixel (x, y)
// upright is stored pixel (u, v) with u, v = x, y, or y, x when `swap`, each
// counted from the far side when flipped.
struct Turn {
  bool swap = false;
  bool flipX = false;
  bool flipY = false;
};

Turn turnOf(int orientation) {
  return {swapsSides(orientation),
          orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8,
          orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7};
}

}  // namespace

Picture applyOrientation(Picture picture, int orientation) {
  if (orientation <= 1 || orientation > 8) return picture;
  const Turn turn = turnOf(orientation);
  const std::int32_t w = picture.width();
  const std::int32_t h = picture.height();
  Picture out(turn.swap ? h : w, turn.swap ? w : h);
  for (std::int32_t y = 0; y < out.height(); ++y) {
    std::uint32_t* target = out.row(y);
    for (std::int32_t x = 0; x < out.width(); ++x) {
      const std::int32_t u = turn.swap ? y : x;
      const std::int32_t v = turn.swap ? x : y;
      target[x] = picture.at(turn.flipX ? w - 1 - u : u, turn.flipY ? h - 1 - v : v);
    }
  }
  return out;
}

ScaledPart storedPart(const ScaledPart& upright, int orientation) {
  if (orientation <= 1 || orientation > 8) return upright;
  const Turn turn = turnOf(orientation);
  const auto side = [&](std::int32_t a, std::int32_t b) { return turn.swap ? b : a; };
  const PictureSize scaled{side(upright.scaled.width, upright.scaled.height),
                           side(upright.scaled.height, upright.scaled.width)};
  const PictureSize kept{side(upright.kept.width, upright.kept.height),
                         side(upright.kept.height, upright.kept.width)};
  // The kept rectangle's near corner, read through the same turn.
  std::int32_t x = side(upright.keptX, upright.keptY);
  std::int32_t y = side(upright.keptY, upright.keptX);
  if (turn.flipX) x = scaled.width - x - kept.width;
  if (turn.flipY) y = scaled.height - y - kept.height;
  return {scaled, x, y, kept};
}

}  // namespace tivolen

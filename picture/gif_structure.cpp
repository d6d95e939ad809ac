// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/gif_structure.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tivolen {
namespace {

std::uint8_t byteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// Skips a chain of data sub-blocks (length byte, data) up to its empty one.
// Nothing when the file ends first.
bool skipSubBlocks(std::string_view bytes, std::size_t& at) {
  while (at < bytes.size()) {
    const std::size_t length = byteAt(bytes, at);
    ++at;
    if (length == 0) return true;
    at += length;
  }
  return false;
}

std::size_t colourTableSize(std::uint8_t packed) {
  return (packed & 0x80) != 0 ? 3 * (std::size_t{2} << (packed & 0x07)) : 0;
}

}  // namespace

bool gifFirstFrameIsCutShort(std::string_view bytes) {
  if (bytes.size() < 6 || (bytes.substr(0, 6) != "GIF87a" && bytes.substr(0, 6) != "GIF89a")) {
    return false;
  }
  constexpr std::size_t kScreenDescriptorEnd = 13;
  if (bytes.size() < kScreenDescriptorEnd) return true;
  std::size_t at = kScreenDescriptorEnd + colourTableSize(byteAt(bytes, 10));
  while (at < bytes.size()) {
    const std::uint8_t introducer = byteAt(bytes, at);
    if (introducer == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      if (!skipSubBlocks(bytes, at)) return true;
    } else if (introducer == 0x2c) {  // the first picture
      constexpr std::size_t kImageDescriptorSize = 10;
      if (at + kImageDescriptorSize > bytes.size()) return true;
      at += kImageDescriptorSize + colourTableSize(byteAt(bytes, at + 9));
      ++at;  // LZW minimum code size
      return !skipSubBlocks(bytes, at);
    } else {
      return false;  // the trailer or something else: the decoder judges
    }
  }
  return true;
}

std::int64_t gifFirstFrameCanvasPixels(std::string_view bytes) {
  if (bytes.size() < 13 || (bytes.substr(0, 6) != "GIF87a" && bytes.substr(0, 6) != "GIF89a")) {
    return 0;
  }
  auto little16 = [&bytes](std::size_t at) -> std::int64_t {
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8;
  };
  std::size_t at = 13 + colourTableSize(byteAt(bytes, 10));
  while (at < bytes.size()) {
    const std::uint8_t introducer = byteAt(bytes, at);
    if (introducer == 0x21) {
      at += 2;
      if (!skipSubBlocks(bytes, at)) return 0;
    } else if (introducer == 0x2c) {
      if (at + 10 > bytes.size()) return 0;
      const std::int64_t width = std::max(little16(6), little16(at + 1) + little16(at + 5));
      const std::int64_t height = std::max(little16(8), little16(at + 3) + little16(at + 7));
      return width * height;
    } else {
      return 0;
    }
  }
  return 0;
}

}  // namespace tivolen

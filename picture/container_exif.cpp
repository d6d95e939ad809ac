// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/container_exif.h"

#include <cstdint>

#include "picture/exif_orientation.h"

namespace tivolen {
namespace {

std::uint32_t byteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// Some writers put the JPEG segment's "Exif\0\0" in front of the TIFF block.
std::string_view withoutExifPrefix(std::string_view block) {
  constexpr std::string_view kPrefix("Exif\0\0", 6);
  return block.substr(0, kPrefix.size()) == kPrefix ? block.substr(kPrefix.size()) : block;
}

}  // namespace

int pngOrientation(std::string_view bytes) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.substr(0, kSignature.size()) != kSignature) return 1;
  // Chunks: 4-byte big-endian length, 4-byte type, data, 4-byte CRC. eXIf
  // may come before or after the image data, so every chunk is looked at.
  std::size_t at = kSignature.size();
  while (at + 8 <= bytes.size()) {
    const std::size_t length = byteAt(bytes, at) << 24 | byteAt(bytes, at + 1) << 16 |
                               byteAt(bytes, at + 2) << 8 | byteAt(bytes, at + 3);
    const std::string_view type = bytes.substr(at + 4, 4);
    if (length > bytes.size() - at - 8) return 1;
    if (type == "eXIf") return tiffOrientation(withoutExifPrefix(bytes.substr(at + 8, length)));
    if (type == "IEND") return 1;
    at += 8 + length + 4;
  }
  return 1;
}

int webpOrientation(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WEBP") return 1;
  // Chunks: fourcc, 4-byte little-endian size, data padded to an even size.
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::size_t size = byteAt(bytes, at + 4) | byteAt(bytes, at + 5) << 8 |
                             byteAt(bytes, at + 6) << 16 | byteAt(bytes, at + 7) << 24;
    if (size > bytes.size() - at - 8) return 1;
    if (bytes.substr(at, 4) == "EXIF") {
      return tiffOrientation(withoutExifPrefix(bytes.substr(at + 8, size)));
    }
    at += 8 + size + (size & 1);
  }
  return 1;
}

}  // namespace tivolen

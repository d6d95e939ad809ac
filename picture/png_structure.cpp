// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/png_structure.h"

#include <cstddef>
#include <cstdint>

namespace tivolen {

bool pngChunkRunsPastTheEnd(std::string_view bytes) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.substr(0, kSignature.size()) != kSignature) return false;
  // Chunks: 4-byte big-endian length, 4-byte type, data, 4-byte CRC.
  constexpr std::size_t kFrame = 12;
  std::size_t at = kSignature.size();
  while (at + 8 <= bytes.size()) {
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
      length = length << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    if (bytes.substr(at + 4, 4) == "IEND") return false;
    if (length > bytes.size() - at || bytes.size() - at - length < kFrame) return true;
    at += kFrame + static_cast<std::size_t>(length);
  }
  // A file that stops between chunks is for the reader to judge: it ends
  // there without having been asked for more.
  return false;
}

}  // namespace tivolen

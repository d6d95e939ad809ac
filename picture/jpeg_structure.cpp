// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/jpeg_structure.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace tivolen {
namespace {

std::uint8_t byteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

std::uint32_t bigEndian16(std::string_view bytes, std::size_t at) {
  return std::uint32_t{byteAt(bytes, at)} << 8 | byteAt(bytes, at + 1);
}

bool isFrameHeader(std::uint8_t marker) {
  // SOF0 to SOF15 less DHT (c4), JPG (c8) and DAC (cc).
  return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

bool standsAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);  // TEM, RST0-7
}

// From the first byte after a scan header to the marker that ends its
// entropy-coded data: stuffed zero bytes and restart markers belong to the
// data. Counts the data bytes; `at` is left on the ending marker's 0xff,
// or at the end of the file.
std::size_t skipEntropyData(std::string_view bytes, std::size_t& at) {
  std::size_t data = 0;
  while (at < bytes.size()) {
    const void* found = std::memchr(bytes.data() + at, 0xff, bytes.size() - at);
    const std::size_t next =
        found == nullptr ? bytes.size()
                         : static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
    data += next - at;
    at = next;
    if (at + 1 >= bytes.size()) {
      at = bytes.size();
      return data;
    }
    const std::uint8_t marker = byteAt(bytes, at + 1);
    if (marker == 0x00) {
      data += 2;
      at += 2;
    } else if (marker >= 0xd0 && marker <= 0xd7) {
      at += 2;
    } else if (marker == 0xff) {
      ++at;  // fill byte before a marker
    } else {
      return data;
    }
  }
  return data;
}

std::int64_t roundedUp(std::int64_t value, std::int64_t step) {
  return (value + step - 1) / step * step;
}

// The frame header's component entries: identifier, sampling factors
// (horizontal in the high nibble), quantisation table.
std::int64_t coefficientBytes(std::string_view components, std::int64_t width,
                              std::int64_t height) {
  int maxH = 1;
  int maxV = 1;
  for (std::size_t at = 0; at + 3 <= components.size(); at += 3) {
    maxH = std::max(maxH, byteAt(components, at + 1) >> 4);
    maxV = std::max(maxV, byteAt(components, at + 1) & 0x0f);
  }
  std::int64_t bytes = 0;
  for (std::size_t at = 0; at + 3 <= components.size(); at += 3) {
    const int h = std::max(1, byteAt(components, at + 1) >> 4);
    const int v = std::max(1, byteAt(components, at + 1) & 0x0f);
    const std::int64_t blocksWide = (width * h + 8 * maxH - 1) / (8 * maxH);
    const std::int64_t blocksHigh = (height * v + 8 * maxV - 1) / (8 * maxV);
    bytes += roundedUp(blocksWide, h) * roundedUp(blocksHigh, v) * 64 * 2;
  }
  return bytes;
}

}  // namespace

std::optional<JpegStructure> readJpegStructure(std::string_view bytes) {
  if (bytes.size() < 4 || byteAt(bytes, 0) != 0xff || byteAt(bytes, 1) != 0xd8) {
    return std::nullopt;
  }
  JpegStructure structure;
  bool haveFrame = false;
  std::size_t at = 2;
  while (at < bytes.size()) {
    if (byteAt(bytes, at) != 0xff) break;  // not on a marker: the decoder judges
    while (at < bytes.size() && byteAt(bytes, at) == 0xff) ++at;
    if (at >= bytes.size()) break;
    const std::uint8_t marker = byteAt(bytes, at);
    ++at;
    if (marker == 0xd9) {
      structure.complete = structure.scans > 0;
      break;
    }
    if (standsAlone(marker)) continue;
    if (at + 2 > bytes.size()) break;
    const std::size_t length = bigEndian16(bytes, at);
    if (length < 2 || at + length > bytes.size()) break;
    if (isFrameHeader(marker) && !haveFrame) {
      if (length < 8) return std::nullopt;
      structure.height = static_cast<std::int32_t>(bigEndian16(bytes, at + 3));
      structure.width = static_cast<std::int32_t>(bigEndian16(bytes, at + 5));
      structure.components = byteAt(bytes, at + 7);
      structure.multiScan = marker == 0xc2 || marker == 0xc6 || marker == 0xca || marker == 0xce;
      const auto count = static_cast<std::size_t>(structure.components);
      if (length < 8 + 3 * count) return std::nullopt;
      structure.coefficientBytes =
          coefficientBytes(bytes.substr(at + 8, 3 * count), structure.width, structure.height);
      haveFrame = true;
    }
    at += length;
    if (marker == 0xda) {
      if (!haveFrame) return std::nullopt;
      if (structure.scans == 0 && length > 2 &&
          byteAt(bytes, at - length + 2) < structure.components) {
        structure.multiScan = true;  // the first scan leaves components for later ones
      }
      ++structure.scans;
      if (skipEntropyData(bytes, at) == 0) structure.emptyScan = true;
    }
  }
  if (!haveFrame) return std::nullopt;
  return structure;
}

std::optional<std::string> jpegWithDcScansOnly(std::string_view bytes) {
  const std::optional<JpegStructure> structure = readJpegStructure(bytes);
  if (!structure || !structure->complete || structure->emptyScan) return std::nullopt;
  std::string kept(bytes.substr(0, 2));
  bool progressive = false;
  bool dcScan = false;
  bool detailLeftOut = false;
  std::vector<std::uint8_t> coarse;  // identifiers of subsampled components
  std::size_t at = 2;
  // readJpegStructure has walked the same markers to the end of the image,
  // so every length below lies inside the file.
  while (at < bytes.size()) {
    const std::size_t start = at;
    while (at < bytes.size() && byteAt(bytes, at) == 0xff) ++at;
    if (at >= bytes.size()) return std::nullopt;
    const std::uint8_t marker = byteAt(bytes, at);
    ++at;
    if (marker == 0xd9) {
      kept.append("\xff\xd9", 2);
      break;
    }
    if (standsAlone(marker)) {
      kept.append(bytes.substr(start, at - start));
      continue;
    }
    if (at + 2 > bytes.size()) return std::nullopt;
    const std::size_t length = bigEndian16(bytes, at);
    if (length < 2 || at + length > bytes.size()) return std::nullopt;
    if (isFrameHeader(marker)) {
      progressive = marker == 0xc2 || marker == 0xc6;
      // A component sampled more coarsely than the finest is decoded at an
      // eighth with a larger inverse DCT (2 x 2 for 4:2:0 chroma), which
      // reads the first AC coefficients too: its detail scans stay.
      const std::size_t count = length >= 8 ? byteAt(bytes, at + 7) : 0;
      if (length < 8 + 3 * count) return std::nullopt;
      int maxH = 1;
      int maxV = 1;
      for (std::size_t c = 0; c < count; ++c) {
        maxH = std::max(maxH, byteAt(bytes, at + 9 + 3 * c) >> 4);
        maxV = std::max(maxV, byteAt(bytes, at + 9 + 3 * c) & 0x0f);
      }
      for (std::size_t c = 0; c < count; ++c) {
        const std::uint8_t sampling = byteAt(bytes, at + 9 + 3 * c);
        if ((sampling >> 4) < maxH || (sampling & 0x0f) < maxV) {
          coarse.push_back(byteAt(bytes, at + 8 + 3 * c));
        }
      }
    }
    std::size_t end = at + length;
    if (marker == 0xda) {
      // Components, then the spectral selection: a DC scan selects 0 to 0.
      // Progressive AC scans hold one component each.
      const std::size_t components = length > 2 ? byteAt(bytes, at + 2) : 0;
      if (length < 6 + 2 * components || components == 0) return std::nullopt;
      const bool dc = byteAt(bytes, at + 3 + 2 * components) == 0 &&
                      byteAt(bytes, at + 4 + 2 * components) == 0;
      const bool ofCoarse =
          std::find(coarse.begin(), coarse.end(), byteAt(bytes, at + 3)) != coarse.end();
      skipEntropyData(bytes, end);
      if (!dc && !ofCoarse) {
        detailLeftOut = true;
        at = end;
        continue;
      }
      dcScan = true;
    }
    kept.append(bytes.substr(start, end - start));
    at = end;
  }
  if (!progressive || !dcScan || !detailLeftOut) return std::nullopt;
  return kept;
}

bool jpegScansExceedBudget(const JpegStructure& structure, std::int64_t maxPixels) {
  if (structure.scans > kMaxScans) return true;
  const std::int64_t pixels = std::int64_t{structure.width} * structure.height;
  return structure.scans * pixels > kMaxScanPasses * maxPixels;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tivolen {

// What a walk over a JPEG's markers tells before any decoding: the frame's
// size and how many scans will pass over it, and whether the file holds
// every part a decoder needs. It reads no entropy-coded data beyond looking
// for the next marker, so it costs one pass over the bytes.
struct JpegStructure {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int components = 0;
  // The decoder holds the whole picture as DCT coefficients until the last
  // scan when there are several (progressive, or components sent apart).
  bool multiScan = false;
  // Bytes of those coefficients at full size: 64 two-byte values a block,
  // each component's blocks rounded up to whole MCUs as the decoder does.
  std::int64_t coefficientBytes = 0;
  // Every start-of-scan marker up to the end of the image (or of the file).
  std::int64_t scans = 0;
  // The end-of-image marker follows the last scan, and no segment or scan
  // runs past the end of the file.
  bool complete = false;
  // A scan followed at once by the next marker: the decoder fills its part
  // with grey.
  bool emptyScan = false;
};

// Nothing when the bytes do not start as a JPEG or no frame header comes
// before the first scan.
std::optional<JpegStructure> readJpegStructure(std::string_view bytes);

// True when decoding would cost more than any real photo does: each scan
// passes over every block of the picture, so the work grows with scans
// times pixels (about 1.4 ns each with libjpeg-turbo). A progressive camera
// photo has about ten scans; tools that optimise the progression write a
// few dozen. kMaxScanPasses passes over the largest picture allowed (3 s)
// are accepted, a smaller picture may have more scans up to the same work,
// and no picture more than kMaxScans, as each scan also costs a set-up.
inline constexpr std::int64_t kMaxScanPasses = 32;
inline constexpr std::int64_t kMaxScans = 1000;
bool jpegScansExceedBudget(const JpegStructure& structure, std::int64_t maxPixels);

// A progressive JPEG without the detail (AC) scans of its full-resolution
// components: a decode at an eighth of the size reads only the DC
// coefficient of their blocks, so it is the same picture at that size for
// a small part of the work (those scans are most of the file). Every other
// segment is kept as it is. Nothing unless the file is progressive and
// complete, and has a scan to leave out.
std::optional<std::string> jpegWithDcScansOnly(std::string_view bytes);

}  // namespace tivolen

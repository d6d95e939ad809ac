// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/png_inflated.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/large_buffer.h"
#include "picture/picture.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivolen {
namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
// Bytes behind the last row, so that a pixel of three bytes can be loaded
// as four.
constexpr std::size_t kSlack = 4;

std::uint32_t bigEndian32(const char* at) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(at);
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

struct Chunk {
  std::string_view type;
  std::string_view data;
  std::uint32_t crc = 0;
};

// Walks the chunks; false when one runs past the end of the file.
template <typename Visit>
bool forEachChunk(std::string_view bytes, Visit visit) {
  std::size_t at = kSignature.size();
  while (at + 12 <= bytes.size()) {
    const std::size_t length = bigEndian32(bytes.data() + at);
    if (length > bytes.size() - at - 12) return false;
    const Chunk chunk{bytes.substr(at + 4, 4), bytes.substr(at + 8, length),
                      bigEndian32(bytes.data() + at + 8 + length)};
    if (!visit(chunk)) return true;
    at += 12 + length;
  }
  return false;
}

bool crcMatches(const Chunk& chunk) {
  // The CRC covers the type and the data, which lie side by side.
  return libdeflate_crc32(0, chunk.type.data(), 4 + chunk.data.size()) == chunk.crc;
}

struct Decompressor {
  libdeflate_decompressor* it = libdeflate_alloc_decompressor();
  Decompressor() = default;
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  ~Decompressor() {
    if (it != nullptr) libdeflate_free_decompressor(it);
  }
};

// The filters of PNG, undone in place on `row` (`bytes` long, pixels of
// `Bpp` bytes) against the row above (`above`, all zero for the first).
// The pixel size is a constant so that each pixel is a fixed-size move.
template <std::size_t Bpp>
void undoSub(std::uint8_t* row, std::size_t bytes) {
  for (std::size_t i = Bpp; i < bytes; ++i) row[i] += row[i - Bpp];
}

void undoUp(std::uint8_t* row, const std::uint8_t* above, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) row[i] += above[i];
}

template <std::size_t Bpp>
void undoAverage(std::uint8_t* row, const std::uint8_t* above, std::size_t bytes) {
  for (std::size_t i = 0; i < Bpp && i < bytes; ++i) {
    row[i] += static_cast<std::uint8_t>(above[i] >> 1);
  }
  for (std::size_t i = Bpp; i < bytes; ++i) {
    row[i] += static_cast<std::uint8_t>((row[i - Bpp] + above[i]) >> 1);
  }
}

#if defined(__SSE2__)
// One pixel at a time, its channels side by side in 16-bit lanes: the
// predictor depends on the pixel just finished, so pixels cannot be taken
// together, but a pixel's three or four channels can.
// Four bytes are loaded for three-byte pixels too (the rows have slack
// behind them): two loads combined on the stack stall the load that reads
// them back, which made RGB pictures three times slower.
template <std::size_t Bpp>
__m128i loadPixel(const std::uint8_t* at) {
  std::uint32_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(word)), _mm_setzero_si128());
}

template <std::size_t Bpp>
void storePixel(std::uint8_t* at, __m128i pixel) {
  const auto word = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(pixel, pixel)));
  std::memcpy(at, &word, Bpp);
}

__m128i absolute16(__m128i x) {
  return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

__m128i choose(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <std::size_t Bpp>
void undoPaeth(std::uint8_t* row, const std::uint8_t* above, std::size_t bytes) {
  const __m128i mask = _mm_set1_epi16(0xff);
  __m128i a = _mm_setzero_si128();  // left
  __m128i c = _mm_setzero_si128();  // above left
  for (std::size_t i = 0; i + Bpp <= bytes; i += Bpp) {
    const __m128i b = loadPixel<Bpp>(above + i);
    const __m128i x = loadPixel<Bpp>(row + i);
    const __m128i bc = _mm_sub_epi16(b, c);
    const __m128i ac = _mm_sub_epi16(a, c);
    const __m128i pa = absolute16(bc);
    const __m128i pb = absolute16(ac);
    const __m128i pc = absolute16(_mm_add_epi16(bc, ac));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    __m128i nearest = choose(_mm_cmpeq_epi16(smallest, pb), b, c);
    nearest = choose(_mm_cmpeq_epi16(smallest, pa), a, nearest);
    a = _mm_and_si128(_mm_add_epi16(nearest, x), mask);
    storePixel<Bpp>(row + i, a);
    c = b;
  }
}
#else
std::uint8_t paethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

template <std::size_t Bpp>
void undoPaeth(std::uint8_t* row, const std::uint8_t* above, std::size_t bytes) {
  for (std::size_t i = 0; i < Bpp && i < bytes; ++i) row[i] += above[i];
  for (std::size_t i = Bpp; i < bytes; ++i) {
    row[i] += paethPredictor(row[i - Bpp], above[i], above[i - Bpp]);
  }
}
#endif

template <std::size_t Bpp>
void undoFilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* above,
                std::size_t bytes) {
  switch (filter) {
    case 1:
      undoSub<Bpp>(row, bytes);
      break;
    case 2:
      undoUp(row, above, bytes);
      break;
    case 3:
      undoAverage<Bpp>(row, above, bytes);
      break;
    case 4:
      undoPaeth<Bpp>(row, above, bytes);
      break;
    default:
      break;
  }
}

}  // namespace

std::optional<InflatedPng> InflatedPng::inflate(std::string_view bytes, std::size_t budget) {
  if (!bytes.starts_with(kSignature)) return std::nullopt;
  std::int64_t width = 0;
  std::int64_t height = 0;
  int channels = 0;
  bool headerSeen = false;
  bool plain = true;
  bool ended = false;
  std::vector<std::string_view> data;
  std::size_t compressed = 0;
  const bool whole = forEachChunk(bytes, [&](const Chunk& chunk) {
    if (!headerSeen) {
      // IHDR: width, height, depth, colour type, compression, filter method,
      // interlace.
      if (chunk.type != "IHDR" || chunk.data.size() != 13 || !crcMatches(chunk)) {
        return plain = false;
      }
      headerSeen = true;
      width = bigEndian32(chunk.data.data());
      height = bigEndian32(chunk.data.data() + 4);
      const auto depth = static_cast<std::uint8_t>(chunk.data[8]);
      const auto colour = static_cast<std::uint8_t>(chunk.data[9]);
      channels = colour == 2 ? 3 : colour == 6 ? 4 : 0;
      plain = depth == 8 && channels != 0 && chunk.data[10] == 0 && chunk.data[11] == 0 &&
              chunk.data[12] == 0;
      return plain;
    }
    if (chunk.type == "IDAT") {
      // The data chunks come one after another; a CRC that does not match
      // is damage, which libpng names.
      if ((!data.empty() && data.back().data() + data.back().size() + 12 != chunk.data.data()) ||
          !crcMatches(chunk)) {
        return plain = false;
      }
      data.push_back(chunk.data);
      compressed += chunk.data.size();
      return true;
    }
    // A colour key makes one colour transparent, and libpng reads the
    // frames of an animated PNG and refuses odd chunk names and critical
    // chunks it does not know: all that is left to it, so that this path
    // never shows what libpng would refuse.
    const bool letters = std::all_of(chunk.type.begin(), chunk.type.end(), [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    const bool critical = chunk.type[0] >= 'A' && chunk.type[0] <= 'Z';
    if (!letters || (critical && chunk.type != "IEND") || chunk.type == "tRNS" ||
        chunk.type == "acTL" || chunk.type == "fcTL" || chunk.type == "fdAT") {
      return plain = false;
    }
    if (chunk.type == "IEND") {
      ended = true;
      return false;
    }
    return true;
  });
  if (!whole || !plain || !ended || data.empty() || width <= 0 || height <= 0 ||
      width * height > kMaxPicturePixels) {
    return std::nullopt;
  }

  InflatedPng png;
  png.width_ = static_cast<std::int32_t>(width);
  png.height_ = static_cast<std::int32_t>(height);
  png.channels_ = channels;
  png.stride_ = 1 + static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  const std::size_t size = png.stride_ * static_cast<std::size_t>(height);
  // Data in several chunks is joined first, and held beside the rows.
  if (size + (data.size() > 1 ? compressed : 0) > budget) return std::nullopt;

  // A single data chunk is inflated where it lies; several are joined.
  std::string_view stream = data.front();
  std::shared_ptr<char[]> joined;
  if (data.size() > 1) {
    joined = allocateLargeToFill<char>(compressed);  // bytes the file holds
    std::size_t at = 0;
    for (const std::string_view part : data) {
      std::memcpy(joined.get() + at, part.data(), part.size());
      at += part.size();
    }
    stream = {joined.get(), compressed};
  }
  const Decompressor decompressor;
  if (decompressor.it == nullptr) return std::nullopt;
  // Written whole by the inflating.
  png.rows_ = allocateLargeToFill<std::uint8_t>(size + kSlack);
  std::size_t inflated = 0;
  if (libdeflate_zlib_decompress(decompressor.it, stream.data(), stream.size(), png.rows_.get(),
                                 size, &inflated) != LIBDEFLATE_SUCCESS ||
      inflated != size) {
    return std::nullopt;
  }
  return png;
}

bool InflatedPng::filtersValid() const {
  for (std::int32_t y = 0; y < height_; ++y) {
    if (rows_[static_cast<std::size_t>(y) * stride_] > 4) return false;
  }
  return true;
}

void InflatedPng::nextRow(std::uint32_t* out) {
  std::uint8_t* const start = rows_.get() + static_cast<std::size_t>(next_) * stride_;
  std::uint8_t* const row = start + 1;
  const std::size_t bytes = stride_ - 1;
  // The first row is filtered against a row of zeros: Up is then None,
  // Average halves only the left, Paeth takes the left.
  std::vector<std::uint8_t> zeros;
  const std::uint8_t* above = nullptr;
  if (next_ == 0) {
    zeros.assign(bytes + kSlack, 0);
    above = zeros.data();
  } else {
    above = start - stride_ + 1;
  }
  if (channels_ == 3) {
    undoFilter<3>(*start, row, above, bytes);
  } else {
    undoFilter<4>(*start, row, above, bytes);
  }
  ++next_;
  // The row just finished is the next one's row above; all before it are
  // done with.
  const std::size_t finished = static_cast<std::size_t>(next_ - 1) * stride_;
  if (stride_ * static_cast<std::size_t>(height_) >= kLargeBlockBytes &&
      finished - released_ >= (std::size_t{1} << 20)) {
    releaseLargeBlockPages(rows_.get() + released_, finished - released_);
    released_ = finished;
  }

  if (channels_ == 3) {
    for (std::int32_t x = 0; x < width_; ++x) {
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
      out[x] = 0xff000000U | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    return;
  }
  for (std::int32_t x = 0; x < width_; ++x) {
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
    const std::uint32_t alpha = p[3];
    if (alpha == 0xff) {
      out[x] = 0xff000000U | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    } else {
      const auto times = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
      out[x] = 0xff000000U | times(p[0]) << 16 | times(p[1]) << 8 | times(p[2]);
    }
  }
}

}  // namespace tivolen

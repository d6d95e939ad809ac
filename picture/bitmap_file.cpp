// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/bitmap_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

#include "picture/large_buffer.h"
#include "picture/side_thread.h"

namespace tivolen {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void put16(char* at, std::uint16_t value) {
  at[0] = static_cast<char>(value & 0xff);
  at[1] = static_cast<char>(value >> 8);
}
void put32(char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}
std::uint32_t get16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8;
}
std::uint32_t get32(std::string_view bytes, std::size_t at) {
  return get16(bytes, at) | get16(bytes, at + 2) << 16;
}

}  // namespace

namespace {

constexpr std::size_t kDataOffset = kFileHeaderSize + kInfoHeaderSize;

std::size_t rowBytesOf(const Picture& picture) {
  return (static_cast<std::size_t>(picture.width()) * 3 + 3) & ~std::size_t{3};
}

void putHeader(const Picture& picture, char* out) {
  const auto width = static_cast<std::size_t>(picture.width());
  const auto height = static_cast<std::size_t>(picture.height());
  const std::size_t rowBytes = rowBytesOf(picture);
  std::memset(out, 0, kDataOffset);
  out[0] = 'B';
  out[1] = 'M';
  put32(out + 2, static_cast<std::uint32_t>(kDataOffset + rowBytes * height));
  put32(out + 10, static_cast<std::uint32_t>(kDataOffset));
  char* info = out + kFileHeaderSize;
  put32(info, kInfoHeaderSize);
  put32(info + 4, static_cast<std::uint32_t>(width));
  put32(info + 8, static_cast<std::uint32_t>(height));
  put16(info + 12, 1);   // planes
  put16(info + 14, 24);  // bits per pixel
  put32(info + 20, static_cast<std::uint32_t>(rowBytes * height));
  put32(info + 24, 3780);  // 96 dots per inch, as pixels per metre
  put32(info + 28, 3780);
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels at a time, their blue, green and red bytes gathered by one
// shuffle: a quarter of the word-packing loop's time, where SSSE3 is there
// (every x86 processor of the last fifteen years). Each store writes four
// bytes past the group; the next group, or the row's tail written after,
// overwrites them, so it stops eight pixels before the end.
__attribute__((target("ssse3"))) std::size_t putPixelsShuffled(const std::uint32_t* source,
                                                               std::size_t width,
                                                               unsigned char* target) {
  const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  std::size_t x = 0;
  for (; x + 8 <= width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x * 3), _mm_shuffle_epi8(pixels, gather));
  }
  return x;
}

bool shuffleAvailable() {
  return __builtin_cpu_supports("ssse3") != 0;
}
#endif

// Rows `first` to `first + count` of the file, which is bottom-up: its
// first row is the picture's last.
void putRows(const Picture& picture, std::size_t first, std::size_t count, char* out) {
  const auto width = static_cast<std::size_t>(picture.width());
  const auto height = static_cast<std::size_t>(picture.height());
  const std::size_t rowBytes = rowBytesOf(picture);
  for (std::size_t y = first; y < first + count; ++y) {
    const std::uint32_t* source = picture.row(static_cast<std::int32_t>(height - 1 - y));
    auto* target = reinterpret_cast<unsigned char*>(out + (y - first) * rowBytes);
    std::size_t x = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (shuffleAvailable()) {
      x = putPixelsShuffled(source, width, target);
      target += x * 3;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
      // Four pixels make three words: a quarter of the stores byte by byte
      // takes, over every pixel of the screen at each change.
      for (; x + 4 <= width; x += 4) {
        const std::uint32_t a = source[x] & 0xffffffU;
        const std::uint32_t b = source[x + 1] & 0xffffffU;
        const std::uint32_t c = source[x + 2] & 0xffffffU;
        const std::uint32_t d = source[x + 3] & 0xffffffU;
        const std::uint32_t words[3] = {a | b << 24, b >> 8 | c << 16, c >> 16 | d << 8};
        std::memcpy(target, words, sizeof words);
        target += sizeof words;
      }
    }
    for (; x < width; ++x) {
      const std::uint32_t pixel = source[x];
      target[0] = static_cast<unsigned char>(pixel);
      target[1] = static_cast<unsigned char>(pixel >> 8);
      target[2] = static_cast<unsigned char>(pixel >> 16);
      target += 3;
    }
    for (std::size_t pad = width * 3; pad < rowBytes; ++pad) *target++ = 0;
  }
}

// Slices are packed by one thread and written by the other, through a
// ring of kSlicesInFlight buffers: the packer waits for a free one, the
// writer for a packed one.
constexpr std::size_t kSlicesInFlight = 4;

class SlicePipeline {
 public:
  template <typename Encode>
  void produce(std::size_t count, Encode encode) {
    for (std::size_t index = 0; index < count; ++index) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || index - written_ < kSlicesInFlight; });
        if (stopped_) return;
      }
      encode(index);
      {
        const std::lock_guard lock(mutex_);
        encoded_ = index + 1;
      }
      changed_.notify_all();
    }
  }
  // False when the packer gave up (it threw; its join says why).
  bool awaitEncoded(std::size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return encoded_ > index || stopped_; });
    return encoded_ > index;
  }
  void written(std::size_t index) {
    {
      const std::lock_guard lock(mutex_);
      written_ = index + 1;
    }
    changed_.notify_all();
  }
  void stop() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t encoded_ = 0;
  std::size_t written_ = 0;
  bool stopped_ = false;
};

}  // namespace

BitmapBytes encodeBitmap(const Picture& picture) {
  const auto height = static_cast<std::size_t>(picture.height());
  const std::size_t fileSize = kDataOffset + rowBytesOf(picture) * height;
  BitmapBytes file{allocateLarge<char>(fileSize), fileSize};
  putHeader(picture, file.data.get());
  putRows(picture, 0, height, file.data.get() + kDataOffset);
  return file;
}

bool writeBitmap(const Picture& picture, const std::function<bool(std::string_view)>& write) {
  const auto height = static_cast<std::size_t>(picture.height());
  const std::size_t rowBytes = rowBytesOf(picture);
  // Small enough to stay in the cache between encoding and writing.
  constexpr std::size_t kSliceBytes = std::size_t{256} << 10;
  const std::size_t rowsPerSlice = std::max<std::size_t>(1, kSliceBytes / rowBytes);
  const std::size_t sliceCount = (height + rowsPerSlice - 1) / rowsPerSlice;
  const std::size_t sliceBytes = std::max(kDataOffset, rowsPerSlice * rowBytes);
  std::array<std::unique_ptr<char[]>, kSlicesInFlight> slices;
  for (auto& slice : slices) slice = std::make_unique_for_overwrite<char[]>(sliceBytes);
  putHeader(picture, slices[0].get());
  if (!write({slices[0].get(), kDataOffset})) return false;
  const auto encode = [&](std::size_t index) {
    const std::size_t first = index * rowsPerSlice;
    const std::size_t count = std::min(rowsPerSlice, height - first);
    putRows(picture, first, count, slices[index % kSlicesInFlight].get());
    return std::string_view{slices[index % kSlicesInFlight].get(), count * rowBytes};
  };

  // A screen's bitmap is tens of megabytes: a second thread packs the
  // next slices while this one hands the last to the system, which copies
  // them into the file's pages. Small pictures are not worth a thread.
  SlicePipeline pipeline;
  std::optional<SideThread> encoder;
  if (sliceCount >= 8) {
    encoder.emplace(
        [&] {
          try {
            pipeline.produce(sliceCount, encode);
          } catch (...) {
            pipeline.stop();
            throw;
          }
        },
        [&] { pipeline.stop(); });
  }
  if (!encoder || !encoder->started()) {
    for (std::size_t index = 0; index < sliceCount; ++index) {
      if (!write(encode(index))) return false;
    }
    return true;
  }
  std::size_t index = 0;
  for (; index < sliceCount && pipeline.awaitEncoded(index); ++index) {
    const std::size_t count = std::min(rowsPerSlice, height - index * rowsPerSlice);
    // The packer is stopped on leaving.
    if (!write({slices[index % kSlicesInFlight].get(), count * rowBytes})) return false;
    pipeline.written(index);
  }
  encoder->join();  // throws what stopped the packer early
  return index == sliceCount;
}

bool bitmapIsCutShort(std::string_view header, std::uint64_t fileSize) {
  const std::string_view& bytes = header;
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  if (fileSize < kFileHeaderSize + kInfoHeaderSize ||
      bytes.size() < kFileHeaderSize + kInfoHeaderSize) {
    return true;
  }
  const std::uint32_t compression = get32(bytes, kFileHeaderSize + 16);
  if (get32(bytes, kFileHeaderSize) < kInfoHeaderSize || (compression != 0 && compression != 3)) {
    return false;  // OS/2 headers and run-length rows: their decoders judge
  }
  const std::int64_t width = static_cast<std::int32_t>(get32(bytes, kFileHeaderSize + 4));
  const std::int64_t height = static_cast<std::int32_t>(get32(bytes, kFileHeaderSize + 8));
  const std::int64_t bits = get16(bytes, kFileHeaderSize + 14);
  if (width <= 0) return false;
  // width and bits are below 2^31 and 2^16, so a row fits 2^45 bytes; the
  // rows times the height could pass 2^63, so the rows the file holds are
  // counted instead of the bytes they need.
  const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
  const std::int64_t rows = height < 0 ? -height : height;
  const std::int64_t dataOffset = get32(bytes, 10);
  const auto size = static_cast<std::int64_t>(std::min<std::uint64_t>(fileSize, INT64_MAX));
  if (size < dataOffset) return true;
  return rowBytes > 0 && (size - dataOffset) / rowBytes < rows;
}

std::optional<Picture> decodePlainBitmap(std::string_view bytes) {
  return decodePlainBitmap(bytes, bytes.size(),
                           [bytes](std::uint64_t offset, char* out, std::size_t count) {
                             if (offset > bytes.size() || bytes.size() - offset < count) {
                               return false;
                             }
                             std::memcpy(out, bytes.data() + offset, count);
                             return true;
                           });
}

std::optional<Picture> decodePlainBitmap(std::string_view header, std::uint64_t fileSize,
                                         const ReadAt& readAt) {
  const std::string_view& bytes = header;
  if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
    return std::nullopt;
  }
  const std::uint64_t dataOffset = get32(bytes, 10);
  const std::size_t info = kFileHeaderSize;
  if (get32(bytes, info) < kInfoHeaderSize) return std::nullopt;  // OS/2 headers
  const auto width = static_cast<std::int32_t>(get32(bytes, info + 4));
  const auto rawHeight = static_cast<std::int32_t>(get32(bytes, info + 8));
  const std::uint32_t bits = get16(bytes, info + 14);
  const std::uint32_t compression = get32(bytes, info + 16);
  if (get16(bytes, info + 12) != 1 || (bits != 24 && bits != 32) || compression != 0) {
    return std::nullopt;
  }
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return std::nullopt;
  const bool bottomUp = rawHeight > 0;
  const std::int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (static_cast<std::int64_t>(width) * height > kMaxPicturePixels) return std::nullopt;

  const std::size_t bytesPerPixel = bits / 8;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(width) * bytesPerPixel + 3) & ~std::size_t{3};
  if (dataOffset > fileSize || (fileSize - dataOffset) / rowBytes < std::uint64_t(height)) {
    return std::nullopt;  // truncated: let the general decoder judge it
  }

  Picture picture(width, height);
  const std::unique_ptr<char[]> row = std::make_unique_for_overwrite<char[]>(rowBytes);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint64_t fileRow =
        bottomUp ? static_cast<std::uint64_t>(height - 1 - y) : static_cast<std::uint64_t>(y);
    if (!readAt(dataOffset + fileRow * rowBytes, row.get(), rowBytes)) return std::nullopt;
    const auto* source = reinterpret_cast<const unsigned char*>(row.get());
    std::uint32_t* target = picture.row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      target[x] =
          0xff000000U | std::uint32_t{source[2]} << 16 | std::uint32_t{source[1]} << 8 | source[0];
      source += bytesPerPixel;
    }
  }
  return picture;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/status.h"

namespace tivolen {

struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// Decoded pixels, upright, rows top-down without padding, one 32-bit word per
// pixel as 0xffRRGGBB. That is Qt's RGB32, TurboJPEG's BGRX and the X
// server's 24-bit TrueColor layout, so no back-end converts on the way.
// Moving is cheap; copies are explicit (alias()), as pictures run to tens of
// megabytes.
class Picture {
 public:
  Picture() = default;
  // The pixels are left uninitialised: every producer writes all of them.
  Picture(std::int32_t width, std::int32_t height)
      : width_(width),
        height_(height),
        pixels_(std::make_unique_for_overwrite<std::uint32_t[]>(
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height))) {}
  // Pixels owned elsewhere (a toolkit's image buffer), kept alive by `pixels`.
  Picture(std::int32_t width, std::int32_t height, std::shared_ptr<std::uint32_t[]> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  Picture(Picture&&) noexcept = default;
  Picture& operator=(Picture&&) noexcept = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // A second handle on the same pixels; writing through one shows in both.
  [[nodiscard]] Picture alias() const { return {width_, height_, pixels_}; }
  // Whether both are handles on the very same pixels, of the same size.
  [[nodiscard]] bool isAliasOf(const Picture& other) const {
    return !empty() && pixels_ == other.pixels_ && width_ == other.width_ &&
           height_ == other.height_;
  }

  [[nodiscard]] std::int32_t width() const { return width_; }
  [[nodiscard]] std::int32_t height() const { return height_; }
  [[nodiscard]] PictureSize size() const { return {width_, height_}; }
  [[nodiscard]] bool empty() const { return width_ <= 0 || height_ <= 0; }
  [[nodiscard]] std::uint32_t* row(std::int32_t y) {
    return pixels_.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  [[nodiscard]] const std::uint32_t* row(std::int32_t y) const {
    return pixels_.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  [[nodiscard]] std::uint32_t at(std::int32_t x, std::int32_t y) const { return row(y)[x]; }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::shared_ptr<std::uint32_t[]> pixels_;
};

// A rectangle of a picture in its pixels; fractions allowed, so that scaling
// a part keeps the exact centre.
struct SourceRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Given the natural (upright) size, the smallest size the caller will use.
// A decoder that can reduce cheaply (JPEG's 1/2, 1/4, 1/8) may hand back a
// smaller picture that still covers it in both directions; others decode at
// the natural size.
using NeededSize = std::function<PictureSize(PictureSize natural)>;

// A picture scaled whole to `scaled`, of which only the rectangle of whole
// pixels at (keptX, keptY) of `kept` size is wanted: a cover fit that
// overhangs the screen keeps its centre.
struct ScaledPart {
  PictureSize scaled;
  std::int32_t keptX = 0;
  std::int32_t keptY = 0;
  PictureSize kept;
};

// Given the natural (upright) size, the part wanted; nothing when the
// picture is wanted as it is.
using ScalePlan = std::function<std::optional<ScaledPart>(PictureSize natural)>;

struct LoadedPicture {
  // Unavailable: a picture type that cannot be shown (emf, wmf); Failed: the
  // file is damaged, empty, not what its name says, or too large to hold.
  // The message says which file and why, for standard error.
  Status status;
  PictureSize natural;  // the upright size of the picture in the file
  Picture pixels;       // natural size, or reduced as NeededSize allowed
  // Failed only because decoding it would take more memory than allowed
  // (kMaxPicturePixels, kMaxDecodeBytes): the user is told it is too large
  // rather than damaged.
  bool tooLarge = false;

  // A damaged file, with what is wrong with it.
  static LoadedPicture failed(std::string why) {
    LoadedPicture result;
    result.status = Status::failed(std::move(why));
    return result;
  }
};

// The most pixels a picture may have: 256 MiB at four bytes a pixel, above
// any camera (48 MP is 192 MiB), so that one picture with its file and the
// screen-sized result stays well under 400 MB however large its header says
// it is.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

// The most memory one decoding may hold at once: the file, the decoder's
// own whole-picture buffers (a progressive JPEG's coefficients, a 16-bit
// PNG's 8 bytes a pixel) and the pixels. With the program itself and the
// screen-sized result it keeps the peak under 400 MB.
inline constexpr std::int64_t kMaxDecodeBytes = std::int64_t{336} << 20;

// The refusal of a picture of `width` x `height` whose decoding would hold
// `pixelBytes` a pixel beside its file of `fileBytes`: beyond the pixel
// limit or the decoding budget, the same words from every decoder. Empty
// when it fits.
inline std::optional<LoadedPicture> refusedAsTooLarge(std::int64_t width, std::int64_t height,
                                                      std::int64_t fileBytes,
                                                      std::int64_t pixelBytes) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  std::optional<LoadedPicture> refused;
  if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels) {
    refused = LoadedPicture::failed("picture too large: " + size);
  } else if (const std::int64_t needed = fileBytes + width * height * pixelBytes;
             needed > kMaxDecodeBytes) {
    refused = LoadedPicture::failed("picture too large: " + size + " would need " +
                                    std::to_string(needed >> 20) + " MiB to decode");
  }
  if (refused) refused->tooLarge = true;
  return refused;
}

// Files larger than this are not read at all: no picture within the pixel
// limit needs more (a 64 MP bitmap at 32 bits is 256 MiB).
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{260} << 20;

// What a reader of a file hands a decoder that reads parts of it on demand:
// `count` bytes from `offset` into `out`, false when the file has fewer.
using ReadAt = std::function<bool(std::uint64_t offset, char* out, std::size_t count)>;

}  // namespace tivolen

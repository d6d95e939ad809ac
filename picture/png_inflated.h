// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace tivolen {

// The kind of PNG nearly every wallpaper is (8 bits a channel, RGB or RGBA,
// not interlaced, no colour key), its image data inflated in one go by
// libdeflate, three to four times as fast as zlib's stream. The rows are
// then unfiltered one by one in place. Anything else, and any stream that
// does not inflate to exactly the picture's rows, is left to libpng, which
// also words the errors.
class InflatedPng {
 public:
  // Empty when `bytes` is not such a PNG, its rows (and its data, where it
  // must be joined from several chunks) would take more than `budget`
  // bytes, or its data does not inflate.
  static std::optional<InflatedPng> inflate(std::string_view bytes, std::size_t budget);

  [[nodiscard]] std::int32_t width() const { return width_; }
  [[nodiscard]] std::int32_t height() const { return height_; }

  // Whether every row names one of the five filters; checked before any is
  // used, so that a damaged picture is refused before it is half scaled.
  [[nodiscard]] bool filtersValid() const;

  // The next row, top to bottom, as 0xAARRGGBB words (alpha premultiplied,
  // so transparent parts show black). Each row is unfiltered in place
  // against the one above it; the memory of the rows above that goes back
  // to the system a megabyte at a time, so the picture's result can grow
  // into it.
  void nextRow(std::uint32_t* out);

 private:
  InflatedPng() = default;

  std::shared_ptr<std::uint8_t[]> rows_;
  std::size_t stride_ = 0;  // the filter byte and the row's bytes
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  int channels_ = 0;
  std::int32_t next_ = 0;
  std::size_t released_ = 0;  // bytes at the start given back
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// A 24-bit bottom-up Windows bitmap, rows padded to four bytes: the form
// every desktop accepts as wallpaper. The buffer is never zeroed first:
// every byte is written once.
struct BitmapBytes {
  std::shared_ptr<char[]> data;
  std::size_t size = 0;
  [[nodiscard]] std::string_view view() const { return {data.get(), size}; }
};
BitmapBytes encodeBitmap(const Picture& picture);

// The same bytes handed to `write` in slices of a few hundred kilobytes, so
// that no whole-file buffer is needed; false as soon as `write` fails.
bool writeBitmap(const Picture& picture, const std::function<bool(std::string_view)>& write);

// True for a bitmap of uncompressed rows (any bit depth) whose file ends
// before its last row: Qt's reader shows such a file with the rest made up.
// `header` holds at least the file's first bytes, `fileSize` is its size.
bool bitmapIsCutShort(std::string_view header, std::uint64_t fileSize);
inline bool bitmapIsCutShort(std::string_view bytes) {
  return bitmapIsCutShort(bytes, bytes.size());
}

// The plain uncompressed 24- and 32-bit bitmaps (ours and most others) read
// directly, row by row from the file, so that the file is never held whole
// beside its pixels; nothing for every other kind, which the general decoder
// takes. `header` holds at least the first 54 bytes.
std::optional<Picture> decodePlainBitmap(std::string_view header, std::uint64_t fileSize,
                                         const ReadAt& readAt);
std::optional<Picture> decodePlainBitmap(std::string_view bytes);

}  // namespace tivolen

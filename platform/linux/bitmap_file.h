#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pictures.h"

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

// True for a bitmap of uncompressed rows (any bit depth) whose file ends
// before its last row: Qt's reader shows such a file with the rest made up.
bool bitmapIsCutShort(std::string_view bytes);

// The plain uncompressed 24- and 32-bit bitmaps (ours and most others) read
// directly; nothing for every other kind, which the general decoder takes.
std::optional<Picture> decodePlainBitmap(std::string_view bytes);

}  // namespace tivolen

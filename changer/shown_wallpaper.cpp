// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/shown_wallpaper.h"

#include <charconv>

namespace tivolen {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The next line as a number; false when it is missing or not a whole number.
template <typename Number>
bool takeNumber(std::string_view& rest, Number& value) {
  const std::size_t end = rest.find(kLineEnd);
  if (end == std::string_view::npos) return false;
  const std::string_view line = rest.substr(0, end);
  const auto [last, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc{} || last != line.data() + line.size()) return false;
  rest.remove_prefix(end + kLineEnd.size());
  return true;
}

}  // namespace

std::string writeShownWallpaper(const ShownWallpaper& shown) {
  std::string text;
  for (const long long number :
       {static_cast<long long>(shown.style), static_cast<long long>(shown.screen.width),
        static_cast<long long>(shown.screen.height)}) {
    text += std::to_string(number);
    text += kLineEnd;
  }
  return text + shown.file + std::string(kLineEnd);
}

std::optional<ShownWallpaper> readShownWallpaper(std::string_view contents) {
  ShownWallpaper shown;
  if (!takeNumber(contents, shown.style) || !takeNumber(contents, shown.screen.width) ||
      !takeNumber(contents, shown.screen.height) || !contents.ends_with(kLineEnd)) {
    return std::nullopt;
  }
  contents.remove_suffix(kLineEnd.size());
  if (contents.empty()) return std::nullopt;
  shown.file = std::string(contents);
  return shown;
}

}  // namespace tivolen

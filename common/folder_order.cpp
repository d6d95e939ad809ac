// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folder_order.h"

#include <algorithm>

namespace tivolen {
namespace {

// One UTF-8 sequence from `text` at `i`, advancing `i`. A byte that starts
// no valid sequence stands for itself in the private range above every
// character, so damaged names still sort, and sort after good ones.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
    ++i;
    return 0x110000 + lead;
  }
  char32_t value = lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return 0x110000 + lead;
    }
    value = (value << 6) | (next & 0x3F);
  }
  i += static_cast<std::size_t>(length);
  return value;
}

// UTF-16 puts characters above U+FFFF (surrogates D800-DFFF) before
// U+E000-U+FFFF; NTFS compares code units, so they sort there too.
std::uint32_t codeUnitRank(char32_t c) {
  if (c >= 0x10000 && c < 0x110000) return 0xD800 + (c - 0x10000) / 0x400;
  if (c >= 0xE000 && c < 0x10000) return c + 0x100000;
  return c;
}

}  // namespace

char32_t FolderOrderUpper(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs capital and small letters side by side; the
  // block's odd spots (dotless i, kra, the ŀ/ĸ shift) keep themselves.
  if (c >= 0x100 && c <= 0x137 && c != 0x131) return c & ~char32_t{1};
  if (c >= 0x139 && c <= 0x148) return (c & 1) == 0 ? c - 1 : c;
  if (c >= 0x14A && c <= 0x177) return c & ~char32_t{1};
  if (c >= 0x179 && c <= 0x17E) return (c & 1) == 0 ? c - 1 : c;
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

bool LessByFolderOrder(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      // Most names are ASCII: no decoding on the common path.
      const char32_t ua = FolderOrderUpper(ca);
      const char32_t ub = FolderOrderUpper(cb);
      if (ua != ub) return ua < ub;
      ++i;
      ++j;
      continue;
    }
    const std::uint32_t ra = codeUnitRank(FolderOrderUpper(nextCodePoint(a, i)));
    const std::uint32_t rb = codeUnitRank(FolderOrderUpper(nextCodePoint(b, j)));
    if (ra != rb) return ra < rb;
  }
  return a.size() - i < b.size() - j;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text_encoding.h"

namespace tivolen {

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // the bounds of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::string DecodeText(const FileSystem& files, std::string_view bytes) {
  return DecodeTextKeepingEncoding(files, bytes).text;
}

DecodedText DecodeTextKeepingEncoding(const FileSystem& files, std::string_view bytes) {
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
  return {files.systemTextToUtf8(bytes), TextEncoding::SystemCodePage};
}

std::optional<std::string> EncodeText(const FileSystem& files, std::string_view text,
                                      TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return std::string(text);
  return files.utf8ToSystemText(text);
}

std::optional<std::string> ReadTextFile(const FileSystem& files, const std::string& path) {
  const std::optional<std::string> contents = files.readFile(path);
  if (!contents) return std::nullopt;
  return DecodeText(files, *contents);
}

}  // namespace tivolen

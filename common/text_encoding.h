// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tivolen {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text of a list or log file as UTF-8. Files we write are UTF-8; files
// the old programs wrote on a Japanese system are in its code page (CP932),
// which the file system's platform converts. Valid UTF-8 is taken as it is:
// a Shift_JIS path that is also valid UTF-8 is rare enough, and guessing the
// other way round would garble every list we wrote ourselves.
std::string DecodeText(const FileSystem& files, std::string_view bytes);

// How a list file was stored. The manager writes a list back as it was read
// while every name fits, so an old list stays readable by what else reads it.
enum class TextEncoding { Utf8, SystemCodePage };

struct DecodedText {
  std::string text;  // UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};
DecodedText DecodeTextKeepingEncoding(const FileSystem& files, std::string_view bytes);

// UTF-8 text stored in `encoding`; nothing when a character has no place
// there.
std::optional<std::string> EncodeText(const FileSystem& files, std::string_view text,
                                      TextEncoding encoding);

// A list or log file read whole and decoded as above; nothing when it
// cannot be read.
std::optional<std::string> ReadTextFile(const FileSystem& files, const std::string& path);

}  // namespace tivolen

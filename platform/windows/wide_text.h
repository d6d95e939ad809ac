// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tivolen {

// The W functions of Windows speak UTF-16; the core speaks UTF-8. Invalid
// input becomes U+FFFD rather than an empty string, so a damaged name still
// reaches the message that reports it.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path for the W file functions that works past MAX_PATH whatever the
// system's long-path setting: a long absolute path, on a drive or a share,
// is tidied as Windows tidies paths ("/" to "\", "." and ".." resolved) and
// given the "\\?\" or "\\?\UNC\" prefix, under which Windows tidies
// nothing. Other paths stay as they are.
std::wstring WidePath(std::string_view utf8);

// The text of a Win32 error code, for standard error.
std::string SystemErrorText(unsigned long code);

}  // namespace tivolen

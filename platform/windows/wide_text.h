#pragma once

#include <string>
#include <string_view>

namespace tivolen {

// The W functions of Windows speak UTF-16; the core speaks UTF-8. Invalid
// input becomes U+FFFD rather than an empty string, so a damaged name still
// reaches the message that reports it.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The text of a Win32 error code, for standard error.
std::string SystemErrorText(unsigned long code);

}  // namespace tivolen

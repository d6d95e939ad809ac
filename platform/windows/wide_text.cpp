// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/wide_text.h"

#include <windows.h>

#include "platform/path_rules.h"

namespace tivolen {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::wstring WidePath(std::string_view utf8) {
  std::wstring wide = Widen(utf8);
  constexpr PathRules kWindows(PathRules::Style::Windows);
  // A path already in the device namespace ("\\?\", "\\.\") is taken as it is.
  const bool device = utf8.size() >= 4 && kWindows.isSeparator(utf8[0]) &&
                      kWindows.isSeparator(utf8[1]) && (utf8[2] == '?' || utf8[2] == '.') &&
                      kWindows.isSeparator(utf8[3]);
  // Paths that fit are left as every program gives them; the margin keeps
  // room for the "\*" of a folder listing, and folders must leave 12.
  if (device || !kWindows.isAbsolute(utf8) || wide.size() < MAX_PATH - 12) return wide;
  // The prefix turns off the tidying Windows does to other paths ("/" to
  // "\", "." and ".." resolved, trailing dots and blanks of names dropped),
  // so it is done first, and the same file is named either way.
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = length > 0 ? Narrow({text, length}) : "error " + std::to_string(code);
  LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

}  // namespace tivolen

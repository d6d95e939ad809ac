// SPDX-License-Identifier: GPL-3.0-or-later
// Tells the Wine tests what a window of another program looks like from
// inside the window system: the system's message font, the size of its
// client area, and for each child window its class, the face and height of
// the font it draws with (where the window system does not tell, the
// message font at the window's scale: "(message)"), its place in pixels,
// whether it shows, whether it is a group box, how wide its longest line of
// text is drawn, and how many tools the tooltips of the window's thread know.
// Usage: window_probe.exe TITLE (UTF-8).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/windows/wide_text.h"

namespace {

HWND found = nullptr;
DWORD foundThread = 0;
// What the window's controls draw with where they do not tell: Wine answers
// WM_GETFONT from another process with no font.
LOGFONTW messageFont{};
int tools = 0;

BOOL CALLBACK countTools(HWND window, LPARAM) {
  std::wstring kind(64, L'\0');
  kind.resize(static_cast<std::size_t>(GetClassNameW(window, kind.data(), 64)));
  if (kind == TOOLTIPS_CLASSW)
    tools += static_cast<int>(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0));
  return TRUE;
}

// The widest line of the child's text in that face, links without their tags.
int textWidth(HWND child, const LOGFONTW& face) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
  for (const std::wstring_view tag : {std::wstring_view(L"<a>"), std::wstring_view(L"</a>")}) {
    for (auto at = text.find(tag); at != std::wstring::npos; at = text.find(tag)) {
      text.erase(at, tag.size());
    }
  }
  const HFONT font = CreateFontIndirectW(&face);
  const HDC dc = GetDC(child);
  const HGDIOBJ old = SelectObject(dc, font);
  int widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::size_t length = end - start;
    if (length > 0 && text[start + length - 1] == L'\r') --length;
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data() + start, static_cast<int>(length), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    start = end + 1;
  }
  SelectObject(dc, old);
  ReleaseDC(child, dc);
  DeleteObject(font);
  return widest;
}

BOOL CALLBACK describe(HWND child, LPARAM) {
  std::wstring kind(64, L'\0');
  kind.resize(static_cast<std::size_t>(GetClassNameW(child, kind.data(), 64)));
  LOGFONTW face{};
  const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
  const bool told = font != nullptr && GetObjectW(font, sizeof face, &face) != 0;
  if (!told) face = messageFont;
  RECT place{};
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, found, reinterpret_cast<POINT*>(&place), 2);
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  const bool group = kind == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
  // The face last: it may hold blanks.
  std::printf(
      "child %s id=%d x=%ld y=%ld w=%ld h=%ld height=%ld shown=%d group=%d text=%d font=%s\n",
      tivolen::Narrow(kind).c_str(), GetDlgCtrlID(child), static_cast<long>(place.left),
      static_cast<long>(place.top), static_cast<long>(place.right - place.left),
      static_cast<long>(place.bottom - place.top), static_cast<long>(face.lfHeight),
      (style & WS_VISIBLE) != 0 ? 1 : 0, group ? 1 : 0, textWidth(child, face),
      told ? tivolen::Narrow(face.lfFaceName).c_str() : "(message)");
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  found = FindWindowW(nullptr, argv[1]);
  if (found == nullptr) {
    std::printf("no window\n");
    return 1;
  }
  foundThread = GetWindowThreadProcessId(found, nullptr);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  std::printf("message-font %s\n", tivolen::Narrow(metrics.lfMessageFont.lfFaceName).c_str());
  NONCLIENTMETRICSW scaled{};
  scaled.cbSize = sizeof scaled;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof scaled, &scaled, 0,
                             GetDpiForWindow(found));
  messageFont = scaled.lfMessageFont;
  std::printf("dpi %u\n", GetDpiForWindow(found));
  RECT client{};
  GetClientRect(found, &client);
  std::printf("client %ld %ld\n", static_cast<long>(client.right),
              static_cast<long>(client.bottom));
  EnumChildWindows(found, describe, 0);
  EnumThreadWindows(foundThread, countTools, 0);
  std::printf("tools %d\n", tools);
  return 0;
}

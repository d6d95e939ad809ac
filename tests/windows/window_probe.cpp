// SPDX-License-Identifier: GPL-3.0-or-later
// Tells the Wine tests what a window of another program looks like from
// inside the window system: the system's message font, and for each child
// window its class, the face and height of the font it draws with, its
// place in pixels, and how many tools the tooltips of the window's thread
// know. Usage: window_probe.exe TITLE (UTF-8).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "platform/windows/wide_text.h"

namespace {

HWND found = nullptr;
DWORD foundThread = 0;
int tools = 0;

BOOL CALLBACK countTools(HWND window, LPARAM) {
  std::wstring kind(64, L'\0');
  kind.resize(static_cast<std::size_t>(GetClassNameW(window, kind.data(), 64)));
  if (kind == TOOLTIPS_CLASSW)
    tools += static_cast<int>(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0));
  return TRUE;
}

BOOL CALLBACK describe(HWND child, LPARAM) {
  std::wstring kind(64, L'\0');
  kind.resize(static_cast<std::size_t>(GetClassNameW(child, kind.data(), 64)));
  LOGFONTW face{};
  const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
  if (font != nullptr) GetObjectW(font, sizeof face, &face);
  RECT place{};
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, found, reinterpret_cast<POINT*>(&place), 2);
  // The face last: it may hold blanks.
  std::printf("child %s id=%d x=%ld y=%ld w=%ld h=%ld height=%ld font=%s\n",
              tivolen::Narrow(kind).c_str(), GetDlgCtrlID(child), static_cast<long>(place.left),
              static_cast<long>(place.top), static_cast<long>(place.right - place.left),
              static_cast<long>(place.bottom - place.top), static_cast<long>(face.lfHeight),
              font == nullptr ? "(stock)" : tivolen::Narrow(face.lfFaceName).c_str());
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
  std::printf("dpi %u\n", GetDpiForWindow(found));
  EnumChildWindows(found, describe, 0);
  EnumThreadWindows(foundThread, countTools, 0);
  std::printf("tools %d\n", tools);
  return 0;
}

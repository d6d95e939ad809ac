// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

namespace tivolen {

// A window class of this program: the arrow cursor, the program's own icon
// (resource 1) unless `withIcon` is false, and `background` (none when
// null, for windows that paint all of themselves).
inline void registerWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background,
                                bool withIcon) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (withIcon) windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  RegisterClassExW(&windowClass);
}

// The dialog face colour as a class background.
inline HBRUSH faceBrush() {
  return reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

}  // namespace tivolen

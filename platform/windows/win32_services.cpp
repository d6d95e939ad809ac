// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_services.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/message_line.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_handle.h"

namespace tivolen {
namespace {

std::wstring folderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Status hresultAt(std::string_view where, HRESULT result) {
  return Status::failedAt(where, SystemErrorText(static_cast<unsigned long>(result)));
}

}  // namespace

Status Win32Processes::start(const std::string& program, WindowState state) {
  const std::wstring path = Widen(program);
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow =
      static_cast<WORD>(state == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  PROCESS_INFORMATION process{};
  const std::wstring directory = folderOf(path);
  if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     directory.empty() ? nullptr : directory.c_str(), &startup, &process) == 0) {
    return Status::failedAt(program, SystemErrorText(GetLastError()));
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return Status::ok();
}

bool Win32Keyboard::shiftHeld() const {
  return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

void Win32Messages::detail(std::string_view text) {
  const std::string line = Narrow(caption_) + ": " + MessageLine(text) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  OutputDebugStringW(Widen(line).c_str());
}

Answer Win32Messages::show(std::string_view text, Buttons buttons) {
  detail(text);
  UINT type = MB_OK;
  if (buttons == Buttons::OkCancel) type = MB_OKCANCEL;
  if (buttons == Buttons::YesNo) type = MB_YESNO;
  // Modal to the program's window while it is open, so no click there runs
  // into a handler that waits for this answer; a minimised window would hide
  // a box it owns.
  HWND owner = GetActiveWindow();
  if (owner != nullptr && IsIconic(owner) != 0) owner = nullptr;
  const int pressed =
      MessageBoxW(owner, Widen(text).c_str(), caption_.c_str(), type | MB_SETFOREGROUND);
  switch (pressed) {
    case IDCANCEL:
      return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  }
}

std::optional<std::string> Win32SpecialFolders::path(SpecialFolder folder) const {
  const KNOWNFOLDERID* id = nullptr;
  switch (folder) {
    case SpecialFolder::Desktop:
      id = &FOLDERID_Desktop;
      break;
    case SpecialFolder::Startup:
      id = &FOLDERID_Startup;
      break;
    case SpecialFolder::AppData:
      id = &FOLDERID_RoamingAppData;
      break;
    case SpecialFolder::Applications:
      id = &FOLDERID_Programs;
      break;
  }
  if (id == nullptr) return std::nullopt;
  wchar_t* found = nullptr;
  const HRESULT result = SHGetKnownFolderPath(*id, KF_FLAG_CREATE, nullptr, &found);
  std::optional<std::string> path;
  if (SUCCEEDED(result) && found != nullptr) path = Narrow(found);
  CoTaskMemFree(found);
  return path;
}

std::string Win32Shortcuts::fileName(std::string_view name) const {
  return std::string(name) + ".lnk";
}

Status Win32Shortcuts::write(const std::string& shortcutPath, const std::string& target,
                             const std::string& workingDirectory,
                             const std::vector<ShortcutAction>& /*actions*/) {
  const ComScope com;
  ComPtr<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(link.out()));
  if (FAILED(result)) return hresultAt(shortcutPath, result);
  link->SetPath(Widen(target).c_str());
  link->SetWorkingDirectory(Widen(workingDirectory).c_str());
  ComPtr<IPersistFile> file;
  result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()));
  if (FAILED(result)) return hresultAt(shortcutPath, result);
  result = file->Save(Widen(shortcutPath).c_str(), TRUE);
  if (FAILED(result)) return hresultAt(shortcutPath, result);
  return Status::ok();
}

std::optional<ScreenSize> Win32Screen::size() const {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return std::nullopt;
  return ScreenSize{width, height};
}

Status Win32Desktop::setWallpaper(const std::string& path) {
  const wchar_t* tile = layout_ == WallpaperLayout::Tiled ? L"1" : L"0";
  const wchar_t* style = L"0";
  switch (layout_) {
    case WallpaperLayout::Centred:
      style = L"0";
      break;
    case WallpaperLayout::Tiled:
      style = L"1";
      break;
    case WallpaperLayout::Stretched:
      style = L"2";
      break;
    case WallpaperLayout::Zoom:
      style = L"4";
      break;
  }
  HKEY key = nullptr;
  // A key that cannot be opened costs the layout, never the wallpaper.
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    const auto setText = [key](const wchar_t* name, const wchar_t* value) {
      const auto bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
    };
    setText(L"TileWallpaper", tile);
    setText(L"Wallpaperstyle", style);
    RegCloseKey(key);
  }
  std::wstring wide = Widen(path);
  if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, wide.data(),
                            SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE) == 0) {
    return Status::failedAt(path, SystemErrorText(GetLastError()));
  }
  return Status::ok();
}

}  // namespace tivolen

namespace tivolen {

Status Win32Documents::open(const std::string& path) {
  const std::wstring wide = Widen(path);
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are error codes, by the function's old contract.
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return Status::ok();
  return Status::failedAt(path, "ShellExecuteW error " + std::to_string(code));
}

}  // namespace tivolen

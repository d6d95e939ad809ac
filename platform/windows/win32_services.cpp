// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_services.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

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

namespace {

// The width a box needs for its whole title: the caption font's text, the
// system menu icon and the close button, and the frame's margins.
int widthForCaption(HWND box) {
  const UINT dpi = GetDpiForWindow(box);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) == 0) {
    return 0;
  }
  std::array<wchar_t, 256> title{};
  const int length = GetWindowTextW(box, title.data(), static_cast<int>(title.size()));
  const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  HDC context = GetDC(box);
  const HGDIOBJ before = SelectObject(context, font);
  SIZE extent{};
  GetTextExtentPoint32W(context, title.data(), length, &extent);
  SelectObject(context, before);
  ReleaseDC(box, context);
  DeleteObject(font);
  const int buttons = 2 * metrics.iCaptionWidth + GetSystemMetricsForDpi(SM_CXSMICON, dpi);
  const int frame = 2 * (GetSystemMetricsForDpi(SM_CXFRAME, dpi) +
                         GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi));
  return extent.cx + buttons + frame + 2 * metrics.iCaptionWidth;
}

// A message box sizes itself by its text and buttons alone, so a short
// message cuts its title to "壁…". Widened as it is activated, the box keeps
// its text where it is and its buttons centred, and stays centred itself.
LRESULT CALLBACK widenMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wParam);
    std::array<wchar_t, 16> kind{};
    GetClassNameW(box, kind.data(), static_cast<int>(kind.size()));
    RECT frame{};
    if (std::wstring_view(kind.data()) == L"#32770" && GetWindowRect(box, &frame) != 0) {
      const int grow = widthForCaption(box) - (frame.right - frame.left);
      if (grow > 0) {
        SetWindowPos(box, nullptr, frame.left - grow / 2, frame.top,
                     frame.right - frame.left + grow, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
          std::array<wchar_t, 16> childKind{};
          GetClassNameW(child, childKind.data(), static_cast<int>(childKind.size()));
          if (std::wstring_view(childKind.data()) != L"Button") continue;
          RECT place{};
          GetWindowRect(child, &place);
          MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&place), 2);
          SetWindowPos(child, nullptr, place.left + grow / 2, place.top, 0, 0,
                       SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        }
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

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
  const HHOOK widen = SetWindowsHookExW(WH_CBT, widenMessageBox, nullptr, GetCurrentThreadId());
  const int pressed =
      MessageBoxW(owner, Widen(text).c_str(), caption_.c_str(), type | MB_SETFOREGROUND);
  if (widen != nullptr) UnhookWindowsHookEx(widen);
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

std::vector<std::string> Win32FileChooser::choose(ChooseWhat what, std::string_view title,
                                                  const std::vector<std::string>& patterns) {
  const ComScope com;
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(dialog.out())))) {
    return {};
  }
  DWORD options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST;
  options |=
      what == ChooseWhat::Folder ? FOS_PICKFOLDERS : FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST;
  dialog->SetOptions(options);
  const std::wstring wideTitle = Widen(title);
  dialog->SetTitle(wideTitle.c_str());
  std::wstring globs;
  for (const std::string& pattern : patterns)
    globs += (globs.empty() ? L"" : L";") + Widen(pattern);
  const std::array<COMDLG_FILTERSPEC, 2> filters{
      {{L"画像", globs.c_str()}, {L"すべてのファイル", L"*.*"}}};
  if (what == ChooseWhat::Pictures && !globs.empty()) {
    dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
  }
  HWND owner = GetActiveWindow();
  if (FAILED(dialog->Show(owner))) return {};  // cancelled, too
  ComPtr<IShellItemArray> items;
  if (FAILED(dialog->GetResults(items.out()))) return {};
  DWORD count = 0;
  items->GetCount(&count);
  std::vector<std::string> chosen;
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IShellItem> item;
    if (FAILED(items->GetItemAt(i, item.out()))) continue;
    wchar_t* path = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path != nullptr) {
      chosen.push_back(Narrow(path));
    }
    CoTaskMemFree(path);
  }
  return chosen;
}

}  // namespace tivolen

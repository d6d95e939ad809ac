// SPDX-License-Identifier: GPL-3.0-or-later
// Form1 as a plain Win32 window: the same controls, texts and places as the
// Qt window, over the same Navigator logic.
#include <windows.h>

#include <string>

#include "changer/navigator.h"
#include "changer/navigator_window.h"
#include "common/texts.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/window_class.h"

namespace tivolen {
namespace {

enum ControlId : int { kBack = 101, kRandom, kNext, kManager };

constexpr int kButtonWidth = 73;
constexpr int kButtonHeight = 24;
constexpr int kManagerButtonSide = 41;
constexpr int kLabelTop = 45;
constexpr int kFormWidth = 465;

class Win32NavigatorForm final : private NavigatorView {
 public:
  explicit Win32NavigatorForm(Platform& platform) : navigator_(platform, *this) {}

  int run() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(L"Form1", &Win32NavigatorForm::procedure, faceBrush(), true);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kFormWidth, kLabelTop + kButtonHeight + 4};
    AdjustWindowRect(&frame, style, FALSE);
    window_ = CreateWindowExW(0, L"Form1", Widen(text::kChangerCaption).c_str(), style, 0, 0,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, this);
    if (window_ == nullptr) return 1;
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const auto control = [&](const wchar_t* kind, const wchar_t* caption, DWORD extra, int x,
                             int width, int height, int id, int y = 0) {
      HWND made = CreateWindowExW(
          0, kind, caption, WS_CHILD | WS_VISIBLE | extra, x, y, width, height, window_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
      SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      return made;
    };
    control(L"BUTTON", L"<", BS_PUSHBUTTON, 0, kButtonWidth, kButtonHeight, kBack);
    control(L"BUTTON", L"↑↓", BS_PUSHBUTTON, 96, kButtonWidth, kButtonHeight, kRandom);
    control(L"BUTTON", L">", BS_PUSHBUTTON, 192, kButtonWidth, kButtonHeight, kNext);
    control(L"BUTTON", L"管理", BS_PUSHBUTTON, 296, kManagerButtonSide, kManagerButtonSide,
            kManager);
    position_ = control(L"STATIC", L"", SS_LEFT, 350, kFormWidth - 350, kButtonHeight, 0);
    wallName_ = control(L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL, 0, kFormWidth, kButtonHeight, 0,
                        kLabelTop);
    navigator_.open();
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageW(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    return programEnded_ ? 1 : 0;
  }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Win32NavigatorForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      form->command(LOWORD(wParam));
      return 0;
    }
    if (message == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void command(int id) {
    switch (id) {
      case kBack:
        press(-1);
        break;
      case kRandom:
        press(0);
        break;
      case kNext:
        press(1);
        break;
      case kManager:
        navigator_.startManager();
        break;
      default:
        break;
    }
  }

  void press(int direction) {
    if (navigator_.step(direction) == StepResult::EndProgram) {
      programEnded_ = true;
      DestroyWindow(window_);
    }
  }

  void showWallpaperName(std::string_view path) override {
    SetWindowTextW(wallName_, Widen(path).c_str());
  }
  void showPosition(int position) override {
    SetWindowTextW(position_, std::to_wstring(position).c_str());
  }
  void setBusy(bool busy) override { SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW)); }

  Navigator navigator_;
  HWND window_ = nullptr;
  HWND wallName_ = nullptr;
  HWND position_ = nullptr;
  bool programEnded_ = false;
};

}  // namespace

int ShowNavigator(Platform& platform) {
  Win32NavigatorForm form(platform);
  return form.run();
}

}  // namespace tivolen

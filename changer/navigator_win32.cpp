// SPDX-License-Identifier: GPL-3.0-or-later
// Form1 as a plain Win32 window: the same controls, texts and places as the
// Qt window, over the same Navigator logic.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>
#include <string_view>

#include "changer/navigator.h"
#include "changer/navigator_window.h"
#include "common/texts.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/window_class.h"

namespace tivolen {
namespace {

enum ControlId : int { kBack = 101, kRandom, kNext, kManager, kPosition, kWallName };

// Places at 96 dpi, as the Qt window has them.
constexpr int kButtonWidth = 73;
constexpr int kButtonHeight = 24;
constexpr int kManagerButtonSide = 41;
constexpr int kLabelTop = 45;
constexpr int kFormWidth = 465;
constexpr int kFormHeight = kLabelTop + kButtonHeight + 4;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct Place {
  int id;
  RECT at;  // left, top, width, height
};
constexpr Place kPlaces[] = {
    {kBack, {0, 0, kButtonWidth, kButtonHeight}},
    {kRandom, {96, 0, kButtonWidth, kButtonHeight}},
    {kNext, {192, 0, kButtonWidth, kButtonHeight}},
    {kManager, {296, 0, kManagerButtonSide, kManagerButtonSide}},
    {kPosition, {350, 0, kFormWidth - 350, kButtonHeight}},
    {kWallName, {0, kLabelTop, kFormWidth, kButtonHeight}},
};

class Win32NavigatorForm final : private NavigatorView {
 public:
  explicit Win32NavigatorForm(Platform& platform) : navigator_(platform, *this) {}
  Win32NavigatorForm(const Win32NavigatorForm&) = delete;
  Win32NavigatorForm& operator=(const Win32NavigatorForm&) = delete;
  ~Win32NavigatorForm() {
    if (font_ != nullptr) DeleteObject(font_);
  }

  int run() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    registerWindowClass(L"Form1", &Win32NavigatorForm::procedure, faceBrush(), true);

    window_ = CreateWindowExW(0, L"Form1", Widen(text::kChangerCaption).c_str(), kWindowStyle, 0, 0,
                              kFormWidth, kFormHeight, nullptr, nullptr, instance, this);
    if (window_ == nullptr) return 1;
    const auto control = [&](const wchar_t* kind, const wchar_t* caption, DWORD extra, int id) {
      return CreateWindowExW(0, kind, caption, WS_CHILD | WS_VISIBLE | extra, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    const HWND back = control(L"BUTTON", L"<", BS_PUSHBUTTON | WS_TABSTOP, kBack);
    const HWND random = control(L"BUTTON", L"↑↓", BS_PUSHBUTTON | WS_TABSTOP, kRandom);
    const HWND next = control(L"BUTTON", L">", BS_PUSHBUTTON | WS_TABSTOP, kNext);
    const HWND manager = control(L"BUTTON", L"管理", BS_PUSHBUTTON | WS_TABSTOP, kManager);
    position_ = control(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kPosition);
    // A long name is shortened in the middle, keeping the file's own name;
    // the tooltip holds it whole. SS_NOTIFY lets the label see the pointer.
    wallName_ =
        control(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS | SS_NOTIFY, kWallName);

    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                            0, 0, window_, nullptr, instance, nullptr);
    addTip(back, text::kTipBack);
    addTip(random, text::kTipRandom);
    addTip(next, text::kTipNext);
    addTip(manager, text::kTipManager);
    addTip(wallName_, "");
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 2000);

    dpi_ = static_cast<int>(GetDpiForWindow(window_));
    if (dpi_ <= 0) dpi_ = 96;
    applyScale();
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
    if (form != nullptr && message == WM_DPICHANGED) {
      // Moved to a monitor of another scale: the window takes the place
      // Windows suggests and every control its scaled size and font.
      form->dpi_ = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
      form->applyScale();
      return 0;
    }
    if (message == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  [[nodiscard]] int scaled(LONG value) const { return MulDiv(static_cast<int>(value), dpi_, 96); }

  // The system's message font at this window's scale, as the manager uses:
  // the stock GUI font has no Japanese glyphs on a system that does not
  // link one to it (Wine), and does not follow the scale.
  void applyScale() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW face{};
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                   static_cast<UINT>(dpi_)) != 0) {
      face = metrics.lfMessageFont;
    } else {
      GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    }
    const HFONT font = CreateFontIndirectW(&face);
    for (const Place& place : kPlaces) {
      const HWND item = GetDlgItem(window_, place.id);
      MoveWindow(item, scaled(place.at.left), scaled(place.at.top), scaled(place.at.right),
                 scaled(place.at.bottom), TRUE);
      SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
    RECT frame{0, 0, scaled(kFormWidth), scaled(kFormHeight)};
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi_));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }

  void addTip(HWND control, std::string_view tip) {
    std::wstring wide = Widen(tip);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = wide.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
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
    std::wstring wide = Widen(path);
    SetWindowTextW(wallName_, wide.c_str());
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(wallName_);
    info.lpszText = wide.data();
    SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  }
  void showPosition(int position) override {
    SetWindowTextW(position_, std::to_wstring(position).c_str());
  }
  void setBusy(bool busy) override { SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW)); }

  Navigator navigator_;
  HWND window_ = nullptr;
  HWND tips_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
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

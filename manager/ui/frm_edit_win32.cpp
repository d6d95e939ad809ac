// SPDX-License-Identifier: GPL-3.0-or-later
// frmEdit as a plain Win32 window: one native control for each control of
// the window's description, its events handed to the driver, which shows
// the form's state again.
#include "manager/ui/frm_edit_win32.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/texts.h"
#include "manager/manager_texts.h"
#include "manager/preview.h"
#include "manager/window_controls.h"
#include "manager/window_driver.h"
#include "manager/window_layout.h"
#include "picture/side_thread.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/window_class.h"

namespace tivolen::manager {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// Posted after a change of List1's selection, handled once the list is done.
constexpr UINT kSelectionChanged = WM_APP + 1;
// Posted by the preview decoder with a PreviewDone the window then owns.
constexpr UINT kPreviewDone = WM_APP + 2;
constexpr int kStyleDropHeight = 160;
// The smallest scale the window is drawn at where the screen leaves too
// little room for its pages: three quarters of 96 dpi.
constexpr int kLeastScale = 72;
// A fixed frame: the pages are laid out for one size. No WS_CLIPCHILDREN:
// the frames are transparent children, and the window paints under them.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

// One control of the description and the window made for it.
struct Item {
  HWND window = nullptr;
  const ControlEntry* control = nullptr;
  bool shown = true;  // on its page, as the form has it
  Box at;             // where it sits in the client area, in pixels
};

std::wstring windowText(HWND window) {
  std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  value.resize(static_cast<std::size_t>(
      GetWindowTextW(window, value.data(), static_cast<int>(value.size()))));
  return value;
}

void setText(HWND window, std::string_view value) {
  const std::wstring wanted = Widen(value);
  if (windowText(window) != wanted) SetWindowTextW(window, wanted.c_str());
}

void setShown(HWND window, bool shown) {
  const bool now = (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (now != shown) ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
}

void setEnabled(HWND window, bool enabled) {
  if ((IsWindowEnabled(window) != 0) != enabled) EnableWindow(window, enabled ? TRUE : FALSE);
}

void setScroll(HWND bar, const ControlState& state) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_POS;
  info.nMin = state.min;
  info.nMax = state.max;
  info.nPos = state.value;
  SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

// The class, styles and caption of the native control for a kind.
struct Native {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};
Native nativeOf(const ControlEntry& control, bool firstRadio) {
  constexpr DWORD kTab = WS_TABSTOP | WS_GROUP;
  switch (control.kind) {
    case ControlKind::Frame:
      return {L"BUTTON", BS_GROUPBOX | WS_GROUP, 0};
    case ControlKind::List:
      return {L"LISTBOX", LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | kTab,
              WS_EX_CLIENTEDGE};
    case ControlKind::Preview:
      return {L"ImgPV", 0, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | kTab, 0};
    case ControlKind::Choice:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | kTab, 0};
    case ControlKind::Link:
      return {WC_LINK, kTab, 0};
    case ControlKind::HBar:
      return {L"SCROLLBAR", SBS_HORZ | kTab, 0};
    case ControlKind::VBar:
      return {L"SCROLLBAR", SBS_VERT | kTab, 0};
    case ControlKind::Radio:
      // The arrows move within the group; Tab reaches its chosen button.
      return {L"BUTTON", BS_AUTORADIOBUTTON | (firstRadio ? kTab : 0), 0};
    case ControlKind::Check:
      return {L"BUTTON", BS_AUTOCHECKBOX | kTab, 0};
    case ControlKind::Edit:
      return {L"EDIT", ES_AUTOHSCROLL | kTab, WS_EX_CLIENTEDGE};
    case ControlKind::ReadOnly:
      return {L"EDIT", ES_READONLY | ES_RIGHT | WS_GROUP, WS_EX_CLIENTEDGE};
    case ControlKind::Menu:
    case ControlKind::Label:
    case ControlKind::Title:
      break;
  }
  return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
}

struct PreviewDone {
  int serial = 0;
  PreviewPicture preview;
};

// Decodes previews on one thread of its own, so the list stays usable while
// a large photo decodes: only the newest request waits, older ones are
// dropped, and each result is posted to the window. Without a thread to be
// had, each preview is decoded at once, and the window waits for it.
class PreviewDecoder {
 public:
  explicit PreviewDecoder(Pictures& pictures) : pictures_(pictures) {}
  ~PreviewDecoder() { thread_.reset(); }
  PreviewDecoder(const PreviewDecoder&) = delete;
  PreviewDecoder& operator=(const PreviewDecoder&) = delete;

  void request(HWND window, int serial, std::string path, PictureSize box) {
    Job job{window, serial, std::move(path), box};
    if (!thread_) {
      thread_.emplace([this] { run(); },
                      [this] {
                        {
                          const std::scoped_lock lock(mutex_);
                          stopping_ = true;
                        }
                        wake_.notify_one();
                      });
    }
    if (!thread_->started()) {
      decode(job);
      return;
    }
    {
      const std::scoped_lock lock(mutex_);
      next_ = std::move(job);
    }
    wake_.notify_one();
  }

 private:
  struct Job {
    HWND window = nullptr;
    int serial = 0;
    std::string path;
    PictureSize box;
  };

  void run() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || next_.has_value(); });
        if (stopping_) return;
        job = std::move(*next_);
        next_.reset();
      }
      decode(job);
    }
  }

  void decode(const Job& job) {
    auto done = std::make_unique<PreviewDone>();
    done->serial = job.serial;
    done->preview = LoadPreview(pictures_, job.path, job.box);
    if (PostMessageW(job.window, kPreviewDone, 0, reinterpret_cast<LPARAM>(done.get())) != 0) {
      static_cast<void>(done.release());  // the window deletes it
    }
  }

  Pictures& pictures_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> next_;
  bool stopping_ = false;
  std::optional<SideThread> thread_;  // last: it stops before the rest goes
};

class Win32FrmEdit final : private FormObserver, private WindowView {
 public:
  Win32FrmEdit(EditForm& form, InstanceLock* instanceLock)
      : form_(form),
        driver_(form, *this),
        instanceLock_(instanceLock),
        decoder_(form.platform().pictures) {
    form_.setObserver(this);
  }
  ~Win32FrmEdit() override {
    form_.setObserver(nullptr);
    if (font_ != nullptr) DeleteObject(font_);
    if (bigFont_ != nullptr) DeleteObject(bigFont_);
    if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  }
  Win32FrmEdit(const Win32FrmEdit&) = delete;
  Win32FrmEdit& operator=(const Win32FrmEdit&) = delete;

  int run();

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK listProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self);
  static LRESULT CALLBACK previewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  void rowsAppended(int newCount) override;
  void rowsReset() override;

  void showPage(int page) override;
  void showControl(const ControlEntry& control, const ControlState& state) override;
  void focusControl(const ControlEntry& control) override;
  void showSelection(const ListBox& box) override;
  ShownSelection shownSelection() override;
  void runTimer(int milliseconds) override;
  bool onScreen() override;
  void minimise(bool minimised) override;
  void setBusy(bool busy) override;
  void loadPreview(const PreviewRequest& request) override;

  bool create();
  void makeFonts();
  WindowLayout layOut(Extent room);
  std::vector<std::string> linesOf(const ControlEntry& control);
  void place(const WindowLayout& layout);
  void applyScale(const RECT* suggested);
  [[nodiscard]] int scaled(int value) const { return MulDiv(value, scale_, 96); }
  Item& itemOf(const ControlEntry& control) {
    return items_[static_cast<std::size_t>(&control - WindowControls().data())];
  }
  [[nodiscard]] bool onPage(const Item& item) const {
    return item.control->page == kEveryPage || item.control->page == page_;
  }

  void previewDone(std::unique_ptr<PreviewDone> done);
  void command(int id, int code);
  void scrolled(HWND bar, int code);
  void dropped(HDROP drop);
  void mouseMoved(const MSG& message);
  void paintPreview();
  void paintEmptyHint(HWND list);
  void close();

  EditForm& form_;
  WindowDriver driver_;
  InstanceLock* instanceLock_;
  HWND window_ = nullptr;
  HWND list1_ = nullptr;
  HWND imgPV_ = nullptr;
  HWND lastFocus_ = nullptr;
  // Index as WindowControls(); the menus have no window.
  std::vector<Item> items_;
  HFONT font_ = nullptr;
  HFONT bigFont_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HCURSOR beforeBusy_ = nullptr;
  int dpi_ = 96;    // the monitor's
  int scale_ = 96;  // the pages', never larger than the monitor's free area allows
  int page_ = -1;
  Picture preview_;
  // Last: its thread ends before anything it might post to goes.
  PreviewDecoder decoder_;
};

int Win32FrmEdit::run() {
  if (!create()) return 1;
  // The load runs before the window shows, as its questions come first.
  driver_.load();
  // Once more with the texts and entries the form has set.
  applyScale(nullptr);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetFocus(list1_);
  if (instanceLock_ != nullptr) instanceLock_->serve({}, reinterpret_cast<std::uintptr_t>(window_));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_MOUSEMOVE) mouseMoved(message);
    if (TranslateAcceleratorW(window_, accelerators_, &message) != 0) continue;
    if (IsDialogMessageW(window_, &message) != 0) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

bool Win32FrmEdit::create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_LINK_CLASS;
  InitCommonControlsEx(&controls);

  registerWindowClass(L"frmEdit", &Win32FrmEdit::procedure, faceBrush(), true);
  registerWindowClass(L"ImgPV", &Win32FrmEdit::previewProcedure, nullptr, false);

  // The menus in the description's order; Ctrl+1, Ctrl+2... reach them from
  // the keyboard, as in the Qt window.
  const HMENU menu = CreateMenu();
  std::vector<ACCEL> keys;
  for (const ControlEntry& control : WindowControls()) {
    if (control.kind != ControlKind::Menu) continue;
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(control.id),
                Widen(CaptionOf(control.name)).c_str());
    keys.push_back({static_cast<BYTE>(FVIRTKEY | FCONTROL),
                    static_cast<WORD>('1' + static_cast<int>(keys.size())),
                    static_cast<WORD>(control.id)});
  }
  accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));

  window_ =
      CreateWindowExW(kWindowExStyle, L"frmEdit", Widen(tivolen::text::kManagerCaption).c_str(),
                      kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, kPreferredClient.width,
                      kPreferredClient.height, nullptr, menu, instance, this);
  if (window_ == nullptr) return false;
  dpi_ = static_cast<int>(GetDpiForWindow(window_));
  if (dpi_ <= 0) dpi_ = 96;

  // Created in the description's order, which is the order of the Tab key:
  // a dialog's keyboard follows the order of its child windows.
  const auto all = WindowControls();
  items_.resize(all.size());
  std::string_view radioGroup;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ControlEntry& control = all[i];
    items_[i].control = &control;
    if (control.kind == ControlKind::Menu) continue;
    const bool firstRadio = control.kind == ControlKind::Radio && control.parent != radioGroup;
    if (control.kind == ControlKind::Radio) radioGroup = control.parent;
    const Native native = nativeOf(control, firstRadio);
    std::string caption(CaptionOf(control.name));
    if (control.kind == ControlKind::Link) caption = "<a>" + caption + "</a>";
    const HWND made = CreateWindowExW(native.exStyle, native.windowClass, Widen(caption).c_str(),
                                      WS_CHILD | native.style, 0, 0, 0, 0, window_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                      instance, nullptr);
    items_[i].window = made;
    if (control.kind == ControlKind::List) {
      list1_ = made;
      SetWindowSubclass(list1_, &Win32FrmEdit::listProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
    } else if (control.kind == ControlKind::Preview) {
      imgPV_ = made;
      SetWindowLongPtrW(imgPV_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
  }
  applyScale(nullptr);
  return true;
}

void Win32FrmEdit::applyScale(const RECT* suggested) {
  // The monitor's scale, the pages laid out from their texts in what its
  // free area leaves (1280 x 800 at 200 %); only where even their least size
  // does not fit is the scale lowered, so OK always stays in reach.
  Extent room;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor) != 0) {
    RECT chrome{0, 0, 0, 0};
    AdjustWindowRectExForDpi(&chrome, kWindowStyle, TRUE, kWindowExStyle, static_cast<UINT>(dpi_));
    room = {
        static_cast<int>(monitor.rcWork.right - monitor.rcWork.left - (chrome.right - chrome.left)),
        static_cast<int>(monitor.rcWork.bottom - monitor.rcWork.top -
                         (chrome.bottom - chrome.top))};
  }
  scale_ = dpi_;
  makeFonts();
  WindowLayout layout = layOut(room);
  // Texts do not shrink exactly with the font: a second try at the scale
  // the first one suggests, then the least scale if that still overflows.
  for (int tries = 0; tries < 2 && scale_ > kLeastScale && room.width > 0 && room.height > 0 &&
                      (layout.client.width > room.width || layout.client.height > room.height);
       ++tries) {
    const int fits = std::min(MulDiv(scale_, room.width, layout.least.width),
                              MulDiv(scale_, room.height, layout.least.height));
    scale_ = tries == 0 ? std::max(kLeastScale, std::min(scale_ - 1, fits)) : kLeastScale;
    makeFonts();
    layout = layOut(room);
  }
  place(layout);
  RECT frame{0, 0, layout.client.width, layout.client.height};
  AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, static_cast<UINT>(dpi_));
  if (suggested == nullptr) {
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32FrmEdit::makeFonts() {
  // The system's message font at this window's scale: a Japanese face on a
  // Japanese system, linked to one elsewhere.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW face{};
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                 static_cast<UINT>(scale_)) != 0) {
    face = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  }
  if (font_ != nullptr) DeleteObject(font_);
  if (bigFont_ != nullptr) DeleteObject(bigFont_);
  font_ = CreateFontIndirectW(&face);
  face.lfHeight = face.lfHeight * 8 / 5;
  face.lfWeight = FW_BOLD;
  bigFont_ = CreateFontIndirectW(&face);
}

std::vector<std::string> Win32FrmEdit::linesOf(const ControlEntry& control) {
  const HWND window = itemOf(control).window;
  std::vector<std::string> lines;
  if (control.kind == ControlKind::Choice) {
    const auto count = static_cast<int>(SendMessageW(window, CB_GETCOUNT, 0, 0));
    for (int entry = 0; entry < count; ++entry) {
      std::wstring text(
          static_cast<std::size_t>(SendMessageW(window, CB_GETLBTEXTLEN, entry, 0)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(
          SendMessageW(window, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(text.data()))));
      lines.push_back(Narrow(text));
    }
    return lines;
  }
  // What the form shows now, else the table's caption: the form sets some
  // texts only once the list is read.
  std::wstring shown = windowText(window);
  if (control.kind == ControlKind::Link) {
    for (const std::wstring_view tag : {std::wstring_view(L"<a>"), std::wstring_view(L"</a>")}) {
      for (auto at = shown.find(tag); at != std::wstring::npos; at = shown.find(tag)) {
        shown.erase(at, tag.size());
      }
    }
  }
  if (shown.empty()) return CaptionLines(control);
  std::wstring_view rest = shown;
  while (!rest.empty()) {
    const std::size_t end = rest.find(L'\n');
    std::wstring_view line = rest.substr(0, end);
    if (line.ends_with(L'\r')) line.remove_suffix(1);
    lines.push_back(Narrow(std::wstring(line)));
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return lines;
}

WindowLayout Win32FrmEdit::layOut(Extent room) {
  // Texts measured in the fonts the controls draw with, at this scale.
  const HDC dc = GetDC(window_);
  const auto old = SelectObject(dc, font_);
  LayoutMetrics metrics;
  metrics.scale = scale_ / 96.0;
  metrics.measure = [this, dc](std::string_view line, bool large) {
    SelectObject(dc, large ? bigFont_ : font_);
    const std::wstring wide = Widen(line);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    TEXTMETRICW text{};
    GetTextMetricsW(dc, &text);
    return Extent{static_cast<int>(size.cx), static_cast<int>(text.tmHeight)};
  };
  metrics.lines = [this](const ControlEntry& control) { return linesOf(control); };
  WindowLayout layout = LayOutWindow(metrics, room);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return layout;
}

void Win32FrmEdit::place(const WindowLayout& layout) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    Item& item = items_[i];
    if (item.window == nullptr) continue;
    item.at = layout.boxes[i];
    // A drop-down list's height includes its open list.
    const int height = item.control->kind == ControlKind::Choice
                           ? item.at.height + scaled(kStyleDropHeight)
                           : item.at.height;
    MoveWindow(item.window, item.at.left, item.at.top, item.at.width, height, FALSE);
    const HFONT font = item.control->kind == ControlKind::Title ? bigFont_ : font_;
    SendMessageW(item.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (item.control->kind == ControlKind::Choice) {
      // The closed box as tall as the pass made it, its border included.
      SendMessageW(item.window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                   std::max(item.at.height - scaled(6), 1));
    }
  }
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32FrmEdit::showPage(int page) {
  page_ = page;
  for (const Item& item : items_) {
    if (item.window != nullptr) setShown(item.window, item.shown && onPage(item));
  }
}

void Win32FrmEdit::showControl(const ControlEntry& control, const ControlState& state) {
  Item& item = itemOf(control);
  item.shown = state.shown;
  setShown(item.window, state.shown && onPage(item));
  setEnabled(item.window, state.enabled);
  switch (control.kind) {
    case ControlKind::Frame:
    case ControlKind::Button:
    case ControlKind::Label:
    case ControlKind::Title:
    case ControlKind::Edit:
    case ControlKind::ReadOnly:
      setText(item.window, state.text);
      break;
    case ControlKind::Link:
      setText(item.window, "<a>" + state.text + "</a>");
      break;
    case ControlKind::Radio:
    case ControlKind::Check:
      setText(item.window, state.text);
      CheckDlgButton(window_, control.id, state.checked ? BST_CHECKED : BST_UNCHECKED);
      break;
    case ControlKind::HBar:
    case ControlKind::VBar:
      setScroll(item.window, state);
      break;
    case ControlKind::Choice: {
      const HWND choice = item.window;
      if (SendMessageW(choice, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(state.entries.size())) {
        SendMessageW(choice, CB_RESETCONTENT, 0, 0);
        for (const std::string& entry : state.entries) {
          SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
        }
      }
      if (SendMessageW(choice, CB_GETCURSEL, 0, 0) != state.value) {
        SendMessageW(choice, CB_SETCURSEL, static_cast<WPARAM>(state.value), 0);
      }
      break;
    }
    default:
      break;
  }
}

void Win32FrmEdit::focusControl(const ControlEntry& control) {
  SetFocus(itemOf(control).window);
}

void Win32FrmEdit::runTimer(int milliseconds) {
  // SetTimer on a running timer restarts it with the new interval.
  if (milliseconds > 0) {
    SetTimer(window_, kTimer1, static_cast<UINT>(milliseconds), nullptr);
  } else {
    KillTimer(window_, kTimer1);
  }
}

bool Win32FrmEdit::onScreen() {
  return IsWindowVisible(window_) != 0;
}

void Win32FrmEdit::minimise(bool minimised) {
  if (minimised) {
    ShowWindow(window_, SW_MINIMIZE);
  } else if (IsIconic(window_) != 0) {
    ShowWindow(window_, SW_RESTORE);
  }
}

void Win32FrmEdit::setBusy(bool busy) {
  if (busy) {
    beforeBusy_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  } else {
    SetCursor(beforeBusy_);
  }
}

void Win32FrmEdit::loadPreview(const PreviewRequest& request) {
  if (request.path.empty()) {
    preview_ = Picture();
    InvalidateRect(imgPV_, nullptr, TRUE);
    return;
  }
  // The old picture stays until the new one is ready, as in the Qt window.
  RECT box{};
  GetClientRect(imgPV_, &box);
  decoder_.request(window_, request.serial, request.path, {box.right, box.bottom});
}

void Win32FrmEdit::previewDone(std::unique_ptr<PreviewDone> done) {
  const std::string failure =
      done->preview.status.isOk() ? std::string() : done->preview.status.message;
  if (!driver_.previewLoaded(done->serial, failure)) return;
  preview_ = std::move(done->preview.pixels);
  InvalidateRect(imgPV_, nullptr, TRUE);
}

void Win32FrmEdit::showSelection(const ListBox& box) {
  const int count = std::min(static_cast<int>(SendMessageW(list1_, LB_GETCOUNT, 0, 0)),
                             static_cast<int>(box.selected.size()));
  SendMessageW(list1_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list1_, LB_SETSEL, FALSE, -1);
  for (const auto& [first, last] : SelectedRuns(box, count)) {
    SendMessageW(list1_, LB_SELITEMRANGEEX, static_cast<WPARAM>(first), last);
  }
  if (box.listIndex >= 0 && box.listIndex < count) {
    SendMessageW(list1_, LB_SETANCHORINDEX, static_cast<WPARAM>(box.listIndex), 0);
    SendMessageW(list1_, LB_SETCARETINDEX, static_cast<WPARAM>(box.listIndex), FALSE);
  }
  SendMessageW(list1_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list1_, nullptr, TRUE);
}

ShownSelection Win32FrmEdit::shownSelection() {
  ShownSelection shown;
  const auto count = static_cast<int>(SendMessageW(list1_, LB_GETSELCOUNT, 0, 0));
  shown.rows.resize(static_cast<std::size_t>(std::max(count, 0)));
  if (count > 0) {
    SendMessageW(list1_, LB_GETSELITEMS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(shown.rows.data()));
  }
  shown.focus = static_cast<int>(SendMessageW(list1_, LB_GETCARETINDEX, 0, 0));
  return shown;
}

void Win32FrmEdit::rowsAppended(int newCount) {
  for (auto row = static_cast<int>(SendMessageW(list1_, LB_GETCOUNT, 0, 0)); row < newCount;
       ++row) {
    SendMessageW(list1_, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Widen(form_.document().row(row).text).c_str()));
  }
}

void Win32FrmEdit::rowsReset() {
  SendMessageW(list1_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list1_, LB_RESETCONTENT, 0, 0);
  SendMessageW(list1_, LB_INITSTORAGE, static_cast<WPARAM>(form_.rowCount()),
               static_cast<LPARAM>(form_.rowCount()) * 64);
  rowsAppended(form_.rowCount());
  SendMessageW(list1_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list1_, nullptr, TRUE);
  driver_.rowsReset();
}

void Win32FrmEdit::command(int id, int code) {
  const ControlEntry* control = FindControl(id);
  if (control == nullptr) return;
  const HWND window = itemOf(*control).window;
  switch (control->kind) {
    case ControlKind::Menu:
      driver_.activated(*control);
      return;
    case ControlKind::List:
      // The list is still handling the click or key: the form hears of the
      // selection afterwards, as it may remove rows meanwhile.
      if (code == LBN_SELCHANGE && driver_.selectionChanged()) {
        PostMessageW(window_, kSelectionChanged, 0, 0);
      }
      if (code == LBN_DBLCLK) driver_.activated(*control);
      return;
    case ControlKind::Choice:
      // A choice from the open list, or an arrow key on the closed box; the
      // same entry chosen again still runs the handling, as in the Qt window.
      if (code == CBN_SELENDOK ||
          (code == CBN_SELCHANGE && SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) == FALSE)) {
        driver_.activated(*control, static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0)));
      }
      return;
    case ControlKind::Edit:
      // Typing only records the text, as the Qt window's textEdited does.
      if (code == EN_CHANGE) driver_.textEdited(*control, Narrow(windowText(window)));
      return;
    case ControlKind::Button:
    case ControlKind::Radio:
    case ControlKind::Check:
      if (code == BN_CLICKED) {
        const int checked = IsDlgButtonChecked(window_, id) == BST_CHECKED ? 1 : 0;
        if (driver_.activated(*control, checked)) close();
      }
      return;
    default:
      return;
  }
}

void Win32FrmEdit::scrolled(HWND bar, int code) {
  const auto found = std::ranges::find(items_, bar, &Item::window);
  if (found == items_.end()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(bar, SB_CTL, &info);
  const int page = found->control->action == Action::SetPace ? 5 : 1;
  int value = info.nPos;
  switch (code) {
    case SB_LINEUP:
      value -= 1;
      break;
    case SB_LINEDOWN:
      value += 1;
      break;
    case SB_PAGEUP:
      value -= page;
      break;
    case SB_PAGEDOWN:
      value += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      value = info.nTrackPos;
      break;
    case SB_TOP:
      value = info.nMin;
      break;
    case SB_BOTTOM:
      value = info.nMax;
      break;
    default:
      return;
  }
  value = std::clamp(value, info.nMin, info.nMax);
  if (value == info.nPos) return;
  SetScrollPos(bar, SB_CTL, value, TRUE);
  driver_.activated(*found->control, value);
}

void Win32FrmEdit::dropped(HDROP drop) {
  // The shell's file list in its own order, as UTF-8 paths.
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (!path.empty()) paths.push_back(Narrow(path));
  }
  DragFinish(drop);
  driver_.dropped(paths);
}

void Win32FrmEdit::mouseMoved(const MSG& message) {
  // The control under the mouse: a child of the window (or a part of one,
  // like the combo box's edit), else what lies at that point of the client
  // area: labels and frames let the mouse through to the window.
  HWND under = message.hwnd;
  while (under != nullptr && under != window_ && GetParent(under) != window_) {
    under = GetParent(under);
  }
  if (under == nullptr) return;
  if (under != window_) {
    const auto found = std::ranges::find(items_, under, &Item::window);
    if (found != items_.end()) driver_.mouseOver(found->control->name);
    return;
  }
  const int x = GET_X_LPARAM(message.lParam);
  const int y = GET_Y_LPARAM(message.lParam);
  const Item* found = nullptr;
  for (const Item& item : items_) {
    if (item.window == nullptr || (GetWindowLongPtrW(item.window, GWL_STYLE) & WS_VISIBLE) == 0) {
      continue;
    }
    const Box& box = item.at;
    if (x < box.left || y < box.top || x >= box.left + box.width || y >= box.top + box.height) {
      continue;
    }
    // A control before any frame, the innermost frame before the outer.
    const bool isFrame = item.control->kind == ControlKind::Frame;
    const bool foundFrame = found != nullptr && found->control->kind == ControlKind::Frame;
    if (found == nullptr || (foundFrame && !isFrame) ||
        (foundFrame && isFrame && box.width * box.height < found->at.width * found->at.height)) {
      found = &item;
    }
  }
  driver_.mouseOver(found == nullptr ? std::string_view() : found->control->name);
}

void Win32FrmEdit::paintPreview() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(imgPV_, &paint);
  RECT box{};
  GetClientRect(imgPV_, &box);
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  if (!preview_.empty()) {
    const PictureSize shown = FitInside(preview_.size(), {box.right, box.bottom});
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = preview_.width();
    header.bmiHeader.biHeight = -preview_.height();  // rows top-down
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, (box.right - shown.width) / 2, (box.bottom - shown.height) / 2, shown.width,
                  shown.height, 0, 0, preview_.width(), preview_.height(), preview_.row(0), &header,
                  DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(imgPV_, &paint);
}

void Win32FrmEdit::paintEmptyHint(HWND list) {
  // List1 says how to fill it while it is empty.
  const HDC dc = GetDC(list);
  RECT box{};
  GetClientRect(list, &box);
  const int margin = scaled(12);
  InflateRect(&box, -margin, -margin);
  const auto old = SelectObject(dc, font_);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  std::wstring hint = Widen(text::kEmptyListHint);
  RECT measured = box;
  DrawTextW(dc, hint.data(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  box.top += std::max(0L, (box.bottom - box.top - (measured.bottom - measured.top)) / 2);
  DrawTextW(dc, hint.data(), -1, &box, DT_CENTER | DT_WORDBREAK);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
}

void Win32FrmEdit::close() {
  if (driver_.closing()) DestroyWindow(window_);
}

LRESULT Win32FrmEdit::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
      const ControlEntry* link = FindControl(static_cast<int>(notice->idFrom));
      if ((notice->code == NM_CLICK || notice->code == NM_RETURN) && link != nullptr &&
          link->kind == ControlKind::Link) {
        driver_.activated(*link);
      }
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam != 0 && !driver_.syncing())
        scrolled(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      return 0;
    case WM_TIMER:
      // A tick while a handler waits on a message box is skipped, so a
      // slideshow never stacks its failures box on box.
      if (wParam == kTimer1) driver_.timerTick();
      return 0;
    case kPreviewDone:
      previewDone(std::unique_ptr<PreviewDone>(reinterpret_cast<PreviewDone*>(lParam)));
      return 0;
    case kSelectionChanged:
      driver_.selectionSettled();
      return 0;
    case WM_DROPFILES:
      if (!driver_.handling()) {
        dropped(reinterpret_cast<HDROP>(wParam));
      } else {
        DragFinish(reinterpret_cast<HDROP>(wParam));  // a handler waits on its box
      }
      return 0;
    case WM_ACTIVATE:
      // The control that had the keyboard gets it back, as in a dialog.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) lastFocus_ = focus;
      } else if (HIWORD(wParam) == 0) {
        if (lastFocus_ != nullptr && IsWindowVisible(lastFocus_) != 0) {
          SetFocus(lastFocus_);
        } else {
          driver_.focusFirstControl();
        }
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      applyScale(reinterpret_cast<const RECT*>(lParam));
      driver_.previewResized();  // decoded again for the new size
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The links and labels on the window's own face.
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
      // Not from inside a handler that waits on a message box.
      if (!driver_.handling()) close();
      return 0;
    case WM_ENDSESSION:
      // Logging off ends the program without WM_CLOSE and waits for no box:
      // the list is saved at once, or kept in an unsaved copy beside it.
      if (wParam != FALSE) {
        driver_.endSession();
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Win32FrmEdit::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* self = static_cast<Win32FrmEdit*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32FrmEdit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32FrmEdit::listProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  auto* form = reinterpret_cast<Win32FrmEdit*>(self);
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter belongs to the list, not to the window's default button.
      LRESULT code = DefSubclassProc(window, message, wParam, lParam);
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_DELETE) {
        form->driver_.listKey(kKeyDelete);
        return 0;
      }
      if (wParam == VK_RETURN) {
        form->driver_.listKey(kKeyEnter);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r') return 0;  // no beep for the Enter just handled
      break;
    case WM_PAINT:
      if (SendMessageW(window, LB_GETCOUNT, 0, 0) == 0) {
        const LRESULT painted = DefSubclassProc(window, message, wParam, lParam);
        form->paintEmptyHint(window);
        return painted;
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32FrmEdit::previewProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  auto* self = reinterpret_cast<Win32FrmEdit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_PAINT) {
    self->paintPreview();
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // painted whole in WM_PAINT
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int RunWin32FrmEdit(EditForm& form, InstanceLock* instanceLock) {
  Win32FrmEdit window(form, instanceLock);
  return window.run();
}

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
// frmEdit as a plain Win32 window: the same pages, controls, texts and
// proportions as the Qt window, over the same EditForm. Every event is
// forwarded to the form and every control shown again from it afterwards.
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
#include <thread>
#include <vector>

#include "common/texts.h"
#include "manager/manager_texts.h"
#include "manager/preview.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/window_class.h"

namespace tivolen::manager {
namespace {

// The pages the menu bar switches; the bottom row belongs to all of them.
enum Page : int { kPageList = 0, kPageSettings, kPageOperations, kPageAbout };
constexpr int kEveryPage = -1;
// The page each frame of the form sits on.
constexpr std::array<int, kFrameCount> kPageOf = {kPageList,       kPageSettings, kPageSettings,
                                                  kPageOperations, kPageAbout,    kPageSettings};

enum ControlId : int {
  kNoId = 0,
  kList1 = 100,
  kBttnUp,
  kBtnDwn,
  kBtnDlt,
  kBtnUnstrech,
  kBtnWall,
  kLstStyle,
  kBarLuck,
  kOptR0,
  kOptR1,
  kOptt0,
  kOptt1,
  kOptt2,
  kOptt3,
  kBarSubFolder,
  kBtnListRefresh,
  kBtnShowList,
  kBtnChkW,
  kBardt,
  kBtnShowStart,
  kBtnSupW,
  kBtnSupD,
  kBtnDskSC,
  kBtnQlSc,
  kChkLounch,
  kTxtLounch,
  kLstSchedule,
  kBtnHelp,
  kLabel4,
  kLblMail,
  kLabel3,
  kBtnOK,
  kMnuList,
  kMnuSet,
  kMnuOpe,
  kMnuHelp,
};

constexpr UINT_PTR kTimer1 = 1;
// Posted after a change of List1's selection, handled once the list is done.
constexpr UINT kSelectionChanged = WM_APP + 1;
// Posted by the preview decoder with a PreviewDone the window then owns.
constexpr UINT kPreviewDone = WM_APP + 2;
// The client area at 96 dpi, as large as the Qt window's.
constexpr int kClientWidth = 512;
constexpr int kClientHeight = 420;
constexpr int kStyleDropHeight = 160;
// A fixed frame: the pages are laid out for one size. No WS_CLIPCHILDREN:
// the frames are transparent children, and the window paints under them.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

// One control: where it sits at 96 dpi, on which page and in which of the
// form's frames, and the name the form knows it by.
struct Item {
  HWND window = nullptr;
  int id = kNoId;
  int page = kEveryPage;
  int frame = -1;
  std::string_view name;
  bool isFrame = false;
  RECT at{};  // left, top, width, height
};

// The frames the mouse is followed over, as the Qt view's pages are.
bool followsMouse(std::string_view name) {
  return (name.starts_with("Frame") && name.size() == 6) || name == "Frame2List";
}

bool hasTip(std::string_view name) {
  return std::ranges::any_of(text::kTips, [name](const auto& tip) { return tip.first == name; });
}

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

void setScroll(HWND bar, const ScrollBar& state) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_POS;
  info.nMin = state.min;
  info.nMax = state.max;
  info.nPos = state.value;
  SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

struct PreviewDone {
  int serial = 0;
  PreviewPicture preview;
};

// Decodes previews on one thread of its own, so the list stays usable while
// a large photo decodes: only the newest request waits, older ones are
// dropped, and each result is posted to the window.
class PreviewDecoder {
 public:
  explicit PreviewDecoder(Pictures& pictures) : pictures_(pictures) {}
  ~PreviewDecoder() {
    {
      const std::scoped_lock lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  PreviewDecoder(const PreviewDecoder&) = delete;
  PreviewDecoder& operator=(const PreviewDecoder&) = delete;

  void request(HWND window, int serial, std::string path, PictureSize box) {
    {
      const std::scoped_lock lock(mutex_);
      next_ = Job{window, serial, std::move(path), box};
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
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
      auto done = std::make_unique<PreviewDone>();
      done->serial = job.serial;
      done->preview = LoadPreview(pictures_, job.path, job.box);
      if (PostMessageW(job.window, kPreviewDone, 0, reinterpret_cast<LPARAM>(done.get())) != 0) {
        static_cast<void>(done.release());  // the window deletes it
      }
    }
  }

  Pictures& pictures_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> next_;
  bool stopping_ = false;
  std::thread thread_;
};

class Win32FrmEdit final : private FormObserver {
 public:
  Win32FrmEdit(EditForm& form, InstanceLock* instanceLock)
      : form_(form), instanceLock_(instanceLock), decoder_(form.platform().pictures) {
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

  bool create();
  HWND add(const wchar_t* kind, std::string_view caption, DWORD style, int page, int frame,
           std::string_view name, int id, RECT at, DWORD exStyle = 0);
  HWND group(std::string_view caption, int page, int frame, std::string_view name, RECT at);
  HWND button(std::string_view caption, int page, std::string_view name, int id, RECT at);
  void buildListPage();
  void buildSettingsPage();
  void buildOperationsPage();
  void buildAboutPage();
  void makeFonts();
  void layout();
  void applyScale(const RECT* suggested);
  [[nodiscard]] int scaled(int value) const { return MulDiv(value, scale_, 96); }

  template <typename Handler>
  void forward(Handler handler);
  template <typename Handler>
  void forwardBusy(Handler handler);
  void sync();
  void syncTimer();
  void syncPreview();
  void previewDone(std::unique_ptr<PreviewDone> done);
  void applySelection();
  void forwardSelection();
  void focusFirstControl();

  void command(int id, int code);
  void scrolled(HWND bar, int code);
  void dropped(HDROP drop);
  void mouseMoved(const MSG& message);
  void mouseOver(std::string_view name);
  void paintPreview();
  void paintEmptyHint(HWND list);
  void close();

  EditForm& form_;
  InstanceLock* instanceLock_;
  HWND window_ = nullptr;
  HWND list1_ = nullptr;
  HWND imgPV_ = nullptr;
  HWND lstStyle_ = nullptr;
  HWND lstSchedule_ = nullptr;
  HWND barLuck_ = nullptr;
  HWND barSubFolder_ = nullptr;
  HWND bardt_ = nullptr;
  HWND lastFocus_ = nullptr;
  std::vector<Item> items_;
  HFONT font_ = nullptr;
  HFONT bigFont_ = nullptr;
  HACCEL accelerators_ = nullptr;
  int dpi_ = 96;    // the monitor's
  int scale_ = 96;  // the pages', never larger than the monitor's free area allows
  int page_ = -1;
  bool syncing_ = false;
  bool selectionPending_ = false;
  int selectionApplied_ = -1;
  int timerInterval_ = 0;
  // The slideshow's wish as last carried out: the window follows its changes
  // only, so a window the user restored stays restored.
  bool minimizedShown_ = false;
  // Handlers running: a message box inside one still dispatches timer ticks.
  int depth_ = 0;
  int previewShown_ = 0;
  Picture preview_;
  // Last: its thread ends before anything it might post to goes.
  PreviewDecoder decoder_;
  std::string_view hovered_;
};

int Win32FrmEdit::run() {
  if (!create()) return 1;
  // The load runs before the window shows, as its questions come first.
  const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  form_.Load();
  SetCursor(before);
  sync();
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

  const HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, kMnuList, L"画像リスト編集");
  AppendMenuW(menu, MF_STRING, kMnuSet, L"設定");
  AppendMenuW(menu, MF_STRING, kMnuOpe, L"操作");
  AppendMenuW(menu, MF_STRING, kMnuHelp, L"ヘルプ");
  // Ctrl+1 to Ctrl+4 reach the pages from the keyboard, as in the Qt window.
  std::array<ACCEL, 4> keys{};
  for (int i = 0; i < 4; ++i) {
    keys.at(static_cast<std::size_t>(i)) = {static_cast<BYTE>(FVIRTKEY | FCONTROL),
                                            static_cast<WORD>('1' + i),
                                            static_cast<WORD>(kMnuList + i)};
  }
  accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));

  window_ = CreateWindowExW(
      kWindowExStyle, L"frmEdit", Widen(tivolen::text::kManagerCaption).c_str(), kWindowStyle,
      CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, menu, instance, this);
  if (window_ == nullptr) return false;
  dpi_ = static_cast<int>(GetDpiForWindow(window_));
  if (dpi_ <= 0) dpi_ = 96;

  buildListPage();
  buildSettingsPage();
  buildOperationsPage();
  buildAboutPage();
  // The message frame and OK stay under every page.
  group("Tivolen", kEveryPage, -1, "FrameMSG", {8, 312, 410, 102});
  add(L"STATIC", "", SS_LEFT | SS_NOPREFIX, kEveryPage, -1, "Lbl", kNoId, {18, 332, 392, 76});
  button("OK", kEveryPage, "BtnOK", kBtnOK, {426, 384, 78, 28});

  applyScale(nullptr);
  return true;
}

void Win32FrmEdit::applyScale(const RECT* suggested) {
  // The monitor's scale, or less where its free area is too small for the
  // pages at that scale (1280 x 720 at 150 %), so OK always stays in reach.
  scale_ = dpi_;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor) != 0) {
    RECT chrome{0, 0, 0, 0};
    AdjustWindowRectExForDpi(&chrome, kWindowStyle, TRUE, kWindowExStyle, static_cast<UINT>(dpi_));
    const auto room = [](LONG work, LONG used, int client) {
      return static_cast<int>((work - used) * 96 / client);
    };
    const int fits = std::min(
        room(monitor.rcWork.right - monitor.rcWork.left, chrome.right - chrome.left, kClientWidth),
        room(monitor.rcWork.bottom - monitor.rcWork.top, chrome.bottom - chrome.top,
             kClientHeight));
    scale_ = std::max(72, std::min(dpi_, fits));
  }
  makeFonts();
  layout();
  RECT frame{0, 0, scaled(kClientWidth), scaled(kClientHeight)};
  AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, static_cast<UINT>(dpi_));
  if (suggested == nullptr) {
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HWND Win32FrmEdit::add(const wchar_t* kind, std::string_view caption, DWORD style, int page,
                       int frame, std::string_view name, int id, RECT at, DWORD exStyle) {
  HWND made = CreateWindowExW(exStyle, kind, Widen(caption).c_str(), WS_CHILD | style, 0, 0, 0, 0,
                              window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  items_.push_back({made, id, page, frame, name, false, at});
  return made;
}

HWND Win32FrmEdit::group(std::string_view caption, int page, int frame, std::string_view name,
                         RECT at) {
  HWND made = add(L"BUTTON", caption, BS_GROUPBOX | WS_GROUP, page, frame, name, kNoId, at);
  items_.back().isFrame = true;
  return made;
}

HWND Win32FrmEdit::button(std::string_view caption, int page, std::string_view name, int id,
                          RECT at) {
  return add(L"BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, page, -1, name, id, at);
}

void Win32FrmEdit::buildListPage() {
  const int page = kPageList;
  group("画像リスト", page, kFrameList, "Frame0", {8, 4, 496, 302});
  list1_ =
      add(L"LISTBOX", "",
          LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
          page, kFrameList, "List1", kList1, {16, 24, 290, 274}, WS_EX_CLIENTEDGE);
  SetWindowSubclass(list1_, &Win32FrmEdit::listProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
  // Tab goes from the list down the buttons, as in the Qt window.
  button("上へ", page, "BttnUp", kBttnUp, {316, 148, 86, 26});
  button("下へ", page, "BtnDwn", kBtnDwn, {408, 148, 86, 26});
  button("削除", page, "BtnDlt", kBtnDlt, {316, 178, 86, 26});
  button("展開", page, "BtnUnstrech", kBtnUnstrech, {408, 178, 86, 26});
  button("壁紙に", page, "BtnWall", kBtnWall, {316, 208, 178, 26});
  lstStyle_ = add(L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, page,
                  kFrameList, "LstStyle", kLstStyle, {316, 240, 178, kStyleDropHeight});
  add(L"STATIC", text::kLuckDesignCaption, SS_LEFT | SS_NOPREFIX, page, kFrameList, "lblLuck",
      kNoId, {316, 268, 178, 16});
  barLuck_ = add(L"SCROLLBAR", "", SBS_HORZ | WS_TABSTOP | WS_GROUP, page, kFrameList, "BarLuck",
                 kBarLuck, {316, 284, 178, 17});
  imgPV_ =
      add(L"ImgPV", "", 0, page, kFrameList, "ImgPV", kNoId, {330, 24, 150, 116}, WS_EX_CLIENTEDGE);
  SetWindowLongPtrW(imgPV_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Win32FrmEdit::buildSettingsPage() {
  const int page = kPageSettings;
  group("画像", page, kFrameOrder, "Frame1", {8, 4, 160, 130});
  for (int i = 0; i < 2; ++i) {
    add(L"BUTTON", text::kOrderCaptions.at(static_cast<std::size_t>(i)),
        BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), page, kFrameOrder,
        i == 0 ? "OptR0" : "OptR1", kOptR0 + i, {20, 26 + 24 * i, 140, 20});
  }
  group("変更のタイミング", page, kFrameTiming, "Frame2", {176, 4, 160, 130});
  static constexpr std::array<std::string_view, 4> kTimingNames = {"optt0", "optt1", "optt2",
                                                                   "optt3"};
  for (int i = 0; i < 4; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    add(L"BUTTON", text::kTimingCaptions.at(slot),
        BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), page, kFrameTiming,
        kTimingNames.at(slot), kOptt0 + i, {188, 26 + 24 * i, 140, 20});
  }
  group("フォルダ登録", page, kFrameFolders, "Frame5", {344, 4, 160, 130});
  barSubFolder_ = add(L"SCROLLBAR", "", SBS_VERT | WS_TABSTOP | WS_GROUP, page, kFrameFolders,
                      "BarSubFolder", kBarSubFolder, {356, 26, 17, 96});
  add(L"STATIC", "", SS_LEFT | SS_NOPREFIX, page, kFrameFolders, "LblSubFolder", kNoId,
      {380, 26, 118, 40});
}

void Win32FrmEdit::buildOperationsPage() {
  const int page = kPageOperations;
  group("操作", page, kFrameOperations, "Frame3", {8, 4, 496, 278});
  group("画像リスト", page, kFrameOperations, "Frame2List", {16, 22, 250, 56});
  button("更新", page, "BtnListRefresh", kBtnListRefresh, {24, 44, 112, 26});
  button("開く", page, "BtnShowList", kBtnShowList, {146, 44, 112, 26});
  button("ダブりチェック", page, "BtnChkW", kBtnChkW, {16, 86, 250, 26});
  group("壁紙スライドショー", page, kFrameOperations, "FrameShow", {16, 120, 250, 62});
  bardt_ = add(L"SCROLLBAR", "", SBS_HORZ | WS_TABSTOP | WS_GROUP, page, kFrameOperations, "Bardt",
               kBardt, {24, 148, 84, 18});
  // Shows the interval only; the bar sets it.
  add(L"EDIT", "", ES_READONLY | ES_RIGHT | WS_GROUP, page, kFrameOperations, "TxtShowdt", kNoId,
      {114, 146, 40, 22}, WS_EX_CLIENTEDGE);
  add(L"STATIC", "秒", SS_LEFT | SS_NOPREFIX, page, kFrameOperations, "Label2", kNoId,
      {158, 150, 18, 18});
  button("Start", page, "BtnShowStart", kBtnShowStart, {182, 144, 76, 26});
  add(L"BUTTON", "ランチャー", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, page, kFrameOperations,
      "ChkLounch", kChkLounch, {16, 196, 92, 22});
  add(L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, page, kFrameOperations, "TxtLounch",
      kTxtLounch, {112, 196, 384, 22}, WS_EX_CLIENTEDGE);
  add(L"STATIC", text::kScheduleCaption, SS_LEFT | SS_NOPREFIX, page, kFrameOperations,
      "LblSchedule", kNoId, {16, 234, 120, 18});
  lstSchedule_ = add(L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, page,
                     kFrameOperations, "LstSchedule", kLstSchedule, {140, 230, 200, 240});
  group("ショートカット", page, kFrameOperations, "Frame4Shortcuts", {276, 22, 220, 164});
  group("スタートアップ", page, kFrameOperations, "Frame1Startup", {284, 42, 204, 62});
  button("登録", page, "BtnSupW", kBtnSupW, {294, 66, 88, 26});
  button("削除", page, "BtnSupD", kBtnSupD, {390, 66, 88, 26});
  button("デスクトップ", page, "BtnDskSC", kBtnDskSC, {284, 112, 204, 26});
  button("スタートメニュー", page, "BtnQlSc", kBtnQlSc, {284, 146, 204, 26});
}

void Win32FrmEdit::buildAboutPage() {
  const int page = kPageAbout;
  group("Tivolen", page, kFrameAbout, "Frame4", {8, 4, 496, 176});
  add(L"STATIC", "Tivolen", SS_LEFT | SS_NOPREFIX, page, kFrameAbout, "Label1", kNoId,
      {20, 24, 240, 34});
  add(L"STATIC", form_.LblVer().caption, SS_LEFT | SS_NOPREFIX, page, kFrameAbout, "LblVer", kNoId,
      {20, 60, 240, 18});
  // First in the tab order, so the keyboard reaches the help before the links.
  button("ヘルプ", page, "BtnHelp", kBtnHelp, {400, 24, 92, 26});
  const auto link = [&](const Label& label, std::string_view name, int id, int top) {
    add(WC_LINK, "<a>" + label.caption + "</a>", WS_TABSTOP | WS_GROUP, page, kFrameAbout, name, id,
        {20, top, 470, 20});
  };
  link(form_.Label4(), "Label4", kLabel4, 92);
  link(form_.LblMail(), "LblMail", kLblMail, 116);
  link(form_.Label3(), "Label3", kLabel3, 140);
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

void Win32FrmEdit::layout() {
  for (const Item& item : items_) {
    MoveWindow(item.window, scaled(item.at.left), scaled(item.at.top), scaled(item.at.right),
               scaled(item.at.bottom), FALSE);
    const HFONT font = item.name == "Label1" ? bigFont_ : font_;
    SendMessageW(item.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageW(lstStyle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scaled(18));
  InvalidateRect(window_, nullptr, TRUE);
}

template <typename Handler>
void Win32FrmEdit::forward(Handler handler) {
  // A selection the form has not heard of yet comes first: buttons and keys
  // act on what the user sees selected.
  if (selectionPending_) forwardSelection();
  ++depth_;
  handler();
  --depth_;
  sync();
}

template <typename Handler>
void Win32FrmEdit::forwardBusy(Handler handler) {
  // Walking folders and rendering run on the window's thread: the pointer
  // says so meanwhile.
  const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  forward(handler);
  SetCursor(before);
}

void Win32FrmEdit::sync() {
  syncing_ = true;
  int page = page_;
  for (int i = 0; i < kFrameCount; ++i) {
    if (form_.frameVisible(i)) {
      page = kPageOf.at(static_cast<std::size_t>(i));
      break;
    }
  }
  const bool pageChanged = page != page_;
  page_ = page;
  const bool frame2Open = form_.Frame2().height >= kFrame2Open;
  for (const Item& item : items_) {
    bool shown = item.page == kEveryPage || item.page == page_;
    if (item.frame >= 0) shown = shown && form_.frameVisible(item.frame);
    if (item.id == kBarLuck) shown = shown && form_.BarLuck().visible;
    if (item.name == "lblLuck") shown = shown && form_.lblLuck().visible;
    if (item.id == kTxtLounch) shown = shown && form_.TxtLounch().visible;
    if (item.id == kBtnListRefresh || item.id == kBtnShowList) shown = shown && frame2Open;
    setShown(item.window, shown);
  }

  for (int i = 0; i < 2; ++i) {
    CheckDlgButton(window_, kOptR0 + i, i == form_.orderIndex() ? BST_CHECKED : BST_UNCHECKED);
  }
  for (int i = 0; i < 4; ++i) {
    CheckDlgButton(window_, kOptt0 + i, i == form_.timingIndex() ? BST_CHECKED : BST_UNCHECKED);
  }
  setScroll(barSubFolder_, form_.BarSubFolder());
  setScroll(barLuck_, form_.BarLuck());
  setEnabled(barLuck_, form_.BarLuck().enabled);
  for (const Item& item : items_) {
    if (item.name == "LblSubFolder") setText(item.window, form_.LblSubFolder().caption);
    if (item.name == "lblLuck") {
      setText(item.window, form_.lblLuck().caption);
      setEnabled(item.window, form_.lblLuck().enabled);
    }
    if (item.name == "Lbl") setText(item.window, form_.Lbl().caption);
    if (item.name == "TxtShowdt") setText(item.window, form_.TxtShowdt().text);
  }

  const ComboList& styles = form_.LstStyle();
  if (SendMessageW(lstStyle_, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(styles.entries.size())) {
    SendMessageW(lstStyle_, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : styles.entries) {
      SendMessageW(lstStyle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
  }
  if (SendMessageW(lstStyle_, CB_GETCURSEL, 0, 0) != styles.listIndex) {
    SendMessageW(lstStyle_, CB_SETCURSEL, static_cast<WPARAM>(styles.listIndex), 0);
  }
  setEnabled(lstStyle_, styles.enabled);
  const ComboList& schedules = form_.LstSchedule();
  if (SendMessageW(lstSchedule_, CB_GETCOUNT, 0, 0) !=
      static_cast<LRESULT>(schedules.entries.size())) {
    SendMessageW(lstSchedule_, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : schedules.entries) {
      SendMessageW(lstSchedule_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
  }
  if (SendMessageW(lstSchedule_, CB_GETCURSEL, 0, 0) != schedules.listIndex) {
    SendMessageW(lstSchedule_, CB_SETCURSEL, static_cast<WPARAM>(schedules.listIndex), 0);
  }
  setEnabled(GetDlgItem(window_, kBtnDlt), form_.BtnDlt().enabled);
  setEnabled(GetDlgItem(window_, kBttnUp), form_.BttnUp().enabled);
  setEnabled(GetDlgItem(window_, kBtnDwn), form_.BtnDwn().enabled);
  setText(GetDlgItem(window_, kBtnUnstrech), form_.BtnUnstrech().caption);
  if (form_.selectionSerial() != selectionApplied_) applySelection();

  CheckDlgButton(window_, kChkLounch, form_.ChkLounch().checked ? BST_CHECKED : BST_UNCHECKED);
  const HWND launcher = GetDlgItem(window_, kTxtLounch);
  setText(launcher, form_.TxtLounch().text);
  setEnabled(launcher, form_.TxtLounch().enabled);
  setScroll(bardt_, form_.Bardt());
  setText(GetDlgItem(window_, kBtnShowStart), form_.BtnShowStart().caption);
  syncTimer();
  syncing_ = false;
  syncPreview();
  if (pageChanged) focusFirstControl();
}

void Win32FrmEdit::syncTimer() {
  const Timer& timer = form_.Timer1();
  const int interval = timer.enabled ? std::max(timer.interval, 1) : 0;
  if (interval != timerInterval_) {
    // SetTimer on a running timer restarts it with the new interval.
    if (interval > 0) {
      SetTimer(window_, kTimer1, static_cast<UINT>(interval), nullptr);
    } else {
      KillTimer(window_, kTimer1);
    }
    timerInterval_ = interval;
  }
  if (IsWindowVisible(window_) != 0 && form_.minimized() != minimizedShown_) {
    minimizedShown_ = form_.minimized();
    if (minimizedShown_) {
      ShowWindow(window_, SW_MINIMIZE);
    } else if (IsIconic(window_) != 0) {
      ShowWindow(window_, SW_RESTORE);
    }
  }
}

void Win32FrmEdit::syncPreview() {
  const PreviewRequest& request = form_.ImgPV();
  if (request.serial == previewShown_) return;
  previewShown_ = request.serial;
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
  // A newer click has asked for another picture meanwhile.
  if (done->serial != form_.ImgPV().serial) return;
  if (!done->preview.status.isOk()) form_.platform().messages.detail(done->preview.status.message);
  preview_ = std::move(done->preview.pixels);
  InvalidateRect(imgPV_, nullptr, TRUE);
}

void Win32FrmEdit::applySelection() {
  selectionApplied_ = form_.selectionSerial();
  const ListBox& box = form_.List1();
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

void Win32FrmEdit::forwardSelection() {
  selectionPending_ = false;
  const auto count = static_cast<int>(SendMessageW(list1_, LB_GETSELCOUNT, 0, 0));
  std::vector<int> rows(static_cast<std::size_t>(std::max(count, 0)));
  if (count > 0) {
    SendMessageW(list1_, LB_GETSELITEMS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(rows.data()));
  }
  const auto focus = static_cast<int>(SendMessageW(list1_, LB_GETCARETINDEX, 0, 0));
  form_.SetSelection(rows, focus);
}

void Win32FrmEdit::focusFirstControl() {
  // A page chosen from the keyboard is worked from the keyboard: its first
  // control takes the focus.
  for (const Item& item : items_) {
    if (item.page != page_) continue;
    const auto style = GetWindowLongPtrW(item.window, GWL_STYLE);
    if ((style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0 && IsWindowEnabled(item.window)) {
      SetFocus(item.window);
      return;
    }
  }
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
  // The form says which rows are selected now.
  selectionApplied_ = -1;
}

void Win32FrmEdit::command(int id, int code) {
  switch (id) {
    case kMnuList:
      forward([this] { form_.MnuListClick(); });
      return;
    case kMnuSet:
      forward([this] { form_.MnuSetClick(); });
      return;
    case kMnuOpe:
      forward([this] { form_.MnuOpeClick(); });
      return;
    case kMnuHelp:
      forward([this] { form_.MnuHelpClick(); });
      return;
    case kList1:
      // The list is still handling the click or key: the form hears of the
      // selection afterwards, as it may remove rows meanwhile.
      if (code == LBN_SELCHANGE && !syncing_ && !selectionPending_) {
        selectionPending_ = true;
        PostMessageW(window_, kSelectionChanged, 0, 0);
      }
      if (code == LBN_DBLCLK) forwardBusy([this] { form_.List1DblClick(); });
      return;
    case kLstStyle:
      // A choice from the open list, or an arrow key on the closed box; the
      // same entry chosen again still runs the handling, as in the Qt window.
      if (!syncing_ &&
          (code == CBN_SELENDOK ||
           (code == CBN_SELCHANGE && SendMessageW(lstStyle_, CB_GETDROPPEDSTATE, 0, 0) == FALSE))) {
        const auto index = static_cast<int>(SendMessageW(lstStyle_, CB_GETCURSEL, 0, 0));
        forward([this, index] { form_.LstStyleUserClick(index); });
      }
      return;
    case kLstSchedule:
      // As LstStyle: a choice from the open list, or an arrow key on the
      // closed box.
      if (!syncing_ && (code == CBN_SELENDOK ||
                        (code == CBN_SELCHANGE &&
                         SendMessageW(lstSchedule_, CB_GETDROPPEDSTATE, 0, 0) == FALSE))) {
        const auto index = static_cast<int>(SendMessageW(lstSchedule_, CB_GETCURSEL, 0, 0));
        forwardBusy([this, index] { form_.SetSchedule(index); });
      }
      return;
    case kTxtLounch:
      // Typing only records the text, as the Qt window's textEdited does.
      if (code == EN_CHANGE && !syncing_) {
        form_.SetTxtLounch(Narrow(windowText(GetDlgItem(window_, kTxtLounch))));
      }
      return;
    default:
      break;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kBttnUp:
      forward([this] { form_.MoveRowUp(); });
      break;
    case kBtnDwn:
      forward([this] { form_.MoveRowDown(); });
      break;
    case kBtnDlt:
      forward([this] { form_.RemoveSelectedRows(); });
      break;
    case kBtnUnstrech:
      forwardBusy([this] { form_.ToggleFolderView(); });
      break;
    case kBtnWall:
      forwardBusy([this] { form_.SetWallpaperFromSelection(); });
      break;
    case kOptR0:
    case kOptR1:
      forward([this, id] { form_.SetOrder(id - kOptR0); });
      break;
    case kOptt0:
    case kOptt1:
    case kOptt2:
    case kOptt3:
      forward([this, id] { form_.SetTiming(id - kOptt0); });
      break;
    case kBtnListRefresh:
      forward([this] { form_.RefreshList(); });
      break;
    case kBtnShowList:
      forward([this] { form_.BtnShowListClick(); });
      break;
    case kBtnChkW:
      forwardBusy([this] { form_.CheckDuplicates(); });
      break;
    case kBtnShowStart:
      forwardBusy([this] { form_.BtnShowStartClick(); });
      break;
    case kBtnSupW:
      forward([this] { form_.BtnSupWClick(); });
      break;
    case kBtnSupD:
      forward([this] { form_.BtnSupDClick(); });
      break;
    case kBtnDskSC:
      forward([this] { form_.BtnDskSCClick(); });
      break;
    case kBtnQlSc:
      forward([this] { form_.BtnQlScClick(); });
      break;
    case kChkLounch: {
      const bool checked = IsDlgButtonChecked(window_, kChkLounch) == BST_CHECKED;
      forward([this, checked] { form_.SetChkLounch(checked); });
      break;
    }
    case kBtnHelp:
      forward([this] { form_.BtnHelpClick(); });
      break;
    case kBtnOK: {
      bool close = false;
      forward([this, &close] { close = form_.BtnOKClick(); });
      if (close) this->close();
      break;
    }
    default:
      break;
  }
}

void Win32FrmEdit::scrolled(HWND bar, int code) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(bar, SB_CTL, &info);
  const int page = bar == bardt_ ? 5 : 1;
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
  if (bar == barLuck_) forward([this, value] { form_.SetBarLuck(value); });
  if (bar == barSubFolder_) forward([this, value] { form_.SetBarSubFolder(value); });
  if (bar == bardt_) forward([this, value] { form_.SetBardt(value); });
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
  if (!paths.empty()) forwardBusy([this, &paths] { form_.RegisterDroppedItems(paths); });
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
    for (const Item& item : items_) {
      if (item.window == under) {
        mouseOver(item.name);
        return;
      }
    }
    return;
  }
  const POINT at{MulDiv(GET_X_LPARAM(message.lParam), 96, scale_),
                 MulDiv(GET_Y_LPARAM(message.lParam), 96, scale_)};
  const Item* found = nullptr;
  for (const Item& item : items_) {
    if ((GetWindowLongPtrW(item.window, GWL_STYLE) & WS_VISIBLE) == 0) continue;
    const RECT box{item.at.left, item.at.top, item.at.left + item.at.right,
                   item.at.top + item.at.bottom};
    if (PtInRect(&box, at) == 0) continue;
    // A control before any frame, the innermost frame before the outer.
    if (found == nullptr || (found->isFrame && !item.isFrame) ||
        (found->isFrame && item.isFrame &&
         item.at.right * item.at.bottom < found->at.right * found->at.bottom)) {
      found = &item;
    }
  }
  mouseOver(found == nullptr ? std::string_view() : found->name);
}

void Win32FrmEdit::mouseOver(std::string_view name) {
  if (followsMouse(name)) {
    // Every move over a page's own area; the window is shown again only
    // for a change.
    hovered_ = name;
    const std::string before = form_.Lbl().caption;
    const int height = form_.Frame2().height;
    const bool launcher = form_.TxtLounch().visible;
    form_.ControlMouseMove(name);
    if (form_.Lbl().caption != before || form_.Frame2().height != height ||
        form_.TxtLounch().visible != launcher) {
      sync();
    }
    return;
  }
  // A control answers the mouse's arrival.
  if (name == hovered_) return;
  hovered_ = name;
  if (hasTip(name)) forward([this, name] { form_.ControlMouseMove(name); });
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
  // Every way of closing saves; the form decides whether a failed save keeps
  // the window open with the edits.
  KillTimer(window_, kTimer1);  // no slideshow tick while a box waits
  timerInterval_ = 0;
  bool closing = true;
  forward([this, &closing] { closing = form_.QueryUnload(); });
  if (closing) DestroyWindow(window_);
}

LRESULT Win32FrmEdit::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
      if (notice->code == NM_CLICK || notice->code == NM_RETURN) {
        if (notice->idFrom == kLabel3) forward([this] { form_.Label3Click(); });
        if (notice->idFrom == kLabel4) forward([this] { form_.Label4Click(); });
        if (notice->idFrom == kLblMail) forward([this] { form_.LblMailClick(); });
      }
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam != 0 && !syncing_) scrolled(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      return 0;
    case WM_TIMER:
      // A tick while a handler waits on a message box is skipped, so a
      // slideshow never stacks its failures box on box.
      if (wParam == kTimer1 && depth_ == 0) forwardBusy([this] { form_.Timer1Timer(); });
      return 0;
    case kPreviewDone:
      previewDone(std::unique_ptr<PreviewDone>(reinterpret_cast<PreviewDone*>(lParam)));
      return 0;
    case kSelectionChanged:
      if (selectionPending_ && depth_ == 0) forward([] {});
      return 0;
    case WM_DROPFILES:
      if (depth_ == 0) {
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
          focusFirstControl();
        }
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      applyScale(reinterpret_cast<const RECT*>(lParam));
      previewShown_ = 0;  // decoded again for the new size
      syncPreview();
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The links and labels on the window's own face.
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
      // Not from inside a handler that waits on a message box.
      if (depth_ == 0) close();
      return 0;
    case WM_ENDSESSION:
      // Logging off ends the program without WM_CLOSE and waits for no box:
      // the list is saved at once, or kept in an unsaved copy beside it.
      if (wParam != FALSE) {
        KillTimer(window_, kTimer1);
        form_.EndSession();
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
        form->forward([form] { form->form_.List1KeyDown(kKeyDelete); });
        return 0;
      }
      if (wParam == VK_RETURN) {
        form->forwardBusy([form] { form->form_.List1KeyDown(kKeyEnter); });
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

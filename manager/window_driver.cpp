// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/window_driver.h"

#include <algorithm>

#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

void mirror(ControlState& state, const Control& control) {
  state.shown = state.shown && control.visible;
  state.enabled = control.enabled;
}

void mirror(ControlState& state, const ScrollBar& bar) {
  mirror(state, static_cast<const Control&>(bar));
  state.value = bar.value;
  state.min = bar.min;
  state.max = bar.max;
}

// The page a frame of the form sits on.
int pageOfFrame(int frame) {
  for (const ControlEntry& control : WindowControls()) {
    if (control.kind == ControlKind::Frame && control.frame == frame) return control.page;
  }
  return kPageList;
}

}  // namespace

ControlState WindowDriver::stateOf(const ControlEntry& control) const {
  ControlState state;
  state.shown = control.frame < 0 || form_.frameVisible(control.frame);
  state.text = std::string(CaptionOf(control.name));
  const std::string_view name = control.name;
  if (name == "BarLuck") {
    mirror(state, form_.BarLuck());
  } else if (name == "lblLuck") {
    mirror(state, form_.lblLuck());
    state.text = form_.lblLuck().caption;
  } else if (name == "LstStyle") {
    const ComboList& styles = form_.LstStyle();
    mirror(state, styles);
    state.entries = styles.entries;
    state.value = styles.listIndex;
  } else if (name == "BtnDlt") {
    mirror(state, form_.BtnDlt());
  } else if (name == "BttnUp") {
    mirror(state, form_.BttnUp());
  } else if (name == "BtnDwn") {
    mirror(state, form_.BtnDwn());
  } else if (name == "BtnUnstrech") {
    state.text = form_.BtnUnstrech().caption;
  } else if (control.action == Action::SetOrder) {
    state.checked = form_.orderIndex() == control.argument;
  } else if (control.action == Action::SetTiming) {
    state.checked = form_.timingIndex() == control.argument;
  } else if (name == "BarSubFolder") {
    mirror(state, form_.BarSubFolder());
  } else if (name == "LblSubFolder") {
    state.text = form_.LblSubFolder().caption;
  } else if (name == "Bardt") {
    mirror(state, form_.Bardt());
    // The form's value shortens the interval; the bar lengthens it to the
    // right, as ▶ says.
    state.value = state.min + state.max - state.value;
  } else if (name == "TxtShowdt") {
    state.text = form_.TxtShowdt().text;
  } else if (name == "BtnShowStart") {
    state.text = form_.BtnShowStart().caption;
  } else if (name == "ChkLounch") {
    state.checked = form_.ChkLounch().checked;
  } else if (name == "TxtLounch") {
    mirror(state, form_.TxtLounch());
    state.text = form_.TxtLounch().text;
  } else if (name == "LstSchedule") {
    const ComboList& schedules = form_.LstSchedule();
    mirror(state, schedules);
    state.entries = schedules.entries;
    state.value = schedules.listIndex;
  } else if (name == "BtnQlSc" && form_.platform().files.pathRules().windows()) {
    // The quick-launch bar is gone on Windows; the entry goes to the Start menu.
    state.text = std::string(text::kStartMenuCaption);
  } else if (name == "LblVer") {
    state.text = form_.LblVer().caption;
  } else if (name == "Lbl") {
    state.text = form_.Lbl().caption;
  }
  return state;
}

void WindowDriver::load() {
  // The load runs before the window shows, as its questions come first.
  view_.setBusy(true);
  form_.Load();
  view_.setBusy(false);
  sync();
}

template <typename Handler>
void WindowDriver::forward(Handler handler, bool busy) {
  // Walking folders and rendering run on the window's thread: the pointer
  // says so meanwhile.
  if (busy && busy_++ == 0) view_.setBusy(true);
  // A selection the form has not heard of yet comes first: buttons and keys
  // act on what the user sees selected.
  if (selectionPending_) forwardSelection();
  ++depth_;
  handler();
  --depth_;
  sync();
  if (busy && --busy_ == 0) view_.setBusy(false);
}

bool WindowDriver::activated(std::string_view name, int value) {
  const ControlEntry* control = FindControl(name);
  return control != nullptr && activated(*control, value);
}

bool WindowDriver::activated(const ControlEntry& control, int value) {
  // Values a sync sets come back from some toolkits as the user's.
  if (syncing_) return false;
  // The user changed the controls of that handler in the view: whatever the
  // form makes of it is shown again, even where it equals the state before.
  const auto controls = WindowControls();
  for (std::size_t i = 0; i < controls.size() && i < known_.size(); ++i) {
    if (controls[i].action == control.action) known_[i] = 0;
  }
  bool close = false;
  forward([&] { close = run(control, value); }, control.busy);
  return close;
}

bool WindowDriver::run(const ControlEntry& control, int value) {
  switch (control.action) {
    case Action::None:
    case Action::EditLauncher:
      break;
    case Action::ShowListPage:
      form_.MnuListClick();
      break;
    case Action::ShowSettingsPage:
      form_.MnuSetClick();
      break;
    case Action::ShowOperationsPage:
      form_.MnuOpeClick();
      break;
    case Action::ShowHelpPage:
      form_.MnuHelpClick();
      break;
    case Action::ListDoubleClick:
      form_.List1DblClick();
      break;
    case Action::MoveUp:
      form_.MoveRowUp();
      break;
    case Action::MoveDown:
      form_.MoveRowDown();
      break;
    case Action::Remove:
      form_.RemoveSelectedRows();
      break;
    case Action::AddPictures:
      form_.AddChosenItems(ChooseWhat::Pictures);
      break;
    case Action::AddFolder:
      form_.AddChosenItems(ChooseWhat::Folder);
      break;
    case Action::ToggleFolders:
      form_.ToggleFolderView();
      break;
    case Action::SetWallpaper:
      form_.SetWallpaperFromSelection();
      break;
    case Action::ChooseStyle:
      form_.LstStyleUserClick(value);
      break;
    case Action::SetRatio:
      form_.SetBarLuck(value);
      break;
    case Action::SetOrder:
      form_.SetOrder(control.argument);
      break;
    case Action::SetTiming:
      form_.SetTiming(control.argument);
      break;
    case Action::SetDepth:
      form_.SetBarSubFolder(value);
      break;
    case Action::RefreshList:
      form_.RefreshList();
      break;
    case Action::ShowList:
      form_.BtnShowListClick();
      break;
    case Action::CheckDuplicates:
      form_.CheckDuplicates();
      break;
    case Action::SetPace:
      form_.SetBardt(form_.Bardt().min + form_.Bardt().max - value);
      break;
    case Action::StartSlideshow:
      form_.BtnShowStartClick();
      break;
    case Action::AddStartup:
      form_.BtnSupWClick();
      break;
    case Action::RemoveStartup:
      form_.BtnSupDClick();
      break;
    case Action::DesktopShortcut:
      form_.BtnDskSCClick();
      break;
    case Action::QuickLaunchShortcut:
      form_.BtnQlScClick();
      break;
    case Action::SetSchedule:
      form_.SetSchedule(value);
      break;
    case Action::SetLauncher:
      form_.SetChkLounch(value != 0);
      break;
    case Action::OpenHelp:
      form_.BtnHelpClick();
      break;
    case Action::OpenLink:
      form_.Label3Click();
      break;
    case Action::OpenAuthor:
      form_.Label4Click();
      break;
    case Action::OpenMail:
      form_.LblMailClick();
      break;
    case Action::Ok:
      return form_.BtnOKClick();
  }
  return false;
}

void WindowDriver::textEdited(const ControlEntry& control, std::string text) {
  // Typing only records the text; it is checked when the list is saved.
  if (syncing_ || control.action != Action::EditLauncher) return;
  form_.SetTxtLounch(std::move(text));
}

bool WindowDriver::selectionChanged() {
  if (syncing_ || selectionPending_) return false;
  selectionPending_ = true;
  return true;
}

void WindowDriver::selectionSettled() {
  // Not from inside a handler that waits on a message box: the handler's own
  // sync hands the selection on.
  if (selectionPending_ && depth_ == 0) forward([] {});
}

void WindowDriver::forwardSelection() {
  selectionPending_ = false;
  const ShownSelection shown = view_.shownSelection();
  form_.SetSelection(shown.rows, shown.focus);
}

void WindowDriver::listKey(int keyCode) {
  forward([this, keyCode] { form_.List1KeyDown(keyCode); }, keyCode == kKeyEnter);
}

void WindowDriver::timerTick() {
  // A tick while a handler waits on a message box is skipped, so a
  // slideshow never stacks its failures box on box.
  if (depth_ == 0) forward([this] { form_.Timer1Timer(); }, true);
}

void WindowDriver::dropped(const std::vector<std::string>& paths) {
  if (paths.empty() || depth_ > 0) return;
  forward([this, &paths] { form_.RegisterDroppedItems(paths); }, true);
}

void WindowDriver::mouseOver(std::string_view name) {
  const ControlEntry* control = FindControl(name);
  if (control != nullptr && control->follows) {
    // Every move over a frame's own area comes here; the window is shown
    // again only for a change.
    hovered_ = name;
    const std::string before = form_.Lbl().caption;
    const int height = form_.Frame2().height;
    const bool launcher = form_.TxtLounch().visible;
    form_.ControlMouseMove(name);
    if (form_.Lbl().caption != before || form_.Frame2().height != height ||
        form_.TxtLounch().visible != launcher) {
      forward([] {});
    }
    return;
  }
  // A control answers the mouse's arrival.
  if (name == hovered_) return;
  hovered_ = name;
  if (!TipOf(name).empty()) forward([this, name] { form_.ControlMouseMove(name); });
}

void WindowDriver::mouseLeft() {
  hovered_.clear();
}

bool WindowDriver::closing() {
  // Every way of closing saves; the form decides whether a failed save keeps
  // the window open with the edits. No slideshow tick while a box waits.
  view_.runTimer(0);
  timerShown_ = 0;
  bool close = true;
  forward([this, &close] { close = form_.QueryUnload(); });
  return close;
}

void WindowDriver::endSession() {
  view_.runTimer(0);
  timerShown_ = 0;
  form_.EndSession();
}

void WindowDriver::rowsReset() {
  selectionApplied_ = -1;
}

bool WindowDriver::previewLoaded(int serial, const std::string& failure) {
  // A newer click has asked for another picture meanwhile.
  if (serial != form_.ImgPV().serial) return false;
  if (!failure.empty()) form_.platform().messages.detail(failure);
  return true;
}

void WindowDriver::previewResized() {
  previewStarted_ = 0;
  syncPreview();
}

void WindowDriver::sync() {
  syncing_ = true;
  // Frames share a page with the others of their menu; the page of the
  // first frame the form shows is the one on top.
  int page = page_;
  for (int i = 0; i < kFrameCount; ++i) {
    if (form_.frameVisible(i)) {
      page = pageOfFrame(i);
      break;
    }
  }
  const bool pageChanged = page != page_ && page >= 0;
  if (pageChanged) {
    page_ = page;
    view_.showPage(page_);
  }
  const auto controls = WindowControls();
  if (shown_.size() != controls.size()) {
    shown_.assign(controls.size(), ControlState{});
    known_.assign(controls.size(), 0);
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].kind == ControlKind::Menu) continue;
    ControlState state = stateOf(controls[i]);
    if (known_[i] != 0 && state == shown_[i]) continue;
    view_.showControl(controls[i], state);
    shown_[i] = std::move(state);
    known_[i] = 1;
  }
  if (form_.selectionSerial() != selectionApplied_) {
    selectionApplied_ = form_.selectionSerial();
    view_.showSelection(form_.List1());
  }
  syncTimer();
  syncing_ = false;
  syncPreview();
  if (pageChanged) focusFirstControl();
}

void WindowDriver::focusFirstControl() {
  // A page chosen from the keyboard (Ctrl+1 to Ctrl+4) is worked from the
  // keyboard: its first control takes the focus.
  const auto controls = WindowControls();
  const ControlEntry* first = nullptr;
  for (std::size_t i = 0; i < controls.size() && i < shown_.size(); ++i) {
    const ControlEntry& control = controls[i];
    if (control.page != page_ || control.tab < 0 || !shown_[i].shown || !shown_[i].enabled) {
      continue;
    }
    if (first == nullptr || control.tab < first->tab) first = &control;
  }
  if (first != nullptr) view_.focusControl(*first);
}

void WindowDriver::syncTimer() {
  const Timer& timer = form_.Timer1();
  const int interval = timer.enabled ? std::max(timer.interval, 1) : 0;
  if (interval != timerShown_) {
    view_.runTimer(interval);
    timerShown_ = interval;
  }
  if (form_.minimized() != minimizedShown_ && view_.onScreen()) {
    minimizedShown_ = form_.minimized();
    view_.minimise(minimizedShown_);
    // Gone from the screen or back under a resting pointer, the window is
    // over no control it knows of: the next arrival is news to the form.
    hovered_.clear();
  }
}

void WindowDriver::syncPreview() {
  const PreviewRequest& request = form_.ImgPV();
  if (request.serial == previewStarted_) return;
  previewStarted_ = request.serial;
  view_.loadPreview(request);
}

}  // namespace tivolen::manager

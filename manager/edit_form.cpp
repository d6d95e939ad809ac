// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/edit_form.h"

#include <algorithm>

#include "common/build_info.h"
#include "common/list_file.h"
#include "common/schedule.h"
#include "common/texts.h"
#include "manager/manager_texts.h"
#include "manager/schedule_setting.h"
#include "manager/shortcuts.h"

namespace tivolen::manager {

std::vector<std::pair<int, int>> SelectedRuns(const ListBox& box, int count) {
  std::vector<std::pair<int, int>> runs;
  count = std::min(count, static_cast<int>(box.selected.size()));
  for (int first = 0; first < count;) {
    if (box.selected[static_cast<std::size_t>(first)] == 0) {
      ++first;
      continue;
    }
    int last = first;
    while (last + 1 < count && box.selected[static_cast<std::size_t>(last) + 1] != 0) ++last;
    runs.emplace_back(first, last);
    first = last + 1;
  }
  return runs;
}
namespace {

constexpr int kLuckDesignValue = 3;

bool inRange(int value, int low, int high) {
  return value >= low && value <= high;
}

// Names this build and its day, so the notice never goes stale.
std::string HelpAnnouncement() {
  return "[お知らせ]" + std::to_string(build::kYear) + "年" + std::to_string(build::kMonth) + "月" +
         std::to_string(build::kDay) + "日 Ver " + std::string(build::kVersion) +
         "を公開しました.詳しくはヘルプをご覧下さい.";
}

}  // namespace

EditForm::EditForm(Platform& platform) : platform_(platform) {
  barSubFolder_.min = 0;
  barSubFolder_.max = kDepthBarMax;
  barSubFolder_.value = 0;
  // The label shows the depth from the moment the window opens, even when no
  // later change of the bar rewrites it.
  lblSubFolder_.caption = std::string(text::kSubFolderLabel) + std::to_string(subfolderDepth());
  barLuck_.min = kLuckMin;
  barLuck_.max = kLuckMax;
  barLuck_.value = kLuckDesignValue;
  lblLuck_.caption = std::string(text::kLuckDesignCaption);
  txtLounch_.enabled = false;
  txtLounch_.visible = false;
  btnUnstrech_.caption = text::kExpand;
  bardt_.min = 1;
  bardt_.max = 65;
  bardt_.value = 61;
  txtShowdt_.text = "5";
  btnShowStart_.caption = text::kSlideshowStart;
  frames_.fill(true);
  frame2_.height = kFrame2Folded;
  lblVer_.caption = "Ver " + std::string(build::kVersion);
  label3_.caption = text::kLinkCaption;
  label4_.caption = text::kAuthorCaption;
  lblMail_.caption = text::kMailCaption;
}

void EditForm::Load() {
  platform_.random.seedFromClock();
  OfferListOfOtherInstall(platform_);
  CheckShortcutsAtStart(platform_);
  LoadList();
  reportUnsavedCopies();
  reportUnavailableAtLogOn();
  lstStyle_.entries.assign(text::kStyleNames.begin(), text::kStyleNames.end());
  lstSchedule_.entries = ScheduleChoiceTexts();
  lstSchedule_.listIndex = InstalledScheduleChoice(platform_);
  MnuListClick();
}

bool EditForm::BtnOKClick() {
  if (rowCount() == 0) {
    platform_.messages.show(tivolen::text::kNoEntries);
    return false;
  }
  checkLauncher();
  return true;
}

void EditForm::checkLauncher() {
  const std::string& launcher = txtLounch_.text;
  if (!txtLounch_.enabled || launcher.empty() || launcher == " ") return;
  // What the user typed is saved all the same; the changer would pass over
  // it without a word at every change, so the word comes now.
  if (!platform_.files.attributes(launcher)) {
    platform_.messages.show(std::string(text::kLauncherMissing) + launcher);
  } else if (!platform_.files.isExecutable(launcher)) {
    platform_.messages.show(std::string(text::kLauncherNotExecutable) + launcher);
  }
}

bool EditForm::QueryUnload() {
  const bool slideshow = timer1_.enabled;
  timer1_.enabled = false;  // no tick while a box waits
  // An empty list closes all the same: the file keeps its earlier contents.
  if (rowCount() == 0) {
    platform_.messages.show(tivolen::text::kNoEntries);
    return true;
  }
  const SaveFailure failure = writeList(composeList(Report::Boxes), Report::Boxes);
  if (failure.message.empty()) {
    closeSaveFailed_ = false;
    return true;
  }
  platform_.messages.detail(failure.detail);
  // The edits live only in this window: a failed save keeps it open, and
  // only a second failed try asks whether to end without them.
  if (closeSaveFailed_ &&
      platform_.messages.show(std::string(failure.message) + std::string(text::kAskQuitUnsaved),
                              Buttons::YesNo) == Answer::Yes) {
    return true;
  }
  if (!closeSaveFailed_) {
    platform_.messages.show(std::string(failure.message) + std::string(text::kEditsKeptOpen));
  }
  closeSaveFailed_ = true;
  timer1_.enabled = slideshow;
  return false;
}

void EditForm::SetTiming(int index) {
  if (inRange(index, 0, static_cast<int>(text::kTimingCaptions.size()) - 1)) timing_ = index;
}

void EditForm::SetOrder(int index) {
  if (inRange(index, 0, static_cast<int>(text::kOrderCaptions.size()) - 1)) order_ = index;
}

void EditForm::SetBarSubFolder(int value) {
  if (!inRange(value, barSubFolder_.min, barSubFolder_.max) || value == barSubFolder_.value) return;
  barSubFolder_.value = value;
  BarSubFolderChange();
}

void EditForm::BarSubFolderChange() {
  lblSubFolder_.caption = std::string(text::kSubFolderLabel) + std::to_string(subfolderDepth());
}

void EditForm::SetBarLuck(int value) {
  if (!inRange(value, barLuck_.min, barLuck_.max) || value == barLuck_.value) return;
  barLuck_.value = value;
  BarLuckChange();
}

void EditForm::BarLuckChange() {
  lblLuck_.caption = std::string(text::kLuckLabel) + std::to_string(barLuck_.value) +
                     std::string(text::kLuckWords.at(static_cast<std::size_t>(barLuck_.value)));
  // An expansion row's negative ratio marks it as shown only; the bar is
  // about the registered rows and leaves it alone.
  for (int i = rowCount() - 1; i >= 0; --i) {
    ListRow& selected = document_.row(i);
    if (list1_.selected[static_cast<std::size_t>(i)] && isRegisteredKind(selected.kind)) {
      selected.ratio = barLuck_.value;
    }
  }
}

void EditForm::SelectStyle(int index) {
  if (!inRange(index, 0, static_cast<int>(lstStyle_.entries.size()) - 1) ||
      index == lstStyle_.listIndex) {
    return;
  }
  lstStyle_.listIndex = index;
  LstStyleClick();
}

void EditForm::LstStyleUserClick(int index) {
  if (!inRange(index, 0, static_cast<int>(lstStyle_.entries.size()) - 1)) return;
  lstStyle_.listIndex = index;
  LstStyleClick();
}

void EditForm::LstStyleClick() {
  for (int i = rowCount() - 1; i >= 0; --i) {
    if (list1_.selected[static_cast<std::size_t>(i)]) document_.row(i).style = lstStyle_.listIndex;
  }
  ShowDetails();
}

void EditForm::SetChkLounch(bool checked) {
  if (checked == chkLounch_.checked) return;
  chkLounch_.checked = checked;
  ChkLounchClick();
}

void EditForm::ChkLounchClick() {
  txtLounch_.visible = chkLounch_.checked;
  txtLounch_.enabled = chkLounch_.checked;
}

void EditForm::SetTxtLounch(std::string value) {
  txtLounch_.text = std::move(value);
}

void EditForm::SetSelection(const std::vector<int>& selectedRows, int focus) {
  list1_.selected.assign(static_cast<std::size_t>(rowCount()), 0);
  for (int row : selectedRows) {
    if (inRange(row, 0, rowCount() - 1)) list1_.selected[static_cast<std::size_t>(row)] = 1;
  }
  // A current row that is not selected is no focus: the details and every
  // edit follow the selected rows only. Its selected neighbour takes its
  // place (the next one, else the one before), so the rows left selected
  // after Ctrl-clicking it off are still what Delete removes.
  list1_.listIndex = -1;
  const int rows = rowCount();
  if (inRange(focus, 0, rows - 1)) {
    for (int row = focus; row < rows && list1_.listIndex < 0; ++row) {
      if (list1_.selected[static_cast<std::size_t>(row)] != 0) list1_.listIndex = row;
    }
    for (int row = focus - 1; row >= 0 && list1_.listIndex < 0; --row) {
      if (list1_.selected[static_cast<std::size_t>(row)] != 0) list1_.listIndex = row;
    }
  }
  List1Click();
}

void EditForm::setEditingEnabled(bool enabled) {
  barLuck_.enabled = enabled;
  lstStyle_.enabled = enabled;
  btnDlt_.enabled = enabled;
  bttnUp_.enabled = enabled;
  btnDwn_.enabled = enabled;
}

void EditForm::showPreview(std::string path) {
  preview_.path = std::move(path);
  ++preview_.serial;
}

void EditForm::List1Click() {
  const int focus = list1_.listIndex;
  if (focus < 0) {
    if (!preview_.path.empty()) showPreview({});
    ShowDetails();
    return;
  }
  const ListRow& row = document_.row(focus);
  if (row.kind != kKindImage && row.kind != kKindFolderImage) {
    showPreview({});
  } else if (list1_.tag != "1") {
    if (IsPictureFile(platform_.files, row.path)) {
      showPreview(row.path);
    } else if (PictureLookup(platform_.files).isGone(row.path)) {
      RemoveMissingSelectedPictures();
      return;
    } else {
      // On a drive that is not attached: the row waits for the drive.
      platform_.messages.show(std::string(text::kPictureUnreachable) + row.path);
      showPreview({});
    }
  }
  setEditingEnabled(isRegisteredKind(row.kind));
  // Both may change the rows through their handlers; the focused row's own
  // values are read first.
  const int style = row.style;
  const int ratio = row.ratio;
  SelectStyle(style);
  if (inRange(ratio, kLuckMin, kLuckMax)) SetBarLuck(ratio);
  ShowDetails();
}

void EditForm::List1DblClick() {
  const int focus = list1_.listIndex;
  if (focus < 0) return;
  if (document_.row(focus).kind >= kKindFolderSubfolder) {
    ToggleFolderView();
  } else {
    SetWallpaperFromSelection();
  }
}

void EditForm::List1KeyDown(int keyCode) {
  if (keyCode == kKeyDelete) RemoveSelectedRows();
  if (keyCode == kKeyEnter) SetWallpaperFromSelection();
}

void EditForm::rowsChanged() {
  ++selectionSerial_;
  if (observer_) observer_->rowsReset();
}

void EditForm::selectOnly(int row) {
  list1_.selected.assign(static_cast<std::size_t>(rowCount()), 0);
  list1_.listIndex = -1;
  if (inRange(row, 0, rowCount() - 1)) {
    list1_.selected[static_cast<std::size_t>(row)] = 1;
    list1_.listIndex = row;
  }
}

void EditForm::removeFlaggedRows(const std::vector<char>& remove) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list1_.selected.size(); ++i) {
    if (i < remove.size() && remove[i] != 0) {
      if (list1_.listIndex == static_cast<int>(i)) list1_.listIndex = -1;
      continue;
    }
    if (list1_.listIndex == static_cast<int>(i)) list1_.listIndex = static_cast<int>(kept);
    list1_.selected[kept++] = list1_.selected[i];
  }
  list1_.selected.resize(static_cast<std::size_t>(rowCount()));
}

void EditForm::RemoveSelectedRows() {
  const int focus = list1_.listIndex;
  if (focus < 0) return;
  document_.RemoveRows(list1_.selected);
  selectOnly(focus < rowCount() ? focus : -1);
  rowsChanged();
  List1Click();
}

void EditForm::RemoveMissingSelectedPictures() {
  const int focus = list1_.listIndex;
  if (focus < 0) return;
  // Only the pictures that are gone leave the list: a range selected with
  // Shift that ends on a missing one holds pictures that are still there.
  // A picture on a drive that is not attached now is not gone; it stays.
  PictureLookup lookup(platform_.files);
  std::vector<char> missing(static_cast<std::size_t>(rowCount()), 0);
  std::vector<std::string> names;
  for (int i = 0; i < rowCount(); ++i) {
    const ListRow& candidate = document_.row(i);
    const bool picture = candidate.kind == kKindImage || candidate.kind == kKindFolderImage;
    if (list1_.selected[static_cast<std::size_t>(i)] == 0 || !picture ||
        IsPictureFile(platform_.files, candidate.path) || !lookup.isGone(candidate.path)) {
      continue;
    }
    missing[static_cast<std::size_t>(i)] = 1;
    names.push_back(candidate.path);
  }
  if (names.empty()) return;
  std::string message(tivolen::text::kFileNotFound);
  const std::size_t shown = std::min(names.size(), text::kMissingNamesShown);
  for (std::size_t i = 0; i < shown; ++i) message += "\r\n" + names[i];
  if (names.size() > shown) {
    message += "\r\n" + std::string(text::kMissingNamesMore) +
               std::to_string(names.size() - shown) + std::string(text::kMissingNamesCount);
  }
  platform_.messages.show(message);
  for (const std::string& name : names) platform_.messages.detail(name);
  // The row that followed the focused one takes the focus, wherever the
  // removed rows stood.
  const auto removedAbove = std::count(missing.begin(), missing.begin() + focus, 1);
  const int next = focus - static_cast<int>(removedAbove);
  document_.RemoveRows(missing);
  removeFlaggedRows(missing);
  selectOnly(next < rowCount() ? next : -1);
  rowsChanged();
  List1Click();
}

void EditForm::moveFocusedRow(int step) {
  const int i = list1_.listIndex;
  const int j = i + step;
  if (i < 0 || !inRange(j, 0, rowCount() - 1)) return;
  document_.SwapRows(i, j);
  list1_.tag = "1";
  list1_.selected[static_cast<std::size_t>(i)] = 0;
  list1_.selected[static_cast<std::size_t>(j)] = 1;
  list1_.listIndex = j;
  rowsChanged();
  List1Click();
  list1_.tag.clear();
}

void EditForm::MoveRowUp() {
  moveFocusedRow(-1);
}

void EditForm::MoveRowDown() {
  moveFocusedRow(+1);
}

void EditForm::CheckDuplicates() {
  const std::vector<char> duplicates = document_.FindDuplicates(platform_.files.pathRules());
  const auto count = std::count(duplicates.begin(), duplicates.end(), 1);
  if (count > 0) {
    document_.RemoveRows(duplicates);
    removeFlaggedRows(duplicates);
    rowsChanged();
  }
  platform_.messages.show(" " + std::to_string(count) + std::string(text::kDuplicatesFound));
}

void EditForm::RefreshList() {
  document_.Clear();
  list1_.selected.clear();
  list1_.listIndex = -1;
  LoadList();
  ++selectionSerial_;
  clearPreviewWithoutFocus();
}

// A list rebuilt without a focused row shows no picture: the preview must
// not go on showing a row that is no longer selected, or no longer there.
void EditForm::clearPreviewWithoutFocus() {
  if (list1_.listIndex < 0 && !preview_.path.empty()) showPreview({});
}

void EditForm::ToggleFolderView() {
  if (btnUnstrech_.caption == text::kExpand) {
    ExpandList();
    btnUnstrech_.caption = text::kCollapse;
  } else {
    CollapseList();
    btnUnstrech_.caption = text::kExpand;
    bardt_.min = 1;
    bardt_.max = 65;
    bardt_.value = 61;
    txtShowdt_.text = "5";
    btnShowStart_.caption = text::kSlideshowStart;
  }
}

void EditForm::ExpandList() {
  const bool whole = document_.ExpandList(platform_.files, subfolderDepth());
  selectOnly(-1);
  rowsChanged();
  clearPreviewWithoutFocus();
  ShowDetails();
  if (!whole) platform_.messages.show(text::kExpansionCut);
}

void EditForm::CollapseList() {
  removeFlaggedRows(document_.CollapseList());
  rowsChanged();
  clearPreviewWithoutFocus();
  ShowDetails();
}

void EditForm::ShowDetails() {
  std::string& out = lbl_.caption;
  out = std::string(text::kTimingCaptions.at(static_cast<std::size_t>(timing_))) + " ";
  out += text::kOrderCaptions.at(order_ == 0 ? 0 : 1);
  out += "  ";
  const int i = list1_.listIndex;
  if (i < 0) {
    barLuck_.enabled = false;
    lblLuck_.enabled = false;
    return;
  }
  barLuck_.enabled = true;
  lblLuck_.enabled = true;

  const auto slot = static_cast<std::size_t>(i);
  const ListRow& row = document_.row(i);
  const int kind = row.kind;
  const std::string n = std::to_string(i + 1);
  if (kind == kKindImage && order_ == kOrderSequential) {
    switch (timing_) {
      case kTimingEveryStart:
        out += n + std::string(text::kStartCount);
        break;
      case kTimingDateChanged:
        out += i > 30 ? std::string(text::kUnused) : n + std::string(text::kDay);
        break;
      case kTimingWeekdayChanged:
        out += i > 6 ? std::string(text::kUnused) : std::string(text::kWeekdays.at(slot));
        break;
      default:
        out += i > 11 ? std::string(text::kUnused) : n + std::string(text::kMonth);
        break;
    }
  } else if (isRegisteredKind(kind)) {
    out += std::string(text::kFrequency) + std::to_string(row.ratio);
  }
  if (isRegisteredKind(kind) && inRange(lstStyle_.listIndex, 0, 4)) {
    out += text::kStyleDetails.at(static_cast<std::size_t>(lstStyle_.listIndex));
  }
  std::string_view kindText;
  if (kind == kKindImage) {
    kindText = text::kKindImageText;
  } else if (kind == kKindFolderImage) {
    kindText = text::kKindFolderImageText;
  } else if (kind == kKindFolderSubfolder) {
    kindText = text::kKindFolderSubfolderText;
  } else if (kind > kKindFolderBase) {
    kindText = text::kKindFolderText;
  } else {
    return;
  }
  out += "\r\n";
  out += kindText;
  out += "\r\n";
  out += row.path;
}

void EditForm::ControlMouseMove(std::string_view control) {
  if (control.starts_with("Frame") && control.size() == 6) {
    // Over any page the launcher box follows its check box, and the list
    // file's frame folds back to its title.
    txtLounch_.visible = chkLounch_.checked;
    frame2_.height = kFrame2Folded;
  }
  if (control == "Frame2List") {
    frame2_.height = kFrame2Open;
    return;
  }
  const bool collapse = control == "BtnUnstrech" && btnUnstrech_.caption != text::kExpand;
  for (const auto& [name, tip] : text::kTips) {
    if (name == control) {
      if (tipMayReplaceLbl(control))
        lbl_.caption = collapse ? text::kTipCollapse : systemTip(name, tip);
      return;
    }
  }
}

std::string_view EditForm::systemTip(std::string_view control, std::string_view tip) const {
  const auto mine = [control](const auto& table) {
    const auto found =
        std::ranges::find(table, control, [](const auto& entry) { return entry.first; });
    return found == table.end() ? std::string_view{} : found->second;
  };
  const std::string_view own = platform_.files.pathRules().windows() ? mine(text::kTipsOnWindows)
                                                                     : mine(text::kTipsOffWindows);
  return own.empty() ? tip : own;
}

void EditForm::HideAllFrames() {
  frames_.fill(false);
}

void EditForm::MnuListClick() {
  HideAllFrames();
  frames_[kFrameList] = true;
  ShowDetails();
  const bool random = order_ != kOrderSequential;
  lblLuck_.visible = random;
  barLuck_.visible = random;
}

void EditForm::MnuSetClick() {
  HideAllFrames();
  frames_[kFrameOrder] = true;
  frames_[kFrameTiming] = true;
  frames_[kFrameFolders] = true;
}

void EditForm::MnuOpeClick() {
  HideAllFrames();
  frames_[kFrameOperations] = true;
  txtLounch_.enabled = chkLounch_.checked;
}

void EditForm::MnuHelpClick() {
  HideAllFrames();
  frames_[kFrameAbout] = true;
  ShowRandomHelpText();
}

void EditForm::ShowRandomHelpText() {
  lbl_.caption.clear();
  const float r = platform_.random.next();
  if (r < 0.3F) {
    lbl_.caption = HelpAnnouncement();
  } else if (r < 0.4F) {
    lbl_.caption = text::kHelpTaskScheduler;
  } else if (r < 0.5F) {
    lbl_.caption = text::kHelpQuestions;
  } else if (r < 0.7F) {
    lbl_.caption = text::kHelpDoubleClick;
  } else {
    lbl_.caption = text::kHelpShift;
  }
}

void EditForm::openDocument(const std::string& path) {
  if (!platform_.files.fileExists(path)) {
    platform_.messages.show(std::string(text::kDocumentMissing) + path);
    return;
  }
  const Status opened = platform_.documents.open(path);
  if (!opened.isOk()) {
    platform_.messages.show(std::string(text::kDocumentNotOpened) + path);
    platform_.messages.detail(opened.message);
  }
}

void EditForm::BtnHelpClick() {
  openDocument(platform_.helpFile(text::kHelpPage));
}

void EditForm::BtnShowListClick() {
  // The editor shows what this window shows: otherwise edits made here and
  // not yet saved would be lost to the refresh that follows the editing.
  if (rowCount() > 0 && !SaveList()) return;
  const std::string list = platform_.inDataDir(kListFileName);
  if (rowCount() == 0 && !platform_.files.fileExists(list)) {
    platform_.messages.show(text::kListNotSavedYet);
    return;
  }
  openDocument(list);
}

void EditForm::Label3Click() {
  openDocument(platform_.helpFile(text::kHelpPage));
}
void EditForm::Label4Click() {
  const bool windows = platform_.files.pathRules().windows();
  openDocument(platform_.documentationFile(text::kReadme[windows ? 0 : 1]));
}
// Questions and reports: the help page says where and what to send.
void EditForm::LblMailClick() {
  openDocument(platform_.helpFile(text::kHelpPage));
}

void EditForm::BtnSupWClick() {
  if (!MayTakeOverStartupShortcut(platform_)) return;
  const Status written = WriteStartupShortcut(platform_);
  if (!written.isOk()) ShowShortcutFailure(platform_, written);
}
void EditForm::BtnSupDClick() {
  RemoveStartupShortcut(platform_);
}
void EditForm::BtnDskSCClick() {
  const Status written = WriteDesktopShortcut(platform_);
  if (!written.isOk()) ShowShortcutFailure(platform_, written);
}
void EditForm::BtnQlScClick() {
  CreateQuickLaunchShortcut(platform_);
}

void EditForm::SetSchedule(int index) {
  if (index == lstSchedule_.listIndex) return;
  // The view shows the choice at once; a refusal puts it back.
  lstSchedule_.listIndex = index;
  lstSchedule_.listIndex = ChooseSchedule(platform_, index);
}

}  // namespace tivolen::manager

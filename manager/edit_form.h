// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/text_encoding.h"
#include "manager/list_document.h"
#include "platform/platform.h"

namespace tivolen::manager {

// State of the controls the manager's operations read and write. The window
// mirrors these; the logic never asks a widget.
struct Control {
  bool enabled = true;
  bool visible = true;
};
struct ScrollBar : Control {
  int min = 0;
  int max = 0;
  int value = 0;
};
struct Label : Control {
  std::string caption;
};
struct ComboList : Control {
  std::vector<std::string> entries;
  int listIndex = -1;
};
struct CheckBox : Control {
  bool checked = false;
};
struct TextBox : Control {
  std::string text;
};
// List1's state beside the rows of the document: which lines are selected
// and which has the focus. The texts are the document's.
struct ListBox : Control {
  std::vector<char> selected;  // one flag per row
  int listIndex = -1;          // the focused row, -1 for none
  std::string tag;             // "1" while a move changes the selection
};

// The selected rows among the first `count` of `box`, as runs of
// neighbours {first, last}: a view selects a long list in a few calls.
std::vector<std::pair<int, int>> SelectedRuns(const ListBox& box, int count);

// What the preview box should show: the picture file, or nothing. `serial`
// grows with every request, so the view loads again for the same file.
struct PreviewRequest {
  std::string path;
  int serial = 0;
};

// A frame whose height the form changes; heights in twips as the old window
// measured them (15 twips to a pixel at 96 dpi).
struct SubFrame : Control {
  int height = 0;
};
// Frame2 of the operations page: its title only, or its two buttons too.
inline constexpr int kFrame2Folded = 255;
inline constexpr int kFrame2Open = 615;

// Keys of List1 the form handles, by the key codes of old.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyDelete = 46;

// A timer the window runs for the form; the form decides when and how often.
struct Timer {
  bool enabled = false;
  int interval = 0;  // milliseconds
};

// Frames of the window; the menu bar shows one group of them at a time.
enum FrameIndex : int {
  kFrameList = 0,
  kFrameOrder = 1,
  kFrameTiming = 2,
  kFrameOperations = 3,
  kFrameAbout = 4,
  kFrameFolders = 5,
};
inline constexpr int kFrameCount = 6;

inline constexpr int kDepthBarMax = 10;
inline constexpr int kLuckMin = 1;
inline constexpr int kLuckMax = 5;

// Told when rows appear or the list is rebuilt, so a view can update its
// model; controls it re-reads after every event it forwards.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void rowsAppended(int newCount) = 0;
  // Rows were removed, moved or rebuilt; the selection is the form's again.
  virtual void rowsReset() = 0;
};

// The file beside the list that keeps edits a session's end could not save:
// "List.txt.unsaved-20261208-101500".
inline constexpr std::string_view kUnsavedCopyPrefix = "List.txt.unsaved-";
std::string UnsavedCopyName(const std::optional<LocalTime>& now);

// The behaviour of the settings window frmEdit, without any toolkit. Every
// handler is one method; a value set from code runs the same handling as a
// user's change, here and not in the view.
class EditForm {
 public:
  explicit EditForm(Platform& platform);
  void setObserver(FormObserver* observer) { observer_ = observer; }

  // Window events.
  void Load();
  // False when the window must stay open.
  bool BtnOKClick();
  // False when the window must stay open: the list could not be saved and
  // the user did not choose to end without it.
  bool QueryUnload();
  // The session is ending and will not wait for a box: saves at once,
  // telling standard error only; what cannot be saved goes to an unsaved
  // copy beside the list. The program ends afterwards.
  void EndSession();

  // Settings controls, as the user or code changes them.
  void SetTiming(int index);
  void SetOrder(int index);
  void SetBarSubFolder(int value);
  void SetBarLuck(int value);
  // From code: runs the Click handling only when the entry changes.
  void SelectStyle(int index);
  // A user's choice in the list runs the Click handling even for the same entry.
  void LstStyleUserClick(int index);
  void SetChkLounch(bool checked);
  void SetTxtLounch(std::string text);

  // List1: the view reports the selection and the focused row.
  void SetSelection(const std::vector<int>& rows, int focus);
  void List1Click();
  void List1DblClick();
  void List1KeyDown(int keyCode);

  // Editing buttons.
  void RemoveSelectedRows();
  // The focused picture is gone: takes every selected picture that is gone
  // out of the list, and only those, naming them.
  void RemoveMissingSelectedPictures();
  void MoveRowUp();
  void MoveRowDown();
  void CheckDuplicates();
  void RefreshList();
  void ToggleFolderView();
  // False when the desktop kept its wallpaper (not reached, or it refused the
  // picture; the message has been shown): later pictures would fare no better.
  bool SetWallpaperFromSelection();

  // The mouse moves over the control of that name: its tip, if it has one.
  void ControlMouseMove(std::string_view control);

  // The slideshow.
  void SetBardt(int value);
  void BtnShowStartClick();
  void Timer1Timer();
  void ExpandList();
  void CollapseList();

  // Menus.
  void HideAllFrames();
  void MnuListClick();
  void MnuSetClick();
  void MnuOpeClick();
  void MnuHelpClick();
  void ShowRandomHelpText();

  // Documents: the help page, the list file and the about page's links.
  void BtnHelpClick();
  void BtnShowListClick();
  void Label3Click();
  void Label4Click();
  void LblMailClick();

  // Shortcut buttons.
  void BtnSupWClick();
  void BtnSupDClick();
  void BtnDskSCClick();
  void BtnQlScClick();
  // The schedule the system keeps for this install (ScheduleChoiceTexts).
  void SetSchedule(int index);

  // Operations.
  void LoadList();
  // False when nothing was written (empty list, or the file could not be
  // replaced; the message says which).
  bool SaveList();
  // Paths of the local files dropped on the window, in the drag data's order.
  void RegisterDroppedItems(const std::vector<std::string>& paths);
  // Pictures or a folder chosen in the system's file dialog, registered as
  // a drop of the same items is: the same checks, order and messages.
  void AddChosenItems(ChooseWhat what);
  void ShowDetails();

  // State, for the view and the tests.
  [[nodiscard]] const ListDocument& document() const { return document_; }
  [[nodiscard]] Platform& platform() { return platform_; }
  [[nodiscard]] int rowCount() const { return document_.rowCount(); }
  [[nodiscard]] int subfolderDepth() const { return kDepthBarMax - barSubFolder_.value; }
  [[nodiscard]] const ListBox& List1() const { return list1_; }
  [[nodiscard]] int timingIndex() const { return timing_; }
  [[nodiscard]] int orderIndex() const { return order_; }
  [[nodiscard]] const ScrollBar& BarSubFolder() const { return barSubFolder_; }
  [[nodiscard]] const Label& LblSubFolder() const { return lblSubFolder_; }
  [[nodiscard]] const ScrollBar& BarLuck() const { return barLuck_; }
  [[nodiscard]] const Label& lblLuck() const { return lblLuck_; }
  [[nodiscard]] const ComboList& LstStyle() const { return lstStyle_; }
  [[nodiscard]] const ComboList& LstSchedule() const { return lstSchedule_; }
  [[nodiscard]] const CheckBox& ChkLounch() const { return chkLounch_; }
  [[nodiscard]] const TextBox& TxtLounch() const { return txtLounch_; }
  [[nodiscard]] const Label& Lbl() const { return lbl_; }
  [[nodiscard]] const Control& BtnDlt() const { return btnDlt_; }
  [[nodiscard]] const Control& BttnUp() const { return bttnUp_; }
  [[nodiscard]] const Control& BtnDwn() const { return btnDwn_; }
  [[nodiscard]] const Label& BtnUnstrech() const { return btnUnstrech_; }
  [[nodiscard]] const ScrollBar& Bardt() const { return bardt_; }
  [[nodiscard]] const TextBox& TxtShowdt() const { return txtShowdt_; }
  [[nodiscard]] const Label& BtnShowStart() const { return btnShowStart_; }
  [[nodiscard]] const Timer& Timer1() const { return timer1_; }
  // The window is minimised while a slideshow runs.
  [[nodiscard]] bool minimized() const { return minimized_; }
  [[nodiscard]] const PreviewRequest& ImgPV() const { return preview_; }
  // Grows whenever the form itself changes the selection.
  [[nodiscard]] int selectionSerial() const { return selectionSerial_; }
  [[nodiscard]] bool frameVisible(int index) const { return frames_.at(index); }
  [[nodiscard]] const SubFrame& Frame2() const { return frame2_; }
  [[nodiscard]] const Label& LblVer() const { return lblVer_; }
  [[nodiscard]] const Label& Label3() const { return label3_; }
  [[nodiscard]] const Label& Label4() const { return label4_; }
  [[nodiscard]] const Label& LblMail() const { return lblMail_; }

 private:
  void BarLuckChange();
  void BardtChange();
  void BarSubFolderChange();
  void LstStyleClick();
  void ChkLounchClick();
  void checkLauncher();
  // Where a save tells what it met: boxes, or standard error alone when no
  // box may wait (the session is ending).
  enum class Report { Boxes, StderrOnly };
  struct SaveFailure {
    std::string_view message;  // empty when the list was written
    std::string detail;
  };
  bool saveList(bool reportFailure);
  void tell(Report report, std::string_view message);
  std::string composeList(Report report);
  SaveFailure writeList(const std::string& contents, Report report);
  void reportLoadProblem(const LoadResult& result);
  void reportUnsavedCopies();
  void reportRemovedImages(const std::vector<std::string>& removed);
  void reportUnavailableAtLogOn();
  // Drops the selection flags of rows the document removed.
  void removeFlaggedRows(const std::vector<char>& remove);
  void moveFocusedRow(int step);
  void selectOnly(int row);
  void stopOnDesktopFailure();
  void rowsChanged();
  void showPreview(std::string path);
  void clearPreviewWithoutFocus();
  // What making the focused picture the wallpaper came to: the desktop took
  // nothing (its message has been shown), or the picture could not be shown
  // (the message naming it, as a box only when the report says so).
  struct WallpaperAttempt {
    bool desktopTookNothing = false;
    std::string pictureProblem;
  };
  WallpaperAttempt setWallpaper(Report report);
  // The slideshow's own texts in Lbl stay until the mouse points at another
  // control than the one it rests on when they appear.
  void showSlideshowMessage(std::string message);
  bool tipMayReplaceLbl(std::string_view control);
  // The tip in the words of the system the program runs on.
  [[nodiscard]] std::string_view systemTip(std::string_view control, std::string_view tip) const;
  bool showFocusedPicture();
  void endSlideshow(std::string_view message);
  void setEditingEnabled(bool enabled);
  void openDocument(const std::string& path);

  Platform& platform_;
  FormObserver* observer_ = nullptr;
  ListDocument document_;
  ListBox list1_;
  PreviewRequest preview_;
  int selectionSerial_ = 0;
  // The bytes of a list this program could not read whole, kept beside it
  // before the first save replaces it.
  std::optional<std::string> unreadList_;
  bool unreadListAnnounced_ = false;
  // The last try to save on closing failed: the next one may end unsaved.
  bool closeSaveFailed_ = false;
  // How List.txt was stored when it was read; saves keep it while they can.
  TextEncoding listEncoding_ = TextEncoding::Utf8;
  int timing_ = 0;
  int order_ = 0;
  ScrollBar barSubFolder_;
  Label lblSubFolder_;
  ScrollBar barLuck_;
  Label lblLuck_;
  ComboList lstStyle_;
  ComboList lstSchedule_;
  CheckBox chkLounch_;
  TextBox txtLounch_;
  Label lbl_;
  Control btnDlt_;
  Control bttnUp_;
  Control btnDwn_;
  Label btnUnstrech_;
  ScrollBar bardt_;
  TextBox txtShowdt_;
  Label btnShowStart_;
  Timer timer1_;
  bool minimized_ = false;
  // Pictures the running slideshow passed over because they cannot be shown.
  std::vector<std::string> slideshowSkipped_;
  // A slideshow message that tips do not replace yet, and the control the
  // pointer was first reported over after it appeared.
  std::string pinnedCaption_;
  std::optional<std::string> pinnedControl_;
  std::array<bool, kFrameCount> frames_{};
  SubFrame frame2_;
  Label lblVer_;
  Label label3_;
  Label label4_;
  Label lblMail_;
};

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
// The window's description and the driver both views run on, without a
// toolkit: a fault here shows in the Qt and the Win32 window alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "manager/manager_texts.h"
#include "manager/window_controls.h"
#include "manager/window_driver.h"
#include "tests/manager_test_support.h"

namespace tivolen {
namespace {

using manager::Action;
using manager::ControlEntry;
using manager::ControlKind;
using manager::ControlState;
using manager::FindControl;
using manager::WindowControls;
using manager::WindowDriver;
using testing::listBytes;
using testing::listTexts;
using testing::ManagerBench;
using Texts = std::vector<std::string>;

// The controls a page shows: its own and those under every page.
std::vector<const ControlEntry*> onPage(int page) {
  std::vector<const ControlEntry*> found;
  for (const ControlEntry& control : WindowControls()) {
    if (control.kind != ControlKind::Menu &&
        (control.page == page || control.page == manager::kEveryPage)) {
      found.push_back(&control);
    }
  }
  return found;
}

TEST(WindowDescription, NamesAreUniqueAndEveryFrameComesBeforeItsControlsOnTheSamePage) {
  std::set<std::string_view> names;
  std::set<int> ids;
  const auto controls = WindowControls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlEntry& control = controls[i];
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
    if (control.parent.empty()) continue;
    const ControlEntry* parent = FindControl(control.parent);
    ASSERT_NE(parent, nullptr) << control.name;
    EXPECT_EQ(parent->kind, ControlKind::Frame) << control.name;
    EXPECT_EQ(parent->page, control.page) << control.name;
    // The views create a frame's controls inside the frame already made.
    EXPECT_LT(parent - controls.data(), static_cast<std::ptrdiff_t>(i)) << control.name;
  }
}

// The Win32 window's Tab key follows the order its controls were created in,
// which is the table's; the Qt window follows the tab indices.
TEST(WindowDescription, TabIndicesAreUniquePerPageAndRunInTheTablesOrder) {
  for (int page = 0; page < manager::kPageCount; ++page) {
    std::vector<int> tabs;
    for (const ControlEntry* control : onPage(page)) {
      if (control->tab >= 0) tabs.push_back(control->tab);
    }
    EXPECT_FALSE(tabs.empty()) << "page " << page;
    EXPECT_TRUE(std::ranges::is_sorted(tabs)) << "page " << page;
    EXPECT_EQ(std::ranges::adjacent_find(tabs), tabs.end()) << "page " << page;
  }
  for (const ControlEntry& control : WindowControls()) {
    const bool reached = control.kind == ControlKind::List || control.kind == ControlKind::Button ||
                         control.kind == ControlKind::Choice ||
                         control.kind == ControlKind::Radio || control.kind == ControlKind::Check ||
                         control.kind == ControlKind::Edit || control.kind == ControlKind::Link ||
                         control.kind == ControlKind::HBar || control.kind == ControlKind::VBar;
    EXPECT_EQ(control.tab >= 0, reached) << control.name;
  }
}

TEST(WindowDescription, CaptionsAndTipsComeFromTheTextsTableByControlName) {
  for (const ControlEntry& control : WindowControls()) {
    const bool captioned =
        control.kind == ControlKind::Menu || control.kind == ControlKind::Frame ||
        control.kind == ControlKind::Button || control.kind == ControlKind::Radio ||
        control.kind == ControlKind::Check || control.kind == ControlKind::Link ||
        control.kind == ControlKind::Title;
    if (captioned) {
      EXPECT_FALSE(manager::CaptionOf(control.name).empty()) << control.name;
    }
  }
  // A control renamed in one place would lose its caption or tip silently.
  for (const auto& [name, caption] : manager::text::kCaptions) {
    EXPECT_NE(FindControl(name), nullptr) << name;
  }
  for (const auto& [name, tip] : manager::text::kTips) {
    EXPECT_NE(FindControl(name), nullptr) << name;
  }
  EXPECT_EQ(manager::CaptionOf("OptR1"), manager::text::kOrderCaptions[1]);
  EXPECT_EQ(manager::CaptionOf("BtnShowStart"), manager::text::kSlideshowStart);
}

TEST(WindowDescription, EveryCellFitsItsGridAndNoTwoControlsShareOne) {
  for (int page = manager::kEveryPage; page < manager::kPageCount; ++page) {
    // Cells taken, by container.
    std::map<std::string_view, std::set<std::pair<int, int>>> taken;
    for (const ControlEntry& control : WindowControls()) {
      if (control.kind == ControlKind::Menu || control.page != page) continue;
      const manager::Grid grid = control.parent.empty() ? manager::PageGrid(control.page)
                                                        : FindControl(control.parent)->grid;
      const manager::Cell& cell = control.cell;
      EXPECT_TRUE(cell.row >= 0 && cell.column >= 0 && cell.rows >= 1 && cell.columns >= 1 &&
                  cell.row + cell.rows <= grid.rows && cell.column + cell.columns <= grid.columns)
          << control.name;
      for (int row = cell.row; row < cell.row + cell.rows; ++row) {
        for (int column = cell.column; column < cell.column + cell.columns; ++column) {
          EXPECT_TRUE(taken[control.parent].insert({row, column}).second)
              << control.name << " at " << row << "," << column;
        }
      }
    }
  }
}

// A view that records what the driver asks of it.
class RecordingView final : public manager::WindowView {
 public:
  void showPage(int page) override { pages.push_back(page); }
  void showControl(const ControlEntry& control, const ControlState& state) override {
    shown.push_back(std::string(control.name));
    states[std::string(control.name)] = state;
  }
  void focusControl(const ControlEntry& control) override { focused = control.name; }
  void showSelection(const manager::ListBox& box) override {
    ++selectionsShown;
    selection.rows.clear();
    for (std::size_t i = 0; i < box.selected.size(); ++i) {
      if (box.selected[i] != 0) selection.rows.push_back(static_cast<int>(i));
    }
    selection.focus = box.listIndex;
  }
  manager::ShownSelection shownSelection() override { return selection; }
  void runTimer(int milliseconds) override { timer = milliseconds; }
  bool onScreen() override { return visible; }
  void minimise(bool minimised) override { minimiseCalls.push_back(minimised); }
  void setBusy(bool on) override { busyCalls.push_back(on); }
  void loadPreview(const manager::PreviewRequest& request) override {
    previews.push_back(request.path);
  }

  std::vector<int> pages;
  std::vector<std::string> shown;
  std::map<std::string, ControlState> states;
  std::string_view focused;
  int selectionsShown = 0;
  manager::ShownSelection selection;
  int timer = 0;
  bool visible = true;
  std::vector<bool> minimiseCalls;
  std::vector<bool> busyCalls;
  std::vector<std::string> previews;
};

class WindowDriverTest : public ::testing::Test {
 protected:
  WindowDriver& open(std::string_view letters) {
    std::vector<std::string> records;
    for (char letter : letters) {
      records.push_back("\"" + bench.picture(std::string(1, letter) + ".jpg") + "\",0,3,5");
    }
    bench.writeList(listBytes(0, 0, 2, records));
    bench.open();
    driver = std::make_unique<WindowDriver>(bench.form(), view);
    driver->sync();
    view.shown.clear();
    return *driver;
  }
  // The user selects `row` in the view's list.
  void select(int row) {
    view.selection = {{row}, row};
    if (driver->selectionChanged()) driver->selectionSettled();
  }

  ManagerBench bench;
  RecordingView view;
  std::unique_ptr<WindowDriver> driver;
};

TEST_F(WindowDriverTest, EachControlRunsItsOwnHandlerWithTheSelectionTheUserSees) {
  WindowDriver& window = open("ABCD");
  manager::EditForm& form = bench.form();
  // The selection is still pending when the button is pressed: the form
  // hears of it first.
  view.selection = {{2}, 2};
  ASSERT_TRUE(window.selectionChanged());
  window.activated("BttnUp");
  EXPECT_EQ(listTexts(form), (Texts{"A.jpg", "C.jpg", "B.jpg", "D.jpg"}));
  window.selectionSettled();  // late: nothing left to hand on
  EXPECT_EQ(listTexts(form), (Texts{"A.jpg", "C.jpg", "B.jpg", "D.jpg"}));
  window.activated("BtnDwn");
  EXPECT_EQ(listTexts(form), (Texts{"A.jpg", "B.jpg", "C.jpg", "D.jpg"}));
  select(0);
  window.activated("BtnDlt");
  EXPECT_EQ(listTexts(form), (Texts{"B.jpg", "C.jpg", "D.jpg"}));

  window.activated("OptR1");
  EXPECT_EQ(form.orderIndex(), 1);
  window.activated("optt2");
  EXPECT_EQ(form.timingIndex(), 2);
  window.activated("BarSubFolder", 7);
  EXPECT_EQ(form.BarSubFolder().value, 7);
  window.activated("Bardt", 60);  // the bar's right end is the longest interval
  EXPECT_EQ(form.TxtShowdt().text, "60");
  EXPECT_EQ(window.stateOf(*FindControl("Bardt")).value, 60);
  window.activated("ChkLounch", 1);
  EXPECT_TRUE(form.ChkLounch().checked);
  window.textEdited(*FindControl("TxtLounch"), "calendar");
  EXPECT_EQ(form.TxtLounch().text, "calendar");

  window.activated("MnuOpe");
  EXPECT_TRUE(form.frameVisible(manager::kFrameOperations));
  EXPECT_EQ(view.pages.back(), manager::kPageOperations);
  // The page's first control: the list file's buttons stay out, for the
  // keyboard too.
  EXPECT_EQ(view.focused, "BtnListRefresh");
  window.activated("MnuSet");
  EXPECT_EQ(view.pages.back(), manager::kPageSettings);
  EXPECT_EQ(view.focused, "OptR0");
}

// Pictures and folders come in without a file manager too: the list
// page's buttons open the system's chooser, and what is chosen is
// registered as a drop of it, after the rows already there.
TEST_F(WindowDriverTest, TheAddButtonsRegisterWhatTheChooserGives) {
  WindowDriver& window = open("AB");
  const std::string c = bench.picture("more/C.jpg");
  const std::string folder = bench.root.mkdir("more/trip");
  bench.picture("more/trip/t.png");
  bench.fake().fileChooser.answers.push_back({c});
  bench.fake().fileChooser.answers.push_back({folder});
  window.activated("BtnAddPictures");
  window.activated("BtnAddFolder");
  const Texts rows = listTexts(bench.form());
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(rows[2], "C.jpg");
  EXPECT_NE(rows[3].find("trip"), std::string::npos) << rows[3];
  EXPECT_EQ(bench.list().find("trip") != std::string::npos, true) << "saved as a drop is";
  // The chooser is a window of its own: no busy pointer over it.
  EXPECT_TRUE(view.busyCalls.empty());
  window.activated("BtnAddPictures");  // cancelled
  EXPECT_EQ(listTexts(bench.form()).size(), 4U);
  for (const char* name : {"BtnAddPictures", "BtnAddFolder"}) {
    EXPECT_FALSE(manager::CaptionOf(name).empty()) << name;
    EXPECT_FALSE(manager::TipOf(name).empty()) << name;
  }
}

TEST_F(WindowDriverTest, TheBusyPointerShowsForTheSlowHandlersOnlyAndOnceWhenNested) {
  WindowDriver& window = open("AB");
  select(0);
  window.activated("BttnUp");
  window.activated("MnuSet");
  EXPECT_TRUE(view.busyCalls.empty());
  window.activated("BtnUnstrech");
  EXPECT_EQ(view.busyCalls, (std::vector<bool>{true, false}));
  view.busyCalls.clear();
  window.listKey(manager::kKeyDelete);
  EXPECT_TRUE(view.busyCalls.empty());
  for (const ControlEntry& control : WindowControls()) {
    if (control.busy) {
      EXPECT_TRUE(
          control.action == Action::ListDoubleClick || control.action == Action::ToggleFolders ||
          control.action == Action::SetWallpaper || control.action == Action::CheckDuplicates ||
          control.action == Action::StartSlideshow || control.action == Action::SetSchedule)
          << control.name;
    }
  }
}

TEST_F(WindowDriverTest, ASyncShowsOnlyTheControlsThatChanged) {
  WindowDriver& window = open("AB");
  window.sync();
  EXPECT_TRUE(view.shown.empty());
  window.activated("OptR1");
  std::sort(view.shown.begin(), view.shown.end());
  EXPECT_EQ(view.shown, (Texts{"OptR0", "OptR1"}));
  EXPECT_TRUE(view.states["OptR1"].checked);
  EXPECT_FALSE(view.states["OptR0"].checked);

  // The user's click on the radio already checked shows it again, so a
  // toolkit that changed it by itself is put right.
  view.shown.clear();
  window.activated("OptR1");
  std::sort(view.shown.begin(), view.shown.end());
  EXPECT_EQ(view.shown, (Texts{"OptR0", "OptR1"}));

  // Moving over a control with a tip shows the tip alone; over it again,
  // nothing at all.
  view.shown.clear();
  window.mouseOver("BttnUp");
  EXPECT_EQ(view.shown, (Texts{"Lbl"}));
  EXPECT_EQ(view.states["Lbl"].text, "リストの順番を入れ替えます");
  view.shown.clear();
  window.mouseOver("BttnUp");
  window.mouseOver("List1");
  EXPECT_TRUE(view.shown.empty());
  // The frame takes the tip back.
  window.mouseOver("Frame0");
  EXPECT_EQ(view.shown, (Texts{"Lbl"}));
}

TEST_F(WindowDriverTest, TheSlideshowMinimisesOnceAndTheWishWaitsForTheWindow) {
  WindowDriver& window = open("");
  view.visible = false;
  window.activated("BtnShowStart");
  EXPECT_TRUE(view.minimiseCalls.empty());
  EXPECT_GT(view.timer, 0);
  view.visible = true;
  window.sync();
  EXPECT_EQ(view.minimiseCalls, (std::vector<bool>{true}));
  // The user restores the window: later events leave it as it is.
  window.mouseOver("BttnUp");
  window.activated("MnuSet");
  EXPECT_EQ(view.minimiseCalls, (std::vector<bool>{true}));
  window.activated("BtnShowStart");
  EXPECT_EQ(view.minimiseCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(view.timer, 0);
}

TEST_F(WindowDriverTest, EachClickAsksForItsPreviewAndALateResultIsDropped) {
  WindowDriver& window = open("AB");
  select(0);
  const int first = bench.form().ImgPV().serial;
  select(1);
  select(1);  // the same row again: loaded again
  ASSERT_GE(view.previews.size(), 2U);
  EXPECT_EQ(view.previews.back(), bench.picture("B.jpg"));
  EXPECT_FALSE(window.previewLoaded(first, ""));
  EXPECT_TRUE(window.previewLoaded(bench.form().ImgPV().serial, ""));
  const std::size_t asked = view.previews.size();
  window.sync();
  EXPECT_EQ(view.previews.size(), asked);
  window.previewResized();
  EXPECT_EQ(view.previews.size(), asked + 1);
}

}  // namespace
}  // namespace tivolen

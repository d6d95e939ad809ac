// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/window_controls.h"

#include <algorithm>
#include <array>

#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

using K = ControlKind;
using A = Action;

// One control of the table, written on one line: where it sits, then what
// it does.
struct Make {
  ControlEntry described;
  constexpr Make(int id, std::string_view name, ControlKind kind, int page, int frame) {
    described.id = id;
    described.name = name;
    described.kind = kind;
    described.page = page;
    described.frame = frame;
  }
  // In `parent`'s grid (empty: the page's own) at `cell`.
  [[nodiscard]] constexpr Make at(std::string_view parent, Cell cell) const {
    Make made = *this;
    made.described.parent = parent;
    made.described.cell = cell;
    return made;
  }
  // A frame: its own grid, and whether it shows its tip at every move.
  [[nodiscard]] constexpr Make grid(int rows, int columns, bool follows = false) const {
    Make made = *this;
    made.described.grid = {rows, columns};
    made.described.follows = follows;
    return made;
  }
  [[nodiscard]] constexpr Make tab(int index) const {
    Make made = *this;
    made.described.tab = index;
    return made;
  }
  [[nodiscard]] constexpr Make runs(Action action, int argument = 0) const {
    Make made = *this;
    made.described.action = action;
    made.described.argument = argument;
    return made;
  }
  [[nodiscard]] constexpr Make busy() const {
    Make made = *this;
    made.described.busy = true;
    return made;
  }
  constexpr operator ControlEntry() const { return described; }  // NOLINT: the table's elements
};

constexpr Make menu(int id, std::string_view name, Action action) {
  return Make(id, name, K::Menu, kEveryPage, -1).runs(action);
}

// OK, under every page, comes after the controls of each.
constexpr int kOkTab = 90;
constexpr int kList = kPageList;
constexpr int kSettings = kPageSettings;
constexpr int kOperations = kPageOperations;
constexpr int kAbout = kPageAbout;

// The window, frames before their controls, each page's controls in the
// order of the Tab key. Cells count in the frame's grid; a page's own grid
// is PageGrid's.
// clang-format off
constexpr auto kControls = std::to_array<ControlEntry>({
    menu(131, "MnuList", A::ShowListPage),
    menu(132, "MnuSet", A::ShowSettingsPage),
    menu(133, "MnuOpe", A::ShowOperationsPage),
    menu(134, "MnuHelp", A::ShowHelpPage),

    // The list page: List1 on the left, the preview and the row's controls
    // on the right, the ratio's label beside its bar. Adding without a file
    // manager sits beside the rows' buttons but comes last for the Tab key,
    // which reaches 壁紙に as it always did.
    Make(200, "Frame0", K::Frame, kList, kFrameList).at("", {0, 0}).grid(8, 14, true),
    Make(100, "List1", K::List, kList, kFrameList).at("Frame0", {0, 0, 8, 8}).tab(0).runs(A::ListDoubleClick).busy(),
    Make(201, "ImgPV", K::Preview, kList, kFrameList).at("Frame0", {0, 8, 3, 6}),
    Make(101, "BttnUp", K::Button, kList, kFrameList).at("Frame0", {3, 8, 1, 2}).tab(1).runs(A::MoveUp),
    Make(102, "BtnDwn", K::Button, kList, kFrameList).at("Frame0", {3, 10, 1, 2}).tab(2).runs(A::MoveDown),
    Make(103, "BtnDlt", K::Button, kList, kFrameList).at("Frame0", {3, 12, 1, 2}).tab(3).runs(A::Remove),
    Make(104, "BtnUnstrech", K::Button, kList, kFrameList).at("Frame0", {4, 12, 1, 2}).tab(4).runs(A::ToggleFolders).busy(),
    Make(105, "BtnWall", K::Button, kList, kFrameList).at("Frame0", {5, 8, 1, 6}).tab(5).runs(A::SetWallpaper).busy(),
    Make(106, "LstStyle", K::Choice, kList, kFrameList).at("Frame0", {6, 8, 1, 6}).tab(6).runs(A::ChooseStyle),
    Make(202, "lblLuck", K::Label, kList, kFrameList).at("Frame0", {7, 8, 1, 2}),
    Make(107, "BarLuck", K::HBar, kList, kFrameList).at("Frame0", {7, 10, 1, 4}).tab(7).runs(A::SetRatio),
    Make(136, "BtnAddPictures", K::Button, kList, kFrameList).at("Frame0", {4, 8, 1, 2}).tab(8).runs(A::AddPictures),
    Make(137, "BtnAddFolder", K::Button, kList, kFrameList).at("Frame0", {4, 10, 1, 2}).tab(9).runs(A::AddFolder),

    // The settings page: order, timing and folder depth side by side.
    Make(203, "Frame1", K::Frame, kSettings, kFrameOrder).at("", {0, 0}).grid(4, 1, true),
    Make(108, "OptR0", K::Radio, kSettings, kFrameOrder).at("Frame1", {0, 0}).tab(0).runs(A::SetOrder, 0),
    Make(109, "OptR1", K::Radio, kSettings, kFrameOrder).at("Frame1", {1, 0}).tab(1).runs(A::SetOrder, 1),
    Make(204, "Frame2", K::Frame, kSettings, kFrameTiming).at("", {0, 1}).grid(4, 1, true),
    Make(110, "optt0", K::Radio, kSettings, kFrameTiming).at("Frame2", {0, 0}).tab(2).runs(A::SetTiming, 0),
    Make(111, "optt1", K::Radio, kSettings, kFrameTiming).at("Frame2", {1, 0}).tab(3).runs(A::SetTiming, 1),
    Make(112, "optt2", K::Radio, kSettings, kFrameTiming).at("Frame2", {2, 0}).tab(4).runs(A::SetTiming, 2),
    Make(113, "optt3", K::Radio, kSettings, kFrameTiming).at("Frame2", {3, 0}).tab(5).runs(A::SetTiming, 3),
    Make(205, "Frame5", K::Frame, kSettings, kFrameFolders).at("", {0, 2}).grid(4, 3, true),
    Make(114, "BarSubFolder", K::VBar, kSettings, kFrameFolders).at("Frame5", {0, 0, 4, 1}).tab(6).runs(A::SetDepth),
    Make(206, "LblSubFolder", K::Label, kSettings, kFrameFolders).at("Frame5", {0, 1, 2, 2}),

    // The operations page: the list file, the duplicate check and the
    // slideshow on the left, the shortcuts on the right, the launcher and
    // the schedule side by side below.
    Make(207, "Frame3", K::Frame, kOperations, kFrameOperations).at("", {0, 0}).grid(4, 8, true),
    // Folded to its title until the mouse comes over it.
    Make(208, "Frame2List", K::Frame, kOperations, kFrameOperations).at("Frame3", {0, 0, 1, 4}).grid(1, 2, true),
    Make(115, "BtnListRefresh", K::Button, kOperations, kFrameOperations).at("Frame2List", {0, 0}).tab(0).runs(A::RefreshList),
    Make(116, "BtnShowList", K::Button, kOperations, kFrameOperations).at("Frame2List", {0, 1}).tab(1).runs(A::ShowList),
    Make(117, "BtnChkW", K::Button, kOperations, kFrameOperations).at("Frame3", {1, 0, 1, 4}).tab(2).runs(A::CheckDuplicates).busy(),
    Make(209, "FrameShow", K::Frame, kOperations, kFrameOperations).at("Frame3", {2, 0, 1, 4}).grid(1, 8),
    Make(118, "Bardt", K::HBar, kOperations, kFrameOperations).at("FrameShow", {0, 0, 1, 4}).tab(3).runs(A::SetPace),
    Make(210, "TxtShowdt", K::ReadOnly, kOperations, kFrameOperations).at("FrameShow", {0, 4}),
    Make(211, "Label2", K::Label, kOperations, kFrameOperations).at("FrameShow", {0, 5}),
    Make(119, "BtnShowStart", K::Button, kOperations, kFrameOperations).at("FrameShow", {0, 6, 1, 2}).tab(4).runs(A::StartSlideshow).busy(),
    Make(124, "ChkLounch", K::Check, kOperations, kFrameOperations).at("Frame3", {3, 0, 1, 2}).tab(5).runs(A::SetLauncher),
    Make(125, "TxtLounch", K::Edit, kOperations, kFrameOperations).at("Frame3", {3, 2, 1, 2}).tab(6).runs(A::EditLauncher),
    Make(219, "LblSchedule", K::Label, kOperations, kFrameOperations).at("Frame3", {3, 4, 1, 2}),
    Make(135, "LstSchedule", K::Choice, kOperations, kFrameOperations).at("Frame3", {3, 6, 1, 2}).tab(7).runs(A::SetSchedule).busy(),
    Make(212, "Frame4Shortcuts", K::Frame, kOperations, kFrameOperations).at("Frame3", {0, 4, 3, 4}).grid(4, 1),
    Make(213, "Frame1Startup", K::Frame, kOperations, kFrameOperations).at("Frame4Shortcuts", {0, 0, 2, 1}).grid(1, 2),
    Make(120, "BtnSupW", K::Button, kOperations, kFrameOperations).at("Frame1Startup", {0, 0}).tab(8).runs(A::AddStartup),
    Make(121, "BtnSupD", K::Button, kOperations, kFrameOperations).at("Frame1Startup", {0, 1}).tab(9).runs(A::RemoveStartup),
    Make(122, "BtnDskSC", K::Button, kOperations, kFrameOperations).at("Frame4Shortcuts", {2, 0}).tab(10).runs(A::DesktopShortcut),
    Make(123, "BtnQlSc", K::Button, kOperations, kFrameOperations).at("Frame4Shortcuts", {3, 0}).tab(11).runs(A::QuickLaunchShortcut),

    // The about page; the help comes first for the keyboard, then the links.
    Make(214, "Frame4", K::Frame, kAbout, kFrameAbout).at("", {0, 0}).grid(5, 4, true),
    Make(215, "Label1", K::Title, kAbout, kFrameAbout).at("Frame4", {0, 0, 1, 3}),
    Make(216, "LblVer", K::Label, kAbout, kFrameAbout).at("Frame4", {1, 0, 1, 3}),
    Make(126, "BtnHelp", K::Button, kAbout, kFrameAbout).at("Frame4", {0, 3}).tab(0).runs(A::OpenHelp),
    Make(127, "Label4", K::Link, kAbout, kFrameAbout).at("Frame4", {2, 0, 1, 4}).tab(1).runs(A::OpenAuthor),
    Make(128, "LblMail", K::Link, kAbout, kFrameAbout).at("Frame4", {3, 0, 1, 4}).tab(2).runs(A::OpenMail),
    Make(129, "Label3", K::Link, kAbout, kFrameAbout).at("Frame4", {4, 0, 1, 4}).tab(3).runs(A::OpenLink),

    // Under every page: the messages and OK.
    Make(217, "FrameMSG", K::Frame, kEveryPage, -1).at("", {0, 0, 1, 5}).grid(1, 1),
    Make(218, "Lbl", K::Label, kEveryPage, -1).at("FrameMSG", {0, 0}),
    Make(130, "BtnOK", K::Button, kEveryPage, -1).at("", {0, 5}).tab(kOkTab).runs(A::Ok),
});
// clang-format on

template <std::size_t N>
std::string_view lookUp(const std::array<std::pair<std::string_view, std::string_view>, N>& table,
                        std::string_view name) {
  const auto found =
      std::ranges::find_if(table, [name](const auto& entry) { return entry.first == name; });
  return found == table.end() ? std::string_view() : found->second;
}

}  // namespace

std::span<const ControlEntry> WindowControls() {
  return kControls;
}

const ControlEntry* FindControl(std::string_view name) {
  const auto found = std::ranges::find(kControls, name, &ControlEntry::name);
  return found == kControls.end() ? nullptr : &*found;
}

const ControlEntry* FindControl(int id) {
  const auto found = std::ranges::find(kControls, id, &ControlEntry::id);
  return found == kControls.end() ? nullptr : &*found;
}

std::string_view CaptionOf(std::string_view name) {
  return lookUp(text::kCaptions, name);
}

std::vector<std::string> OtherTextsOf(std::string_view name) {
  std::vector<std::string> texts;
  if (name == "lblLuck") {
    for (std::size_t ratio = 0; ratio < text::kLuckWords.size(); ++ratio) {
      texts.push_back(std::string(text::kLuckLabel) + std::to_string(ratio) +
                      std::string(text::kLuckWords[ratio]));
    }
  } else if (name == "LblSubFolder") {
    texts.push_back(std::string(text::kSubFolderLabel) + std::to_string(kDepthBarMax));
  } else if (name == "BtnUnstrech") {
    texts = {std::string(text::kExpand), std::string(text::kCollapse)};
  } else if (name == "BtnShowStart") {
    texts = {std::string(text::kSlideshowStart), std::string(text::kSlideshowStop)};
  }
  return texts;
}

std::string_view TipOf(std::string_view name) {
  return lookUp(text::kTips, name);
}

Grid PageGrid(int page) {
  // The settings page's three frames stand side by side; OK stands beside
  // the message frame.
  if (page == kPageSettings) return {1, 3};
  if (page == kEveryPage) return {1, 6};
  return {1, 1};
}

}  // namespace tivolen::manager

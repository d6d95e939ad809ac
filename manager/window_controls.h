// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "manager/edit_form.h"

// The settings window frmEdit as a description both views build from: one
// entry per control, in the order the views create them. A control added
// here (with its caption in the texts table) appears in every view.
namespace tivolen::manager {

// What a view creates for a control.
enum class ControlKind {
  Menu,     // an entry of the menu bar; Ctrl+1, Ctrl+2... in table order
  Frame,    // a titled group box; lays out its own controls
  List,     // List1
  Preview,  // the picture box
  Button,
  Choice,  // a drop-down list
  Label,
  Title,  // a label in a large bold face
  Link,   // a label that opens something, reachable from the keyboard
  HBar,   // horizontal scroll bar
  VBar,   // vertical scroll bar
  Radio,  // one of the radio buttons of its frame
  Check,
  Edit,
  ReadOnly,  // a text box that shows a value and takes no focus
};

// The pages the menu bar switches.
enum WindowPage : int {
  kPageList = 0,
  kPageSettings = 1,
  kPageOperations = 2,
  kPageAbout = 3,
  kPageCount = 4,
  kEveryPage = -1,  // the message frame and OK, under every page
};

// The form handler a control's event runs.
enum class Action {
  None,
  ShowListPage,
  ShowSettingsPage,
  ShowOperationsPage,
  ShowHelpPage,
  ListDoubleClick,
  MoveUp,
  MoveDown,
  Remove,
  AddPictures,  // the system's file chooser, several pictures at once
  AddFolder,    // the same for one folder
  ToggleFolders,
  SetWallpaper,
  ChooseStyle,  // argument: the entry
  SetRatio,     // argument: the bar's value
  SetOrder,     // argument: the radio's index
  SetTiming,    // argument: the radio's index
  SetDepth,     // argument: the bar's value
  RefreshList,
  ShowList,
  CheckDuplicates,
  SetPace,  // argument: the bar's value
  StartSlideshow,
  AddStartup,
  RemoveStartup,
  DesktopShortcut,
  QuickLaunchShortcut,
  SetLauncher,  // argument: 1 ticked, 0 not
  SetSchedule,  // argument: the entry
  EditLauncher,
  OpenHelp,
  OpenLink,
  OpenAuthor,
  OpenMail,
  Ok,
};

// A place in the parent's grid, counted in the parent's rows and columns.
struct Cell {
  int row = 0;
  int column = 0;
  int rows = 1;
  int columns = 1;
};

// The grid a frame (or a page's own area) lays its controls in.
struct Grid {
  int rows = 1;
  int columns = 1;
};

struct ControlEntry {
  int id = 0;  // unique; Win32 control and command ids
  std::string_view name;
  ControlKind kind = ControlKind::Label;
  int page = kEveryPage;
  int frame = -1;           // the form's frame whose visibility it follows
  std::string_view parent;  // the frame it sits in; empty: the page's own area
  int tab = -1;             // order of the Tab key on its page; -1: not reached
  Cell cell;
  Grid grid;  // frames only: the grid of their own controls
  Action action = Action::None;
  int argument = 0;      // radios: their index
  bool busy = false;     // shows the busy pointer while the form works
  bool follows = false;  // a frame that shows its tip at every mouse move
};

std::span<const ControlEntry> WindowControls();
// Null for a name or id not in the window.
const ControlEntry* FindControl(std::string_view name);
const ControlEntry* FindControl(int id);
// The control's fixed caption from the texts table; empty for controls whose
// caption the form sets, or that have none.
std::string_view CaptionOf(std::string_view name);
// The texts the form gives the control at times besides its caption (a
// button's other state, a label's values): a view that sizes its controls
// once makes room for the longest.
std::vector<std::string> OtherTextsOf(std::string_view name);
// Its tip from the texts table; empty for none.
std::string_view TipOf(std::string_view name);
// The grid of a page's own area, and of the band under every page.
Grid PageGrid(int page);

// A rectangle in the window's client area.
struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/window_controls.h"

// Places the window's controls from their cells for a view that has no
// layouts of its own: each grid's rows and columns are as large as the texts
// in them need, and share what room is left equally, as the Qt view's grids
// with equal stretch do.
namespace tivolen::manager {

struct Extent {
  int width = 0;
  int height = 0;
};

// What the view tells the pass about how it draws, in the view's pixels.
struct LayoutMetrics {
  // One line of text in the window's font; large: the title's face.
  std::function<Extent(std::string_view line, bool large)> measure;
  // The texts a control shows, one a line; a choice's are its entries. Unset:
  // the caption from the texts table, broken at its line ends.
  std::function<std::vector<std::string>(const ControlEntry&)> lines;
  // The view's pixels for one pixel at 96 dpi: margins, borders and bars
  // grow with it, texts are measured.
  double scale = 1.0;
};

struct WindowLayout {
  std::vector<Box> boxes;  // index as WindowControls(); menus get an empty box
  Extent client;           // the client area every page and the band under them fill
  Extent least;            // the smallest client area that cuts no control
};

// The client area at 96 dpi while the texts need no more, as it always was.
inline constexpr Extent kPreferredClient{512, 420};

// The window in its preferred size at the metrics' scale, within `room`
// (view pixels; 0 for no bound) where its least size allows, never smaller
// than that: a client larger than the room tells the view to draw smaller.
WindowLayout LayOutWindow(const LayoutMetrics& metrics, Extent room = {});

// The caption from the texts table, broken at its line ends.
std::vector<std::string> CaptionLines(const ControlEntry& control);

}  // namespace tivolen::manager

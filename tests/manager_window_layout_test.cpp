// SPDX-License-Identifier: GPL-3.0-or-later
// The window laid out for a view without layouts of its own, with a font
// whose sizes the tests know: nothing cut, nothing overlapping, at every
// scale and in every room a screen leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "manager/window_controls.h"
#include "manager/window_layout.h"

namespace tivolen {
namespace {

using manager::Box;
using manager::ControlEntry;
using manager::ControlKind;
using manager::Extent;
using manager::FindControl;
using manager::LayoutMetrics;
using manager::WindowControls;
using manager::WindowLayout;

// A font of 12 pixels a Japanese letter and 7 a Latin one, 15 a line, at
// 96 dpi; the title's face is larger by half.
constexpr int kLine = 15;
Extent textExtent(std::string_view line, double scale, bool large) {
  int width = 0;
  for (const char byte : line) {
    const auto unit = static_cast<unsigned char>(byte);
    if (unit < 0x80) width += 7;
    if (unit >= 0xC0) width += 12;  // the first byte of a letter beyond ASCII
  }
  const double size = scale * (large ? 1.5 : 1.0);
  return {static_cast<int>(std::lround(width * size)), static_cast<int>(std::lround(kLine * size))};
}

LayoutMetrics metricsAt(double scale) {
  LayoutMetrics metrics;
  metrics.scale = scale;
  metrics.measure = [scale](std::string_view line, bool large) {
    return textExtent(line, scale, large);
  };
  return metrics;
}

std::size_t indexOf(const ControlEntry& control) {
  return static_cast<std::size_t>(&control - WindowControls().data());
}

bool inside(const Box& inner, const Box& outer) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

bool overlap(const Box& a, const Box& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

// Whether `frame` holds `control`, however deep.
bool holds(const ControlEntry& frame, const ControlEntry& control) {
  for (const ControlEntry* at = &control; !at->parent.empty();) {
    at = FindControl(at->parent);
    if (at == &frame) return true;
  }
  return false;
}

// Every control of each page (with the band under it) inside the client
// area and its frame, as wide as each text it may show, and apart from every control
// that is not its frame.
void expectSound(const WindowLayout& layout, const LayoutMetrics& metrics,
                 const std::string& where) {
  const Box client{0, 0, layout.client.width, layout.client.height};
  const auto controls = WindowControls();
  for (const ControlEntry& control : controls) {
    if (control.kind == ControlKind::Menu) continue;
    const Box& box = layout.boxes[indexOf(control)];
    EXPECT_TRUE(inside(box, client)) << control.name << where;
    EXPECT_GE(box.height, std::lround(kLine * metrics.scale)) << control.name << where;
    const bool hasText = control.kind == ControlKind::Button ||
                         control.kind == ControlKind::Radio || control.kind == ControlKind::Check ||
                         control.kind == ControlKind::Link || control.kind == ControlKind::Label ||
                         control.kind == ControlKind::Title || control.kind == ControlKind::Frame;
    if (hasText) {
      // Also the texts the form gives it later, as the ratio's label's words.
      auto lines = metrics.lines ? metrics.lines(control) : manager::CaptionLines(control);
      for (std::string& other : manager::OtherTextsOf(control.name)) lines.push_back(other);
      for (const std::string& line : lines) {
        EXPECT_GE(box.width, metrics.measure(line, control.kind == ControlKind::Title).width)
            << control.name << " cuts \"" << line << "\"" << where;
      }
    }
    if (!control.parent.empty()) {
      const Box& frame = layout.boxes[indexOf(*FindControl(control.parent))];
      EXPECT_TRUE(inside(box, frame) && box.top > frame.top)
          << control.name << " outside " << control.parent << where;
    }
    for (const ControlEntry& other : controls) {
      if (&other <= &control || other.kind == ControlKind::Menu) continue;
      const bool samePage = other.page == control.page || other.page == manager::kEveryPage ||
                            control.page == manager::kEveryPage;
      if (!samePage || holds(control, other) || holds(other, control)) continue;
      EXPECT_FALSE(overlap(box, layout.boxes[indexOf(other)]))
          << control.name << " overlaps " << other.name << where;
    }
  }
}

// The window's own size, rooms smaller than it (a 1280 x 800 screen at
// 200 % leaves about 620 x 340 for the client area) and larger ones.
TEST(WindowLayout, EveryControlLiesInsideItsFrameAndTheWindowAtEachSize) {
  for (const double scale : {1.0, 1.5, 2.0}) {
    const LayoutMetrics metrics = metricsAt(scale);
    for (const auto& [width, height] :
         {std::pair{0, 0}, std::pair{480, 340}, std::pair{620, 340}, std::pair{900, 700}}) {
      const Extent room{static_cast<int>(width * scale), static_cast<int>(height * scale)};
      const WindowLayout layout = manager::LayOutWindow(metrics, room);
      const std::string where = " at " + std::to_string(scale) + " in " + std::to_string(width) +
                                "x" + std::to_string(height);
      expectSound(layout, metrics, where);
      EXPECT_LE(layout.least.width, layout.client.width) << where;
      EXPECT_LE(layout.least.height, layout.client.height) << where;
      // A room that holds the least size is kept to.
      if (room.width >= layout.least.width && room.height >= layout.least.height) {
        EXPECT_LE(layout.client.width, room.width) << where;
        EXPECT_LE(layout.client.height, room.height) << where;
      }
    }
  }
}

// Texts several times as long as the shipped ones, as another font or a
// longer wording draws them: the window grows, and still cuts nothing.
TEST(WindowLayout, LongCaptionsWidenTheWindowAndAreNotCut) {
  for (const double scale : {1.0, 2.0}) {
    LayoutMetrics metrics = metricsAt(scale);
    metrics.lines = [](const ControlEntry& control) {
      std::vector<std::string> lines = manager::CaptionLines(control);
      if (control.kind == ControlKind::Choice) lines = {"スタイルの長い名前", "オート2"};
      for (std::string& line : lines) line += "（とても長い説明の文字列）";
      return lines;
    };
    const WindowLayout shipped = manager::LayOutWindow(metricsAt(scale));
    const WindowLayout layout = manager::LayOutWindow(metrics);
    expectSound(layout, metrics, " at " + std::to_string(scale));
    EXPECT_GT(layout.client.width, shipped.client.width);
    // The choice as wide as its longest entry beside its arrow.
    const Box& style = layout.boxes[indexOf(*FindControl("LstStyle"))];
    EXPECT_GT(style.width,
              metrics.measure("スタイルの長い名前（とても長い説明の文字列）", false).width);
  }
}

// At 200 % every control is where it is at 100 %, twice as large, give or
// take the rounding of each level of frames; so is the window.
TEST(WindowLayout, TwiceTheScaleGivesTwiceTheSizes) {
  const WindowLayout single = manager::LayOutWindow(metricsAt(1.0));
  const WindowLayout twice = manager::LayOutWindow(metricsAt(2.0));
  EXPECT_EQ(single.client.width, manager::kPreferredClient.width);
  EXPECT_EQ(single.client.height, manager::kPreferredClient.height);
  EXPECT_EQ(twice.client.width, 2 * single.client.width);
  EXPECT_EQ(twice.client.height, 2 * single.client.height);
  for (const ControlEntry& control : WindowControls()) {
    const Box& one = single.boxes[indexOf(control)];
    const Box& two = twice.boxes[indexOf(control)];
    EXPECT_NEAR(two.left, 2 * one.left, 6) << control.name;
    EXPECT_NEAR(two.top, 2 * one.top, 6) << control.name;
    EXPECT_NEAR(two.width, 2 * one.width, 6) << control.name;
    EXPECT_NEAR(two.height, 2 * one.height, 6) << control.name;
  }
}

// A screen too small for the least size gets a client area that cuts
// nothing, larger than the room: the view then draws at a smaller scale.
TEST(WindowLayout, ARoomTooSmallIsReportedNotCut) {
  const LayoutMetrics metrics = metricsAt(2.0);
  const WindowLayout layout = manager::LayOutWindow(metrics, {400, 300});
  EXPECT_GT(layout.client.width, 400);
  EXPECT_GT(layout.client.height, 300);
  expectSound(layout, metrics, " in 400x300");
}

}  // namespace
}  // namespace tivolen

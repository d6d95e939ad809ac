// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/window_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace tivolen::manager {
namespace {

// A control's cell in one direction of its grid, and what it needs there.
struct Span {
  int start = 0;
  int length = 1;
  int need = 0;
};

// The least size of each row (or column): single cells first, then cells
// that span several, whose shortfall goes to their tracks in equal parts.
std::vector<int> leastTracks(int count, std::vector<Span> spans, int gap) {
  std::vector<int> sizes(static_cast<std::size_t>(std::max(count, 0)), 0);
  std::ranges::stable_sort(spans, {}, &Span::length);
  for (const Span& span : spans) {
    const auto first = sizes.begin() + span.start;
    const int have = std::accumulate(first, first + span.length, 0) + gap * (span.length - 1);
    const int short_ = span.need - have;
    if (short_ <= 0) continue;
    for (int i = 0; i < span.length; ++i) {
      first[i] += short_ / span.length + (i < short_ % span.length ? 1 : 0);
    }
  }
  return sizes;
}

// The tracks' sizes in `total`: equal parts, except that a track keeps its
// least size where an equal part would cut it, and the others share the rest.
std::vector<int> shareTracks(const std::vector<int>& least, int total, int gap) {
  const auto count = static_cast<int>(least.size());
  std::vector<bool> kept(least.size(), false);
  const int room = total - gap * std::max(count - 1, 0);
  int free = room;
  int sharing = count;
  for (bool changed = true; changed && sharing > 0;) {
    changed = false;
    for (std::size_t i = 0; i < least.size(); ++i) {
      if (kept[i] || static_cast<long long>(least[i]) * sharing <= free) continue;
      kept[i] = true;
      free -= least[i];
      --sharing;
      changed = true;
    }
  }
  std::vector<int> sizes(least.size(), 0);
  int handed = 0;
  for (std::size_t i = 0; i < least.size(); ++i) {
    if (kept[i]) {
      sizes[i] = least[i];
      continue;
    }
    sizes[i] = free / sharing + (handed < free % sharing ? 1 : 0);
    ++handed;
  }
  return sizes;
}

// Where each track begins, from `start`.
std::vector<int> trackStarts(const std::vector<int>& sizes, int start, int gap) {
  std::vector<int> starts;
  starts.reserve(sizes.size() + 1);
  for (const int size : sizes) {
    starts.push_back(start);
    start += size + gap;
  }
  starts.push_back(start);  // past the last, with its gap
  return starts;
}

class Pass {
 public:
  explicit Pass(const LayoutMetrics& metrics)
      : metrics_(metrics),
        controls_(WindowControls()),
        least_(controls_.size()),
        boxes_(controls_.size()) {
    const Extent em = measure("\xE3\x81\x82", false);  // あ, the width of a Japanese letter
    em_ = std::max(em.width, 1);
    line_ = std::max(em.height, 1);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      if (controls_[i].kind != ControlKind::Menu && controls_[i].kind != ControlKind::Frame) {
        least_[i] = leafLeast(controls_[i]);
      }
    }
    // Frames after their controls: inner frames come after outer ones in
    // the table, so the table is walked backwards.
    for (std::size_t i = controls_.size(); i-- > 0;) {
      if (controls_[i].kind == ControlKind::Frame) least_[i] = frameLeast(i);
    }
  }

  WindowLayout run(Extent room) {
    Extent pages;
    for (int page = 0; page < kPageCount; ++page) {
      const Extent least = gridLeast(childrenOf({}, page), PageGrid(page));
      pages = {std::max(pages.width, least.width), std::max(pages.height, least.height)};
    }
    const Extent band = gridLeast(childrenOf({}, kEveryPage), PageGrid(kEveryPage));
    const int margin = px(8);
    // Half a margin above the pages and under the band, a whole one between.
    const int chromeHeight = margin * 2;
    WindowLayout layout;
    layout.least = {std::max(pages.width, band.width) + 2 * margin,
                    pages.height + band.height + chromeHeight};
    auto within = [](int preferred, int bound) {
      return bound > 0 ? std::min(preferred, bound) : preferred;
    };
    layout.client = {
        std::max(layout.least.width, within(px(kPreferredClient.width), room.width)),
        std::max(layout.least.height, within(px(kPreferredClient.height), room.height))};
    // The band keeps what it always had where there is room; the pages get
    // the rest, never less than they need.
    const int bandHeight =
        std::clamp(std::min(px(104), layout.client.height / 4), band.height,
                   std::max(band.height, layout.client.height - chromeHeight - pages.height));
    const int width = layout.client.width - 2 * margin;
    const Box pageArea{margin, margin / 2, width, layout.client.height - chromeHeight - bandHeight};
    const Box bandArea{margin, layout.client.height - margin / 2 - bandHeight, width, bandHeight};
    for (int page = 0; page < kPageCount; ++page) {
      placeGrid(childrenOf({}, page), PageGrid(page), pageArea);
    }
    placeGrid(childrenOf({}, kEveryPage), PageGrid(kEveryPage), bandArea);
    layout.boxes = std::move(boxes_);
    return layout;
  }

 private:
  [[nodiscard]] int px(int at96) const {
    return static_cast<int>(std::lround(at96 * metrics_.scale));
  }
  [[nodiscard]] Extent measure(std::string_view line, bool large) const {
    return metrics_.measure ? metrics_.measure(line, large) : Extent{};
  }
  [[nodiscard]] Extent textOf(const ControlEntry& control, bool large) const {
    std::vector<std::string> lines =
        metrics_.lines ? metrics_.lines(control) : CaptionLines(control);
    // The longest of the texts it shows at times, on its first line.
    std::string longest;
    for (std::string& other : OtherTextsOf(control.name)) {
      if (measure(other, large).width > measure(longest, large).width) longest = std::move(other);
    }
    if (!longest.empty()) {
      if (lines.empty()) lines.emplace_back();
      if (measure(longest, large).width > measure(lines.front(), large).width) {
        lines.front() = std::move(longest);
      }
    }
    Extent text;
    for (const std::string& line : lines) {
      const Extent one = measure(line, large);
      text.width = std::max(text.width, one.width);
      text.height += std::max(one.height, line_);
    }
    return text;
  }
  // A frame's border and title around its grid.
  [[nodiscard]] int frameSide() const { return px(6); }
  [[nodiscard]] int frameTop() const { return line_ + px(4); }
  [[nodiscard]] int gap() const { return px(4); }

  // The least size a kind of control is drawn at with its text.
  [[nodiscard]] Extent leafLeast(const ControlEntry& control) const {
    const Extent text = textOf(control, control.kind == ControlKind::Title);
    const int oneLine = std::max(text.height, line_);
    switch (control.kind) {
      case ControlKind::List:
        return {em_ * 12, line_ * 6};
      case ControlKind::Preview:
        return {em_ * 6, em_ * 4};
      case ControlKind::Button:
        return {text.width + px(16), oneLine + px(10)};
      case ControlKind::Choice:
        // The entries beside the arrow's button.
        return {std::max(text.width, em_ * 3) + px(8) + px(17), line_ + px(8)};
      case ControlKind::Edit:
        return {em_ * 6, line_ + px(8)};
      case ControlKind::ReadOnly:
        return {measure("000", false).width + px(8), line_ + px(8)};
      case ControlKind::HBar:
        return {em_ * 6, px(17)};
      case ControlKind::VBar:
        return {px(17), line_ * 6};
      case ControlKind::Radio:
      case ControlKind::Check:
        // The box, its distance to the text, the text.
        return {px(13) + px(6) + text.width + px(2), std::max(line_, px(13)) + px(4)};
      case ControlKind::Link:
        return {text.width + px(4), line_ + px(4)};
      case ControlKind::Label:
      case ControlKind::Title:
        // The message label wraps what it is given into three lines and a
        // half; the texts it shows never widen the window.
        if (control.parent == "FrameMSG") return {0, line_ * 7 / 2};
        return {text.width, std::max(text.height, line_)};
      case ControlKind::Menu:
      case ControlKind::Frame:
        break;
    }
    return {};
  }

  [[nodiscard]] std::vector<std::size_t> childrenOf(std::string_view parent, int page) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      const ControlEntry& control = controls_[i];
      if (control.kind == ControlKind::Menu || control.parent != parent) continue;
      if (parent.empty() && control.page != page) continue;
      found.push_back(i);
    }
    return found;
  }

  [[nodiscard]] std::pair<std::vector<int>, std::vector<int>> leastColumnsAndRows(
      const std::vector<std::size_t>& children, Grid grid) const {
    std::vector<Span> columns;
    std::vector<Span> rows;
    for (const std::size_t i : children) {
      const Cell& cell = controls_[i].cell;
      columns.push_back({cell.column, cell.columns, least_[i].width});
      rows.push_back({cell.row, cell.rows, least_[i].height});
    }
    return {leastTracks(grid.columns, columns, gap()), leastTracks(grid.rows, rows, gap())};
  }

  [[nodiscard]] Extent gridLeast(const std::vector<std::size_t>& children, Grid grid) const {
    const auto [columns, rows] = leastColumnsAndRows(children, grid);
    return {
        std::accumulate(columns.begin(), columns.end(), 0) + gap() * std::max(grid.columns - 1, 0),
        std::accumulate(rows.begin(), rows.end(), 0) + gap() * std::max(grid.rows - 1, 0)};
  }

  [[nodiscard]] Extent frameLeast(std::size_t index) const {
    const ControlEntry& frame = controls_[index];
    const Extent inner = gridLeast(childrenOf(frame.name, frame.page), frame.grid);
    const Extent title = textOf(frame, false);
    return {std::max(inner.width + 2 * frameSide(), title.width + px(16)),
            inner.height + frameTop() + frameSide()};
  }

  // A control no taller (or, for a vertical bar, no wider) than its kind is
  // drawn, in the middle of its cell; lists, pictures, labels and frames
  // fill theirs.
  [[nodiscard]] Box fitted(std::size_t index, Box cell) const {
    switch (controls_[index].kind) {
      case ControlKind::HBar:
      case ControlKind::Radio:
      case ControlKind::Check:
      case ControlKind::Link:
      case ControlKind::Edit:
      case ControlKind::ReadOnly:
      case ControlKind::Choice:
      case ControlKind::Button:
        if (cell.height > least_[index].height) {
          cell.top += (cell.height - least_[index].height) / 2;
          cell.height = least_[index].height;
        }
        break;
      case ControlKind::VBar:
        cell.width = std::min(cell.width, least_[index].width);
        break;
      default:
        break;
    }
    return cell;
  }

  void placeGrid(const std::vector<std::size_t>& children, Grid grid, Box area) {
    const auto [leastColumns, leastRows] = leastColumnsAndRows(children, grid);
    const std::vector<int> columns =
        trackStarts(shareTracks(leastColumns, area.width, gap()), area.left, gap());
    const std::vector<int> rows =
        trackStarts(shareTracks(leastRows, area.height, gap()), area.top, gap());
    for (const std::size_t i : children) {
      const Cell& cell = controls_[i].cell;
      const auto column = static_cast<std::size_t>(cell.column);
      const auto row = static_cast<std::size_t>(cell.row);
      const Box box{
          columns[column], rows[row],
          columns[column + static_cast<std::size_t>(cell.columns)] - gap() - columns[column],
          rows[row + static_cast<std::size_t>(cell.rows)] - gap() - rows[row]};
      if (controls_[i].kind != ControlKind::Frame) {
        boxes_[i] = fitted(i, box);
        continue;
      }
      boxes_[i] = box;
      const Box inner{box.left + frameSide(), box.top + frameTop(), box.width - 2 * frameSide(),
                      box.height - frameTop() - frameSide()};
      placeGrid(childrenOf(controls_[i].name, controls_[i].page), controls_[i].grid, inner);
    }
  }

  const LayoutMetrics& metrics_;
  std::span<const ControlEntry> controls_;
  std::vector<Extent> least_;
  std::vector<Box> boxes_;
  int em_ = 1;
  int line_ = 1;
};

}  // namespace

std::vector<std::string> CaptionLines(const ControlEntry& control) {
  std::vector<std::string> lines;
  std::string_view caption = CaptionOf(control.name);
  while (!caption.empty()) {
    const std::size_t end = caption.find('\n');
    std::string_view line = caption.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    caption.remove_prefix(end + 1);
  }
  return lines;
}

WindowLayout LayOutWindow(const LayoutMetrics& metrics, Extent room) {
  return Pass(metrics).run(room);
}

}  // namespace tivolen::manager

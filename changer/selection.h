// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "changer/run_state.h"
#include "common/list_file.h"
#include "platform/platform.h"

namespace tivolen {

struct Choice {
  // The program must end: a message was shown.
  bool endProgram = false;
  std::string path;  // the chosen picture: a registered file or one found in a folder
  bool needsRendering = false;
};

// direction: -1 back, 0 as the list's settings say, 1 forward. Reads the list
// afresh, writes the change log and tells the labels. A log that cannot be
// written costs no change: its reason goes to the platform's detail lines.
Choice SelectWallpaper(Platform& platform, RunState& state, int direction, NavigatorLabels* labels);

// Positions an entry of this kind owns: 1 for a picture, floor(kind × 1.2) − 3
// for a folder (about a fifth more than its count), none for the kinds 1 to 3
// and negative ones that only the manager's memory holds.
int ShareOfKind(int kind);

// The list as positions: slot i owns the positions start(i) + 1 to end(i).
// A launcher record adds a last slot with an empty path and all zeros.
class SlotTable {
 public:
  SlotTable(std::vector<ListEntry> entries, bool launcherPresent);

  [[nodiscard]] int size() const { return static_cast<int>(slots_.size()); }
  [[nodiscard]] int total() const { return ends_.empty() ? 0 : ends_.back(); }
  [[nodiscard]] const ListEntry& slot(int i) const { return slots_[i]; }
  [[nodiscard]] int start(int i) const { return i == 0 ? 0 : ends_[i - 1]; }
  [[nodiscard]] int end(int i) const { return ends_[i]; }
  [[nodiscard]] int share(int i) const { return end(i) - start(i); }
  // The slot owning position p: the last slot whose start lies below p, so
  // positions beyond the total fall to the last slot. -1 when p < 1.
  [[nodiscard]] int owner(int p) const;
  [[nodiscard]] bool hasLauncherSlot() const { return launcher_; }

  // Slots are 16-bit in the files; at this many the largest total still fits
  // an int.
  static constexpr int kMaxSlots = 32767;

 private:
  std::vector<ListEntry> slots_;
  std::vector<int> ends_;
  bool launcher_;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "changer/change_step.h"
#include "changer/run_state.h"
#include "platform/platform.h"

namespace tivolen {

// What the navigator's window offers the logic: its two labels and the
// busy pointer.
class NavigatorView : public NavigatorLabels {
 public:
  virtual void setBusy(bool busy) = 0;
};

// The navigator's behaviour, free of any toolkit: the window forwards its
// button presses here.
class Navigator {
 public:
  Navigator(Platform& platform, NavigatorView& view);

  // Reads the whole change log into the run state and shows its label text
  // unchanged, prefix included. Nothing is changed and no timing is checked.
  void open();
  // -1 "<", 0 "↑↓", 1 ">": select, render, apply and start the launcher.
  // EndProgram when the selection ended the program ("リストなし", "エラー").
  StepResult step(int direction);
  // The manager beside the changer, in a normal window; the navigator stays.
  void startManager();

  [[nodiscard]] const RunState& state() const { return state_; }

 private:
  Platform& platform_;
  NavigatorView& view_;
  RunState state_;
};

}  // namespace tivolen

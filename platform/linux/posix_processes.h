// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

namespace tivolen {

// Starts programs with fork/exec in a session of their own, so that they
// outlive the changer and never see its terminal. The program path is passed
// to exec as is: no shell ever reads it.
class PosixProcesses final : public Processes {
 public:
  // The window state has no portable meaning for an X11 or Wayland client
  // started from outside; programs open their windows as they choose.
  Status start(const std::string& program, WindowState state) override;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/scheduler.h"
#include "platform/services.h"

namespace tivolen {

// A task in the root folder of the Task Scheduler, through its COM
// interface, registered from the definition common/schedule makes: the
// user's own rights, only while the user is logged on.
class Win32TaskScheduler final : public Scheduler {
 public:
  // `clock` starts an interval's count at the moment of the choice.
  explicit Win32TaskScheduler(Clock& clock) : clock_(clock) {}
  SchedulerReadiness readiness(std::string& why) override;
  std::optional<Schedule> installed(const ScheduledProgram& program) override;
  Status install(const ScheduledProgram& program, const Schedule& schedule) override;

 private:
  Clock& clock_;
};

}  // namespace tivolen

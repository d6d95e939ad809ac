// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/status.h"

namespace tivolen {

// When the system's own scheduler starts the changer during a session. The
// timer or task itself is the only record: nothing of it goes into List.txt,
// whose layout older programs read.
enum class ScheduleKind { Off, DateChange, Every };

struct Schedule {
  ScheduleKind kind = ScheduleKind::Off;
  int minutes = 0;  // Every only
  bool operator==(const Schedule&) const = default;
};

// What the scheduler starts: the changer of one install.
struct ScheduledProgram {
  std::string program;    // the changer, whole path
  std::string directory;  // its folder, the working directory of a run
};

enum class SchedulerReadiness {
  Ready,
  NoScheduler,  // no user manager, no Task Scheduler
  NoDisplay,    // the scheduler's runs would not reach this session's desktop
};

// systemd's user manager or the Task Scheduler. Nothing of Tivolen runs
// between the runs it starts.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Whether a schedule made now would work; `why` gets the technical side.
  virtual SchedulerReadiness readiness(std::string& why) = 0;
  // The schedule the system keeps for `program`: Off when there is none;
  // nothing when there is one this program cannot read (edited by hand).
  virtual std::optional<Schedule> installed(const ScheduledProgram& program) = 0;
  // Creates or replaces the schedule; Off removes it (no schedule is fine).
  virtual Status install(const ScheduledProgram& program, const Schedule& schedule) = 0;
};

}  // namespace tivolen

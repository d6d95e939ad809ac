// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/linux/environment.h"
#include "platform/scheduler.h"

namespace tivolen {

// A systemd user timer and its service in the user's unit folder
// ("~/.config/systemd/user"), enabled and started through `systemctl --user`.
class SystemdScheduler final : public Scheduler {
 public:
  // `systemctl` is the program asked (a test's stand-in, or the real one).
  explicit SystemdScheduler(FileSystem& files, EnvironmentLookup environment = processEnvironment,
                            std::string systemctl = "systemctl");
  SchedulerReadiness readiness(std::string& why) override;
  std::optional<Schedule> installed(const ScheduledProgram& program) override;
  Status install(const ScheduledProgram& program, const Schedule& schedule) override;

  // The user's unit folder; nothing without a home.
  [[nodiscard]] std::optional<std::string> unitDirectory() const;

 private:
  Status systemctl(const std::vector<std::string>& arguments);
  Status remove(const std::string& directory, const std::string& name);

  FileSystem& files_;
  EnvironmentLookup environment_;
  std::string systemctl_;
};

}  // namespace tivolen

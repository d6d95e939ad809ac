// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/systemd_scheduler.h"

#include <filesystem>
#include <system_error>

#include "common/schedule.h"
#include "platform/linux/tool_runner.h"

namespace tivolen {
namespace {

constexpr std::chrono::seconds kSystemctlWait{20};

bool hasLineStarting(std::string_view text, std::string_view start) {
  std::size_t at = 0;
  while (at < text.size()) {
    if (text.substr(at, start.size()) == start) return true;
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return false;
}

}  // namespace

SystemdScheduler::SystemdScheduler(FileSystem& files, EnvironmentLookup environment,
                                   std::string systemctl)
    : files_(files), environment_(std::move(environment)), systemctl_(std::move(systemctl)) {}

std::optional<std::string> SystemdScheduler::unitDirectory() const {
  if (const auto config = environment_("XDG_CONFIG_HOME"); config && config->starts_with('/')) {
    return *config + "/systemd/user";
  }
  if (const auto home = environment_("HOME"); home && home->starts_with('/')) {
    return *home + "/.config/systemd/user";
  }
  return std::nullopt;
}

Status SystemdScheduler::systemctl(const std::vector<std::string>& arguments) {
  std::vector<std::string> all{"--user"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  const ToolRun run = runTool(systemctl_, all, kSystemctlWait);
  if (!run.status.isOk()) return run.status;
  if (run.exitCode != 0) {
    std::string command = "systemctl --user";
    for (const std::string& argument : arguments) command += " " + argument;
    return Status::failed(command + ": " + (run.output.empty() ? "failed" : run.output));
  }
  return Status::ok();
}

SchedulerReadiness SystemdScheduler::readiness(std::string& why) {
  if (!unitDirectory()) {
    why = "neither XDG_CONFIG_HOME nor HOME is set";
    return SchedulerReadiness::NoScheduler;
  }
  const ToolRun run = runTool(systemctl_, {"--user", "show-environment"}, kSystemctlWait);
  if (!run.status.isOk() || run.exitCode != 0) {
    why = "systemctl --user show-environment: " +
          (run.status.isOk() ? run.output : run.status.message);
    return SchedulerReadiness::NoScheduler;
  }
  // Most desktops import their display into the user manager at log-on;
  // without it every run would find no desktop.
  if (!hasLineStarting(run.output, "DISPLAY=") &&
      !hasLineStarting(run.output, "WAYLAND_DISPLAY=")) {
    why = "the user manager knows neither DISPLAY nor WAYLAND_DISPLAY";
    return SchedulerReadiness::NoDisplay;
  }
  return SchedulerReadiness::Ready;
}

std::optional<Schedule> SystemdScheduler::installed(const ScheduledProgram& program) {
  const std::optional<std::string> directory = unitDirectory();
  if (!directory) return Schedule{};
  const std::string timer = *directory + "/" + ScheduleName(program.program) + ".timer";
  if (!files_.fileExists(timer)) return Schedule{};
  const std::optional<std::string> text = files_.readFile(timer);
  if (!text) return std::nullopt;
  return ScheduleOfSystemdTimer(*text);
}

Status SystemdScheduler::remove(const std::string& directory, const std::string& name) {
  const std::string timer = directory + "/" + name + ".timer";
  const std::string service = directory + "/" + name + ".service";
  if (!files_.fileExists(timer) && !files_.fileExists(service)) return Status::ok();
  // Without a user manager there is nothing running to stop; the files go
  // all the same.
  (void)systemctl({"disable", "--now", name + ".timer"});
  for (const std::string& file : {timer, service}) {
    if (!files_.fileExists(file)) continue;
    if (Status removed = files_.removeFile(file); !removed.isOk()) return removed;
  }
  (void)systemctl({"daemon-reload"});
  return Status::ok();
}

Status SystemdScheduler::install(const ScheduledProgram& program, const Schedule& schedule) {
  const std::optional<std::string> directory = unitDirectory();
  if (!directory) return Status::unavailable("neither XDG_CONFIG_HOME nor HOME is set");
  const std::string name = ScheduleName(program.program);
  if (schedule.kind == ScheduleKind::Off) return remove(*directory, name);
  if (const std::string why = UnschedulablePath(program.program); !why.empty()) {
    return Status::failedAt(program.program, why);
  }
  std::error_code error;
  std::filesystem::create_directories(*directory, error);
  if (error) return Status::failedAt(*directory, error.message());
  // The service first: the timer names it, and may start it at once.
  if (Status written = files_.writeFileAtomically(*directory + "/" + name + ".service",
                                                  SystemdServiceText(program));
      !written.isOk()) {
    return written;
  }
  if (Status written = files_.writeFileAtomically(*directory + "/" + name + ".timer",
                                                  SystemdTimerText(program, schedule));
      !written.isOk()) {
    return written;
  }
  if (Status reloaded = systemctl({"daemon-reload"}); !reloaded.isOk()) return reloaded;
  if (Status enabled = systemctl({"enable", name + ".timer"}); !enabled.isOk()) return enabled;
  // A restart counts a new interval from now, as the user just chose it.
  return systemctl({"restart", name + ".timer"});
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// Sets a changer's schedule through the system's real scheduler (systemctl,
// or the Task Scheduler under Wine), as the manager's choice does, and
// prints the choice read back afterwards. With no choice given it only
// reads. Usage: schedule_driver CHANGER [CHOICE]
#include <iostream>
#include <string>

#include "common/schedule.h"
#ifdef _WIN32
#include "platform/shared/system_clock.h"
#include "platform/windows/task_scheduler.h"
#else
#include "platform/linux/posix_file_system.h"
#include "platform/linux/systemd_scheduler.h"
#endif

int main(int argc, char** argv) {
  using namespace tivolen;
  if (argc < 2) {
    std::cerr << "Usage: schedule_driver CHANGER [CHOICE]\n";
    return 2;
  }
#ifdef _WIN32
  SystemClock clock;
  Win32TaskScheduler scheduler(clock);
  const char separator = '\\';
#else
  PosixFileSystem files;
  SystemdScheduler scheduler(files);
  const char separator = '/';
#endif
  const std::string program = argv[1];
  const ScheduledProgram changer{program, program.substr(0, program.rfind(separator))};
  if (argc > 2) {
    const Schedule schedule = ScheduleOfChoice(std::stoi(argv[2]));
    if (schedule.kind != ScheduleKind::Off) {
      std::string why;
      const SchedulerReadiness readiness = scheduler.readiness(why);
      if (readiness != SchedulerReadiness::Ready) {
        std::cout << (readiness == SchedulerReadiness::NoDisplay ? "NoDisplay" : "NoScheduler")
                  << '\n';
        std::cerr << why << '\n';
        return 1;
      }
    }
    if (const Status installed = scheduler.install(changer, schedule); !installed.isOk()) {
      std::cerr << installed.message << '\n';
      return 1;
    }
  }
  const std::optional<Schedule> installed = scheduler.installed(changer);
  std::cout << (installed ? ChoiceOfSchedule(*installed) : -1) << '\n';
  return 0;
}

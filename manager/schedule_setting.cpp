// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/schedule_setting.h"

#include <string>

#include "common/schedule.h"
#include "common/startup_shortcut.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

ScheduledProgram changerOf(const Platform& platform) {
  return {platform.programInAppDir(kChangerProgram), platform.applicationDirectory};
}

}  // namespace

int InstalledScheduleChoice(Platform& platform) {
  const std::optional<Schedule> installed = platform.scheduler.installed(changerOf(platform));
  return installed ? ChoiceOfSchedule(*installed) : -1;
}

int ChooseSchedule(Platform& platform, int index) {
  const Schedule schedule = ScheduleOfChoice(index);
  if (schedule.kind != ScheduleKind::Off) {
    std::string why;
    const SchedulerReadiness readiness = platform.scheduler.readiness(why);
    if (readiness != SchedulerReadiness::Ready) {
      platform.messages.detail(why);
      platform.messages.show(readiness == SchedulerReadiness::NoDisplay
                                 ? text::kScheduleNoDisplay
                                 : text::kScheduleNoScheduler);
      return InstalledScheduleChoice(platform);
    }
  }
  if (const Status installed = platform.scheduler.install(changerOf(platform), schedule);
      !installed.isOk()) {
    platform.messages.detail(installed.message);
    platform.messages.show(std::string(text::kScheduleFailed) + installed.message);
  }
  return InstalledScheduleChoice(platform);
}

}  // namespace tivolen::manager

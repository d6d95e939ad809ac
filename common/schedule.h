// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scheduler.h"
#include "platform/services.h"

namespace tivolen {

// The intervals offered: short enough for a slideshow-like change, long
// enough never to run the changer more often than it takes to render.
inline constexpr std::array<int, 8> kScheduleMinutes = {15, 30, 60, 120, 180, 360, 720, 1440};

// The manager's choice, in this order: off, when the date changes, then
// every interval of kScheduleMinutes.
std::vector<std::string> ScheduleChoiceTexts();
// Off for an index outside the list.
Schedule ScheduleOfChoice(int index);
// -1 for a schedule the list does not hold (an interval edited by hand).
int ChoiceOfSchedule(const Schedule& schedule);

// One schedule per install: a portable copy and the package may both have
// one, so the name comes from the changer's path ("tivolen-3f2a…").
std::string ScheduleName(std::string_view program);

// Why a program path cannot go into the scheduler's definitions (a line
// break would end the entry); empty when it can.
std::string UnschedulablePath(std::string_view path);

// systemd user units. The service runs the changer once with
// kScheduledOption; the timer starts it.
std::string SystemdServiceText(const ScheduledProgram& program);
std::string SystemdTimerText(const ScheduledProgram& program, const Schedule& schedule);
// The schedule a timer written by SystemdTimerText holds; nothing when the
// text holds none this program writes.
std::optional<Schedule> ScheduleOfSystemdTimer(std::string_view text);

// The Task Scheduler's task definition (its XML). `now` starts the
// interval of an Every schedule.
std::string TaskDefinitionXml(const ScheduledProgram& program, const Schedule& schedule,
                              const LocalTime& now);
std::optional<Schedule> ScheduleOfTaskDefinition(std::string_view xml);
// Whether a definition the Task Scheduler gives back still starts `program`
// as a scheduled run on `schedule`. A scheduler may accept a definition and
// keep only the parts it knows (Wine's keeps neither trigger nor action):
// such a task never runs.
bool TaskDefinitionRuns(std::string_view xml, const ScheduledProgram& program,
                        const Schedule& schedule);

}  // namespace tivolen

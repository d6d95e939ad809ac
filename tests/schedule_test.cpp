// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tivolen {
namespace {

const ScheduledProgram kProgram{"/opt/壁紙 100%/Tivolen", "/opt/壁紙 100%"};
const LocalTime kNow{{2026, 12, 8}, 13, 5, 9};

std::vector<Schedule> everySchedule() {
  std::vector<Schedule> schedules{{ScheduleKind::DateChange, 0}};
  for (const int minutes : kScheduleMinutes) schedules.push_back({ScheduleKind::Every, minutes});
  return schedules;
}

// The manager shows the choice the scheduler holds: every choice must come
// back as itself from the timer or task it makes, or the manager would show
// another schedule than the one the system keeps.
TEST(Schedule, EveryChoiceComesBackFromWhatTheSchedulerKeeps) {
  const std::vector<std::string> texts = ScheduleChoiceTexts();
  ASSERT_EQ(texts.size(), 10U);
  EXPECT_EQ(texts[0], "しない");
  EXPECT_EQ(texts[1], "日付が変わったとき");
  EXPECT_EQ(texts[2], "15分ごと");
  EXPECT_EQ(texts[4], "1時間ごと");
  EXPECT_EQ(texts[9], "24時間ごと");
  for (int index = 0; index < static_cast<int>(texts.size()); ++index) {
    EXPECT_EQ(ChoiceOfSchedule(ScheduleOfChoice(index)), index) << texts[index];
  }
  EXPECT_EQ(ScheduleOfChoice(-1), Schedule{});
  EXPECT_EQ(ScheduleOfChoice(10), Schedule{});
  EXPECT_EQ(ChoiceOfSchedule({ScheduleKind::Every, 45}), -1);

  for (const Schedule& schedule : everySchedule()) {
    SCOPED_TRACE(schedule.minutes);
    EXPECT_EQ(ScheduleOfSystemdTimer(SystemdTimerText(kProgram, schedule)), schedule);
    EXPECT_EQ(ScheduleOfTaskDefinition(TaskDefinitionXml(kProgram, schedule, kNow)), schedule);
  }
}

// What the systems give back when they rewrite a definition in their own
// words, and what this program does not read as its own.
TEST(Schedule, ReadsTheSystemsOwnSpellingsAndNothingElse) {
  EXPECT_EQ(ScheduleOfSystemdTimer("[Timer]\nOnCalendar=daily\n"),
            (Schedule{ScheduleKind::DateChange, 0}));
  EXPECT_EQ(ScheduleOfSystemdTimer("[Timer]\n  OnUnitActiveSec=2h\r\n"),
            (Schedule{ScheduleKind::Every, 120}));
  EXPECT_EQ(ScheduleOfSystemdTimer("[Timer]\nOnUnitActiveSec=900\n"),
            (Schedule{ScheduleKind::Every, 15}));
  EXPECT_EQ(ScheduleOfSystemdTimer("[Timer]\nOnCalendar=Mon *-*-* 00:00:00\n"), std::nullopt);
  EXPECT_EQ(ScheduleOfSystemdTimer("[Timer]\nOnUnitActiveSec=1w\n"), std::nullopt);
  EXPECT_EQ(ScheduleOfSystemdTimer(""), std::nullopt);
  EXPECT_EQ(ScheduleOfTaskDefinition("<Repetition><Interval>PT1H</Interval></Repetition>"),
            (Schedule{ScheduleKind::Every, 60}));
  EXPECT_EQ(ScheduleOfTaskDefinition("<Repetition><Interval>P1D</Interval></Repetition>"),
            (Schedule{ScheduleKind::Every, 1440}));
  EXPECT_EQ(ScheduleOfTaskDefinition("<Repetition><Interval>PT1H30M</Interval></Repetition>"),
            (Schedule{ScheduleKind::Every, 90}));
  EXPECT_EQ(ScheduleOfTaskDefinition("<Repetition><Interval>PTXM</Interval></Repetition>"),
            std::nullopt);
  EXPECT_EQ(ScheduleOfTaskDefinition("<ScheduleByWeek><WeeksInterval>1</WeeksInterval>"),
            std::nullopt);
}

// The manager says a schedule is set only when the task kept what makes it
// run: Wine's Task Scheduler accepts a definition and keeps neither its
// trigger nor its program, and such a task never starts.
TEST(Schedule, ATaskRunsOnlyWithItsTriggerAndThisProgram) {
  const ScheduledProgram windows{"C:\\A&B <壁紙>\\Tivolen.exe", "C:\\A&B <壁紙>"};
  for (const Schedule& schedule : everySchedule()) {
    SCOPED_TRACE(schedule.minutes);
    const std::string xml = TaskDefinitionXml(windows, schedule, kNow);
    EXPECT_TRUE(TaskDefinitionRuns(xml, windows, schedule));
    EXPECT_FALSE(TaskDefinitionRuns(xml, kProgram, schedule));
  }
  const Schedule halfHourly{ScheduleKind::Every, 30};
  EXPECT_FALSE(TaskDefinitionRuns(TaskDefinitionXml(windows, halfHourly, kNow), windows,
                                  {ScheduleKind::Every, 60}));
  EXPECT_FALSE(TaskDefinitionRuns(TaskDefinitionXml(windows, halfHourly, kNow), windows,
                                  {ScheduleKind::DateChange, 0}));
  // As Wine 8 gives it back.
  const std::string kept =
      "<?xml version=\"1.0\"?>\n<Task version=\"1.2\" "
      "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n  <RegistrationInfo>\n"
      "    <Description>Tivolen: C:\\A&amp;B &lt;壁紙&gt;\\Tivolen.exe</Description>\n"
      "  </RegistrationInfo>\n  <Triggers/>\n  <Principals>\n    <Principal>\n"
      "    </Principal>\n  </Principals>\n  <Settings>\n    <Enabled>true</Enabled>\n"
      "  </Settings>\n  <Actions>\n    <Exec/>\n  </Actions>\n</Task>\n";
  EXPECT_FALSE(TaskDefinitionRuns(kept, windows, halfHourly));
  // A program kept without the option would run as a log-on run.
  std::string unscheduled = TaskDefinitionXml(windows, halfHourly, kNow);
  unscheduled.replace(unscheduled.find("--scheduled"), 11, "");
  EXPECT_FALSE(TaskDefinitionRuns(unscheduled, windows, halfHourly));
  // A serializer's own spelling of the same text.
  std::string respelled = TaskDefinitionXml(windows, halfHourly, kNow);
  const std::string plain = "A&amp;B &lt;壁";
  respelled.replace(respelled.find(plain, respelled.find("<Command>")), plain.size(),
                    "A&#38;B &#x3C;&#x58C1;");
  EXPECT_TRUE(TaskDefinitionRuns(respelled, windows, halfHourly));
}

// The service runs this install's changer once, as a scheduled run; a
// removed install's units do nothing, a run without a desktop is no failure,
// and what the changer starts outlives the service.
TEST(Schedule, TheServiceRunsThisInstallsChangerAsAScheduledRun) {
  const std::string service = SystemdServiceText(kProgram);
  for (const char* line :
       {"ConditionFileIsExecutable=/opt/壁紙 100%%/Tivolen\n",
        "ExecStart=\"/opt/壁紙 100%%/Tivolen\" --scheduled\n", "WorkingDirectory=/opt/壁紙 100%%\n",
        "Type=oneshot\n", "SuccessExitStatus=3\n", "KillMode=process\n"}) {
    EXPECT_NE(service.find(line), std::string::npos) << line << " missing in\n" << service;
  }
  const std::string quoted = SystemdServiceText({"/a \"b\" $HOME\\c/Tivolen", "/a"});
  EXPECT_NE(quoted.find("ExecStart=\"/a \\\"b\\\" $$HOME\\\\c/Tivolen\" --scheduled\n"),
            std::string::npos)
      << quoted;
  EXPECT_NE(SystemdTimerText(kProgram, {ScheduleKind::DateChange, 0}).find("Persistent=true\n"),
            std::string::npos);
  EXPECT_NE(SystemdTimerText(kProgram, {ScheduleKind::Every, 30}).find("OnActiveSec=30min\n"),
            std::string::npos)
      << "an interval that never starts counting never fires";
}

TEST(Schedule, TheTaskRunsTheChangerOnlyWhileTheUserIsLoggedOn) {
  const std::string every = TaskDefinitionXml({"C:\\壁紙 <&>\\Tivolen.exe", "C:\\壁紙 <&>"},
                                              {ScheduleKind::Every, 15}, kNow);
  for (const char* part :
       {"<Command>C:\\壁紙 &lt;&amp;&gt;\\Tivolen.exe</Command>",
        "<Arguments>--scheduled</Arguments>",
        "<WorkingDirectory>C:\\壁紙 &lt;&amp;&gt;</WorkingDirectory>",
        "<LogonType>InteractiveToken</LogonType>",
        "<StartBoundary>2026-12-08T13:05:09</StartBoundary>", "<Interval>PT15M</Interval>"}) {
    EXPECT_NE(every.find(part), std::string::npos) << part << " missing in\n" << every;
  }
  const std::string daily = TaskDefinitionXml(kProgram, {ScheduleKind::DateChange, 0}, kNow);
  for (const char* part :
       {"<StartBoundary>2026-12-08T00:00:00</StartBoundary>", "<DaysInterval>1</DaysInterval>",
        "<StartWhenAvailable>true</StartWhenAvailable>"}) {
    EXPECT_NE(daily.find(part), std::string::npos) << part << " missing in\n" << daily;
  }
}

// A portable copy and the package each keep their own schedule.
TEST(Schedule, EachInstallHasASchedulesOfItsOwn) {
  // FNV-1a of nothing is its offset basis.
  EXPECT_EQ(ScheduleName(""), "tivolen-cbf29ce484222325");
  EXPECT_EQ(ScheduleName("/usr/lib/tivolen/Tivolen"), ScheduleName("/usr/lib/tivolen/Tivolen"));
  EXPECT_NE(ScheduleName("/usr/lib/tivolen/Tivolen"), ScheduleName("/home/a/Tivolen/Tivolen"));
  EXPECT_TRUE(UnschedulablePath(kProgram.program).empty());
  EXPECT_FALSE(UnschedulablePath("/home/a\nExecStartPre=/bin/rm/Tivolen").empty());
  EXPECT_FALSE(UnschedulablePath("/home/a\\").empty());
}

}  // namespace
}  // namespace tivolen

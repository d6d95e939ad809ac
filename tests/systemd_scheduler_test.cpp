// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/systemd_scheduler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "common/schedule.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/tool_runner.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

// A stand-in for systemctl that writes down every call and answers
// show-environment with what the test put in "environment".
class SystemdSchedulerTest : public ::testing::Test {
 protected:
  SystemdSchedulerTest() {
    program = app.write("壁紙 50%/Tivolen", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    systemctl = app.write("systemctl",
                          "#!/bin/sh\n"
                          "echo \"$*\" >>\"$(dirname \"$0\")/calls\"\n"
                          "if [ \"$2\" = show-environment ]; then\n"
                          "  cat \"$(dirname \"$0\")/environment\" || exit 1\n"
                          "fi\n");
    std::filesystem::permissions(systemctl, std::filesystem::perms::owner_all);
    app.write("environment", "HOME=/home/a\nDISPLAY=:5\n");
  }

  SystemdScheduler scheduler() {
    return SystemdScheduler(
        files,
        [this](std::string_view name) -> std::optional<std::string> {
          if (name == "XDG_CONFIG_HOME") return app / "config";
          return std::nullopt;
        },
        systemctl);
  }
  [[nodiscard]] ScheduledProgram changer() const { return {program, app / "壁紙 50%"}; }
  [[nodiscard]] std::string unit(std::string_view suffix) const {
    return "config/systemd/user/" + ScheduleName(program) + std::string(suffix);
  }
  // The calls since the last look.
  std::string calls() {
    std::string written = app.read("calls");
    std::filesystem::remove(app / "calls");
    return written;
  }

  TempDir app;
  PosixFileSystem files;
  std::string program;
  std::string systemctl;
};

TEST_F(SystemdSchedulerTest, WritesEnablesReadsBackAndRemovesTheUnits) {
  SystemdScheduler systemd = scheduler();
  const std::string name = ScheduleName(program);
  EXPECT_EQ(systemd.installed(changer()), Schedule{});

  ASSERT_TRUE(systemd.install(changer(), {ScheduleKind::Every, 30}).isOk());
  EXPECT_EQ(calls(), "--user daemon-reload\n--user enable " + name + ".timer\n--user restart " +
                         name + ".timer\n");
  EXPECT_EQ(systemd.installed(changer()), (Schedule{ScheduleKind::Every, 30}));
  EXPECT_EQ(app.read(unit(".service")), SystemdServiceText(changer()));

  // systemd's own judgement of the units, where it is installed.
  const ToolRun verified =
      runTool("systemd-analyze", {"verify", app / unit(".timer"), app / unit(".service")},
              std::chrono::seconds(60));
  if (verified.status.code != Status::Code::Unavailable) {
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output, "");
  }

  ASSERT_TRUE(systemd.install(changer(), {ScheduleKind::DateChange, 0}).isOk());
  EXPECT_EQ(systemd.installed(changer()), (Schedule{ScheduleKind::DateChange, 0}));
  calls();

  // Another install keeps its own schedule.
  const ScheduledProgram other{app / "other/Tivolen", app / "other"};
  ASSERT_TRUE(systemd.install(other, {ScheduleKind::Every, 15}).isOk());
  calls();

  ASSERT_TRUE(systemd.install(changer(), {}).isOk());
  EXPECT_EQ(calls(), "--user disable --now " + name + ".timer\n--user daemon-reload\n");
  EXPECT_FALSE(app.exists(unit(".timer")));
  EXPECT_FALSE(app.exists(unit(".service")));
  EXPECT_EQ(systemd.installed(changer()), Schedule{});
  EXPECT_EQ(systemd.installed(other), (Schedule{ScheduleKind::Every, 15}));

  // Nothing to remove: no call at all.
  ASSERT_TRUE(systemd.install(changer(), {}).isOk());
  EXPECT_FALSE(app.exists("calls"));
}

TEST_F(SystemdSchedulerTest, SaysWhatStandsInTheWay) {
  SystemdScheduler systemd = scheduler();
  std::string why;
  EXPECT_EQ(systemd.readiness(why), SchedulerReadiness::Ready);

  app.write("environment", "HOME=/home/a\nXDISPLAY=:5\nMY_DISPLAY=:5\n");
  EXPECT_EQ(systemd.readiness(why), SchedulerReadiness::NoDisplay);
  app.write("environment", "WAYLAND_DISPLAY=wayland-0\n");
  EXPECT_EQ(systemd.readiness(why), SchedulerReadiness::Ready);

  std::filesystem::remove(app / "environment");  // the stand-in fails
  EXPECT_EQ(systemd.readiness(why), SchedulerReadiness::NoScheduler);
  SystemdScheduler missing(files, processEnvironment, app / "no-such-systemctl");
  EXPECT_EQ(missing.readiness(why), SchedulerReadiness::NoScheduler);

  // A path that would end the unit's line is refused, and nothing written.
  const Status refused =
      systemd.install({app / "a\nExecStartPre=/x/Tivolen", app.path()}, {ScheduleKind::Every, 15});
  EXPECT_EQ(refused.code, Status::Code::Failed);
  EXPECT_FALSE(app.exists("config/systemd/user"));

  // A failing systemctl is reported with what it said.
  app.write("systemctl", "#!/bin/sh\necho 'Failed to connect to bus' >&2\nexit 1\n");
  const Status failed = systemd.install(changer(), {ScheduleKind::Every, 15});
  EXPECT_EQ(failed.code, Status::Code::Failed);
  EXPECT_NE(failed.message.find("Failed to connect to bus"), std::string::npos) << failed.message;
}

}  // namespace
}  // namespace tivolen

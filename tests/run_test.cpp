// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/change_log.h"
#include "common/list_file.h"
#include "common/startup_shortcut.h"
#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "platform/pictures.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using fake::EventLog;
using fake::messageEvent;
using fake::shortcutEvent;
using fake::startEvent;
using testing::TempDir;

// The startup entry and the programs as this system names them.
constexpr bool kWindows = PathRules::native().windows();
constexpr std::string_view kEntry = kWindows ? "壁紙変更.lnk" : "壁紙変更.desktop";
// An absolute folder of the user's on this system.
const std::string kHomeAutostart =
    kWindows ? "C:\\Users\\花子\\Startup" : "/home/花子/.config/autostart";

// One red pixel as a GIF, which every system's decoder reads and the
// changer always renders.
std::string redPixelGif() {
  constexpr char kGif[] =
      "GIF89a\x01\0\x01\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3b";
  return {kGif, sizeof kGif - 1};
}

std::string listWithTimingMode(int timingMode) {
  ImageList list;
  list.settings = {timingMode, 0, 2};
  list.entries = {{"/pictures/sea.jpg", 0, 3, 3}};
  return writeImageList(list);
}

// An application directory and a home with its autostart folder, driven
// through the recording fake.
class ChangerRun : public ::testing::Test {
 protected:
  // The real writer creates a missing autostart folder; the fake does not.
  ChangerRun() { fake.specialFolders.folders[SpecialFolder::Startup] = home.mkdir("autostart"); }

  [[nodiscard]] std::string autostart() const { return home / "autostart"; }
  [[nodiscard]] std::string startupEntry() const { return home / entryInAutostart(); }
  [[nodiscard]] static std::string entryInAutostart() { return "autostart/" + std::string(kEntry); }
  [[nodiscard]] std::string manager() const { return app / (kWindows ? "管理.exe" : "管理"); }
  [[nodiscard]] std::string changer() const { return app / (kWindows ? "Tivolen.exe" : "Tivolen"); }

  void writeList(std::string_view contents) const { app.write("List.txt", contents); }
  void writeLog(const Date& date, int position) const {
    app.write("WallPaper.log", writeChangeLog(date, position, "/pictures/sea.jpg"));
  }
  void writeStartupEntry() const { home.write(entryInAutostart(), "[Desktop Entry]\n"); }

  // The run as main() does it, with the navigator recorded instead of shown.
  int run(RunStart start = RunStart::LogOn) {
    return RunChanger(
        fake.platform(),
        [this](Platform&) {
          fake.events.push_back("navigator");
          return 7;
        },
        start);
  }

  TempDir app;
  TempDir home;
  fake::FakePlatform fake{app.path()};
};

struct DueCase {
  const char* name;
  int timingMode;
  std::optional<Date> loggedDate;  // nothing: first run, no log
  Date today;
  bool due;
};

// 4 December 2026 is a Friday, as was 29 December 1899; 7 December 2026 a Monday.
const DueCase kDueCases[] = {
    {"EveryStartWithTodaysLog", 0, Date{2026, 12, 7}, Date{2026, 12, 7}, true},
    {"EveryStartFirstRun", 0, std::nullopt, Date{2026, 12, 4}, true},
    {"DateModeFirstRun", 1, std::nullopt, Date{2026, 12, 4}, true},
    {"DateModeSameDay", 1, Date{2026, 12, 7}, Date{2026, 12, 7}, false},
    {"DateModeNextDay", 1, Date{2026, 12, 6}, Date{2026, 12, 7}, true},
    {"DateModeSameDayOtherYear", 1, Date{2025, 12, 7}, Date{2026, 12, 7}, true},
    {"WeekdayModeFirstRunOnFriday", 2, std::nullopt, Date{2026, 12, 4}, false},
    {"WeekdayModeFirstRunOnMonday", 2, std::nullopt, Date{2026, 12, 7}, true},
    {"WeekdayModeSevenDaysApart", 2, Date{2026, 11, 30}, Date{2026, 12, 7}, false},
    {"WeekdayModeSixDaysApart", 2, Date{2026, 12, 1}, Date{2026, 12, 7}, true},
    {"WeekdayModeAcrossYears", 2, Date{2025, 12, 8}, Date{2026, 12, 7}, false},
    {"MonthModeFirstRunInDecember", 3, std::nullopt, Date{2026, 12, 31}, false},
    {"MonthModeFirstRunInNovember", 3, std::nullopt, Date{2026, 11, 30}, true},
    {"MonthModeMayToMayNextYear", 3, Date{2025, 5, 10}, Date{2026, 5, 20}, false},
    {"MonthModeMayToJune", 3, Date{2026, 5, 31}, Date{2026, 6, 1}, true},
    {"TimingModeFourFirstRun", 4, std::nullopt, Date{2026, 12, 7}, false},
    {"TimingModeFourOldLog", 4, Date{2020, 1, 1}, Date{2026, 12, 7}, false},
    {"TimingModeLarge", 32767, Date{2020, 1, 1}, Date{2026, 12, 7}, false},
    {"TimingModeNegative", -1, Date{2020, 1, 1}, Date{2026, 12, 7}, false},
};

class ChangeIsDueByMode : public ChangerRun, public ::testing::WithParamInterface<DueCase> {};

TEST_P(ChangeIsDueByMode, AnswersByTheTimingMode) {
  const DueCase& c = GetParam();
  writeStartupEntry();
  writeList(listWithTimingMode(c.timingMode));
  if (c.loggedDate) writeLog(*c.loggedDate, 12);
  fake.clock.date = c.today;

  RunState state;
  EXPECT_EQ(ChangeIsDue(fake.platform(), state), c.due);
  EXPECT_EQ(state.lastChangeDate, c.loggedDate.value_or(Date{1899, 12, 29}));
  EXPECT_EQ(state.currentPosition, c.loggedDate ? 12 : 0);
  EXPECT_EQ(fake.events, EventLog{}) << "a decision alone shows and starts nothing";
}

INSTANTIATE_TEST_SUITE_P(Modes, ChangeIsDueByMode, ::testing::ValuesIn(kDueCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ChangerRun, MissingListStartsTheManagerAndChangesNothing) {
  writeStartupEntry();
  writeLog(Date{2026, 1, 1}, 3);
  const std::string logBefore = app.read("WallPaper.log");

  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fake.events, (EventLog{startEvent(manager(), WindowState::Normal)}));
  EXPECT_EQ(app.read("WallPaper.log"), logBefore);
  EXPECT_FALSE(app.exists("List.txt"));
  EXPECT_FALSE(app.exists("wallpaper.bmp"));
}

class FailingProcesses final : public Processes {
 public:
  Status start(const std::string&, WindowState) override {
    return Status::failed("No such file or directory");
  }
};

TEST_F(ChangerRun, ManagerThatCannotStartIsReported) {
  writeStartupEntry();
  writeLog(Date{2026, 1, 1}, 3);
  FailingProcesses failing;
  Platform platform = fake::withSwapped(fake.platform(), {.processes = &failing});
  RunState state;
  EXPECT_FALSE(ChangeIsDue(platform, state));
  EXPECT_EQ(fake.events, (EventLog{messageEvent(text::kManagerNotStarted)}));
}

struct ListCase {
  const char* name;
  const char* contents;
  std::string_view message;
};

const ListCase kRefusedLists[] = {
    {"OlderVersion", "\"Ver\",\"1.22\"\r\n1\r\n0\r\n\"/a.jpg\",3,5\r\n", text::kOtherVersion},
    {"NewerVersion", "\"Ver\",\"1.31\"\r\n1\r\n0\r\n", text::kOtherVersion},
    {"NoHeader", "1,0\r\n\"/a.jpg\"\r\n", text::kOtherVersion},
    {"VersionWithoutQuotes", "Ver,1.30\r\n0\r\n", text::kOtherVersion},
    {"EmptyFile", "", text::kOtherVersion},
    {"HeaderOnly", "\"Ver\",\"1.30\"\r\n", text::kListDamaged},
    {"TimingModeAsText", "\"Ver\",\"1.30\"\r\n\"0\"\r\n0\r\n", text::kListDamaged},
    {"TimingModeNotANumber", "\"Ver\",\"1.30\"\r\nx1\r\n0\r\n", text::kListDamaged},
};

class RefusedList : public ChangerRun, public ::testing::WithParamInterface<ListCase> {};

TEST_P(RefusedList, ShowsItsMessageAndChangesNothing) {
  writeStartupEntry();
  writeLog(Date{2020, 1, 1}, 5);
  const std::string logBefore = app.read("WallPaper.log");
  writeList(GetParam().contents);

  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fake.events, (EventLog{messageEvent(GetParam().message)}));
  EXPECT_EQ(app.read("WallPaper.log"), logBefore);
}

INSTANTIATE_TEST_SUITE_P(Lists, RefusedList, ::testing::ValuesIn(kRefusedLists),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ChangerRun, ShiftOpensTheNavigatorInsteadOfTheRun) {
  fake.keyboard.shift = true;
  EXPECT_EQ(run(), 7);
  EXPECT_EQ(fake.events, (EventLog{"navigator"}));
  EXPECT_FALSE(home.exists(entryInAutostart())) << "the first-run work belongs to the run";
}

TEST_F(ChangerRun, TheNavigatorOptionOpensItWithoutShift) {
  writeList(listWithTimingMode(0));
  EXPECT_EQ(run(RunStart::Navigator), 7);
  EXPECT_EQ(fake.events, (EventLog{"navigator"}));
  EXPECT_FALSE(app.exists("WallPaper.log"));
}

// A run the system's scheduler starts during a session: nobody is waiting
// for a window, so nothing may come up. Boxes become detail lines, Shift held
// while the user types elsewhere opens no navigator, a first run makes no
// startup entry, a missing list brings up no manager, and a run that finds no
// desktop changes nothing and says nothing (it comes back every interval).
TEST_F(ChangerRun, AScheduledRunShowsNothingAndStartsNothing) {
  // A first run without a list.
  EXPECT_EQ(run(RunStart::Scheduled), 0);
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_FALSE(home.exists(entryInAutostart()));
  EXPECT_EQ(fake.messages.details.size(), 1U);

  // A list from another version: its message goes to the detail.
  fake.messages.details.clear();
  writeList("\"Ver\",\"9.99\"\r\n");
  EXPECT_EQ(run(RunStart::Scheduled), 0);
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_TRUE(fake.messages.shown.empty());
  ASSERT_EQ(fake.messages.details.size(), 1U);

  // Shift held: the change is made all the same.
  fake.messages.details.clear();
  fake.keyboard.shift = true;
  const std::string gif = redPixelGif();
  ImageList list;
  list.settings = {0, 0, 2};
  list.entries = {{app.write("a.gif", gif), 0, 2, 1}, {app.write("b.gif", gif), 0, 2, 1}};
  writeList(writeImageList(list));
  writeLog(Date{2026, 12, 6}, 1);
  EXPECT_EQ(run(RunStart::Scheduled), 0);
  EXPECT_EQ(fake.events, (EventLog{fake::layoutEvent(WallpaperLayout::Stretched),
                                   fake::wallpaperEvent(app / "wallpaper.bmp")}));
  EXPECT_NE(app.read("WallPaper.log").find("b.gif"), std::string::npos);
  EXPECT_FALSE(home.exists(entryInAutostart()));

  // No desktop to reach: nothing changes and nothing is said.
  fake.events.clear();
  const std::string logBefore = app.read("WallPaper.log");
  fake.desktop.failWith = Status::unavailable("no X display");
  EXPECT_EQ(run(RunStart::Scheduled), kExitNoDesktop);
  EXPECT_EQ(app.read("WallPaper.log"), logBefore);
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_TRUE(fake.messages.details.empty()) << fake.messages.details.front();

  // A desktop that refuses the picture is told in the detail, not a box.
  fake.desktop.failWith = Status::failed("refused");
  EXPECT_EQ(run(RunStart::Scheduled), kExitDesktopRefused);
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(fake.messages.details.size(), 2U);
}

// The package's layout: the programs sit in a folder that is not the user's,
// so the list, the log and the wallpaper live in the data folder, while the
// entries and the manager still point at the programs.
TEST_F(ChangerRun, PackageLayoutKeepsTheUsersFilesInTheDataFolder) {
  TempDir data;
  fake->dataDirectory = data.path();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fake.events, (EventLog{shortcutEvent(startupEntry(), changer(), app.path()),
                                   messageEvent(text::kStartupShortcutCreated),
                                   startEvent(manager(), WindowState::Normal)}));

  // One red pixel as a GIF, which every system's decoder reads and the
  // changer always renders.
  constexpr char kGif[] =
      "GIF89a\x01\0\x01\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3b";
  const std::string picture = data.write("sea.gif", std::string(kGif, sizeof kGif - 1));
  ImageList list;
  list.settings = {0, 0, 2};
  list.entries = {{picture, 0, 2, 1}};
  data.write("List.txt", writeImageList(list));
  fake.events.clear();
  EXPECT_EQ(run(), 0);
  ASSERT_FALSE(fake.events.empty());
  EXPECT_EQ(fake.events.back(), fake::wallpaperEvent(data / "wallpaper.bmp"));
  // With the file, the desktop is handed the pixels rendered into it.
  ASSERT_EQ(fake.desktop.rendered.size(), (PictureSize{1, 1}));
  EXPECT_EQ(fake.desktop.rendered.at(0, 0), 0xffff0000U);
  EXPECT_NE(data.read("WallPaper.log").find("sea.gif"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(app.path())) << "nothing is written beside the programs";
}

TEST_F(ChangerRun, NoChangeDueLeavesTheLogUntouched) {
  writeStartupEntry();
  writeList(listWithTimingMode(1));
  writeLog(fake.clock.date, 9);
  const std::string logBefore = app.read("WallPaper.log");

  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_EQ(app.read("WallPaper.log"), logBefore);
}

// A bare X server or a compositor's background client forgets the wallpaper
// at log-off. A log-on with no change due must show it again from the file
// the desktop was last given, neither decoding the picture nor rendering it
// anew, and leave the log alone; only on a screen of another size is the
// logged picture rendered again, still without advancing.
class ForgetfulDesktopRun : public ChangerRun {
 protected:
  ForgetfulDesktopRun() {
    writeStartupEntry();
    fake.desktop.remembers = false;
    fake.screen.screen = ScreenSize{128, 96};
    // 64 × 48 in "オート1": scaled to fill the screen's height, so the
    // rendered file depends on the screen size.
    Picture grey(64, 48);
    for (std::int32_t y = 0; y < 48; ++y) std::fill_n(grey.row(y), 64, 0xff808080U);
    picture = app / "photo.bmp";
    EXPECT_TRUE(fake.pictures->saveBitmap(grey, picture).isOk());
    writeList(0, {{app / "other.jpg", 0, 0, 1}, {picture, 0, kStyleFit, 1}});
    app.write("WallPaper.log", writeChangeLog(Date{2026, 12, 6}, 1, app / "other.jpg"));
  }

  // The first run steps to the photo at every start; later ones find the
  // day's change made (timing mode 1).
  void writeList(int timingMode, std::vector<ListEntry> entries) const {
    ImageList list;
    list.settings = {timingMode, 0, 2};
    list.entries = std::move(entries);
    app.write("List.txt", writeImageList(list));
  }
  void changeOnce() {
    run();
    writeList(1, {{app / "other.jpg", 0, 0, 1}, {picture, 0, kStyleFit, 1}});
  }

  // The rendered file, centred: what every run of these tests shows.
  [[nodiscard]] EventLog renderedShown() const {
    return {fake::layoutEvent(WallpaperLayout::Centred),
            fake::wallpaperEvent(app / "wallpaper.bmp")};
  }

  // The width in the rendered bitmap's header.
  [[nodiscard]] int renderedWidth() const {
    const std::string bitmap = app.read("wallpaper.bmp");
    return bitmap.size() < 22 ? -1
                              : static_cast<unsigned char>(bitmap[18]) |
                                    static_cast<unsigned char>(bitmap[19]) << 8;
  }

  std::string picture;
};

TEST_F(ForgetfulDesktopRun, GetsTheSameWallpaperBackWhenNoChangeIsDue) {
  changeOnce();  // the photo at position 2, centred once scaled
  const EventLog shown = renderedShown();
  ASSERT_EQ(fake.events, shown);
  ASSERT_EQ(renderedWidth(), 128);
  const std::string log = app.read("WallPaper.log");
  const std::string rendered = app.read("wallpaper.bmp");

  // The next log-on the same day, with the picture itself out of reach: it
  // is neither decoded nor rendered again.
  std::filesystem::rename(picture, picture + ".away");
  fake.events.clear();
  run();
  EXPECT_EQ(fake.events, shown);
  EXPECT_TRUE(fake.messages.details.empty()) << fake.messages.details.front();
  EXPECT_EQ(app.read("WallPaper.log"), log);
  EXPECT_EQ(app.read("wallpaper.bmp"), rendered);

  // A desktop that remembers is left alone.
  fake.desktop.remembers = true;
  fake.events.clear();
  run();
  EXPECT_EQ(fake.events, EventLog{});
}

// The session's log-on run has shown the wallpaper again; a scheduled run
// with no change due leaves the desktop alone.
TEST_F(ForgetfulDesktopRun, AScheduledRunWithNoChangeDueTouchesNothing) {
  changeOnce();
  const std::string log = app.read("WallPaper.log");
  fake.events.clear();
  EXPECT_EQ(run(RunStart::Scheduled), 0);
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_EQ(app.read("WallPaper.log"), log);
}

TEST_F(ForgetfulDesktopRun, RendersTheLoggedPictureAgainForAnotherScreenSize) {
  changeOnce();
  ASSERT_EQ(renderedWidth(), 128);
  const std::string log = app.read("WallPaper.log");

  fake.screen.screen = ScreenSize{256, 192};
  fake.events.clear();
  run();
  EXPECT_EQ(renderedWidth(), 256);
  EXPECT_EQ(fake.events, renderedShown());
  EXPECT_EQ(app.read("WallPaper.log"), log) << "putting the picture back is no change";

  // Without the rendered file the picture is rendered again too, and the
  // entry's style is found even after the list was reordered.
  writeList(1, {{picture, 0, kStyleFit, 1}, {app / "other.jpg", 0, 0, 1}});
  std::filesystem::remove(app / "wallpaper.bmp");
  fake.screen.screen = ScreenSize{160, 120};
  fake.events.clear();
  run();
  EXPECT_EQ(renderedWidth(), 160);
  EXPECT_EQ(fake.events, renderedShown());
  EXPECT_EQ(app.read("WallPaper.log"), log);
}

// A record of what was shown that a full disk or a power cut left empty or
// cut short puts the logged picture back all the same, rendered again,
// without counting as a change.
TEST_F(ForgetfulDesktopRun, ADamagedRecordRendersTheLoggedPictureAgain) {
  changeOnce();
  const std::string log = app.read("WallPaper.log");
  const std::string record = app.read("wallpaper.shown");
  ASSERT_FALSE(record.empty());
  // A stand-in of another width tells a file shown as it is from one
  // rendered again.
  const auto putStandIn = [&] {
    ASSERT_TRUE(fake.pictures->saveBitmap(Picture(7, 7), app / "wallpaper.bmp").isOk());
  };
  putStandIn();
  run();
  ASSERT_EQ(renderedWidth(), 7) << "a whole record shows the file as it is";
  for (const std::string& damaged :
       {std::string(), record.substr(0, record.size() - 3), std::string(record.size(), '\0')}) {
    app.write("wallpaper.shown", damaged);
    putStandIn();
    fake.events.clear();
    run();
    EXPECT_EQ(renderedWidth(), 128);
    EXPECT_EQ(fake.events, renderedShown());
    EXPECT_EQ(app.read("WallPaper.log"), log);
    EXPECT_EQ(app.read("wallpaper.shown"), record) << "written again whole";
  }
}

// A screen plugged in while the wallpaper is being set: the record names the
// screen the file was made for, so the next log-on renders it again for
// the new one instead of showing the old size as if it fitted.
TEST_F(ForgetfulDesktopRun, RemembersTheScreenTheFileWasMadeFor) {
  fake.desktop.whileSetting = [this] { fake.screen.screen = ScreenSize{256, 192}; };
  changeOnce();
  ASSERT_EQ(renderedWidth(), 128);
  fake.desktop.whileSetting = nullptr;
  fake.events.clear();
  run();
  EXPECT_EQ(renderedWidth(), 256);
  EXPECT_EQ(fake.events, renderedShown());
}

// A change the desktop never took must not be logged as done: the next
// start finds it still due and steps from the same place, and the exit
// status says what happened.
struct DesktopFailureCase {
  const char* name;
  Status status;
  bool logBefore;  // false: a first run, no log yet
  int exitStatus;
};

const DesktopFailureCase kDesktopFailures[] = {
    {"NoDisplay", Status::unavailable("no X display"), true, kExitNoDesktop},
    {"Refused", Status::failed("the picture was refused"), true, kExitDesktopRefused},
    {"NoDisplayOnAFirstRun", Status::unavailable("no X display"), false, kExitNoDesktop},
};

class DesktopFailure : public ChangerRun,
                       public ::testing::WithParamInterface<DesktopFailureCase> {};

TEST_P(DesktopFailure, KeepsTheLogAndEndsWithItsStatus) {
  const DesktopFailureCase& c = GetParam();
  writeStartupEntry();
  const std::string gif = redPixelGif();
  ImageList list;
  list.settings = {0, 0, 2};
  list.entries = {{app.write("a.gif", gif), 0, 2, 1},
                  {app.write("b.gif", gif), 0, 2, 1},
                  {app.write("c.gif", gif), 0, 2, 1}};
  writeList(writeImageList(list));
  if (c.logBefore) writeLog(Date{2026, 12, 6}, 1);
  const std::string logBefore = c.logBefore ? app.read("WallPaper.log") : "";
  fake.desktop.failWith = c.status;

  EXPECT_EQ(run(), c.exitStatus);
  EXPECT_EQ(fake.messages.shown.size(), 1U) << "the failure is told once";
  if (c.logBefore) {
    EXPECT_EQ(app.read("WallPaper.log"), logBefore);
  } else {
    EXPECT_FALSE(app.exists("WallPaper.log"));
  }

  // The desktop is back: the change steps from where the failed one did.
  fake.desktop.failWith.reset();
  EXPECT_EQ(run(), 0);
  const std::string log = app.read("WallPaper.log");
  EXPECT_NE(log.find(c.logBefore ? "b.gif" : "a.gif"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Cases, DesktopFailure, ::testing::ValuesIn(kDesktopFailures),
                         [](const auto& tested) { return std::string(tested.param.name); });

// A picture that cannot be shown leaves the old wallpaper: the run has
// failed, and a timer's journal or a script must not read it as done.
TEST_F(ChangerRun, APictureThatCannotBeShownEndsWithItsStatus) {
  writeStartupEntry();
  ImageList list;
  list.settings = {0, 0, 2};
  list.entries = {{app.write("damaged.gif", "GIF89a"), 0, 2, 1},
                  {app.write("red.gif", redPixelGif()), 0, 2, 1}};
  writeList(writeImageList(list));

  EXPECT_EQ(run(), kExitPictureNotShown);
  EXPECT_EQ(fake.messages.shown.size(), 1U) << "told once";
  EXPECT_FALSE(app.exists("wallpaper.bmp"));
  EXPECT_EQ(run(), 0) << "the next start goes on to the next picture";
  EXPECT_TRUE(app.exists("wallpaper.bmp"));
}

// Runs over one data folder take turns through a lock file beside the data,
// asked for before the log is read and never waited on without end. A run
// that still finds it held leaves the change to the holder and has not
// failed; one where no lock can be made still changes.
TEST_F(ChangerRun, RunsTakeTurnsThroughTheLockBesideTheData) {
  TempDir data;
  fake->dataDirectory = data.path();
  writeStartupEntry();
  ImageList list;
  list.entries = {{data.write("sea.gif", redPixelGif()), 0, 2, 1}};
  data.write("List.txt", writeImageList(list));
  data.write("WallPaper.log", writeChangeLog(Date{2026, 12, 1}, 0, "/pictures/sea.gif"));
  const std::string logBefore = data.read("WallPaper.log");

  fake.runLock.answer = Status::unavailable("held by another run");
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(fake.runLock.requests.size(), 1U);
  EXPECT_EQ(fake.runLock.requests[0].path, data / ".Tivolen.lock");
  EXPECT_GT(fake.runLock.requests[0].wait, std::chrono::milliseconds(0));
  EXPECT_LE(fake.runLock.requests[0].wait, std::chrono::minutes(1));
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_EQ(data.read("WallPaper.log"), logBefore);
  EXPECT_EQ(fake.messages.details.size(), 1U);

  fake.runLock.answer = Status::failed("read-only folder");
  EXPECT_EQ(run(), 0);
  EXPECT_NE(data.read("WallPaper.log").find("sea.gif"), std::string::npos);
}

// What a log-on passed over is kept for the manager to show, until a change
// finds everything there again.
TEST_F(ChangerRun, ALogOnRecordsWhatItPassedOverUntilItIsBack) {
  writeStartupEntry();
  const std::string gone = app / "usb/sea.gif";
  ImageList list;
  list.entries = {{gone, 0, 2, 1}, {app.write("b.gif", redPixelGif()), 0, 2, 1}};
  writeList(writeImageList(list));

  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_NE(app.read("WallPaper.log").find("b.gif"), std::string::npos);
  EXPECT_EQ(readUnavailableEntries(app.read("Unavailable.log")), std::vector<std::string>{gone});

  app.write("usb/sea.gif", redPixelGif());  // the drive is back
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(app.exists("Unavailable.log"));
}

TEST_F(ChangerRun, FirstRunCreatesTheStartupEntryBeforeAnythingElse) {
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fake.events, (EventLog{shortcutEvent(startupEntry(), changer(), app.path()),
                                   messageEvent("スタートアップにショートカットを作成しました。\r\n"
                                                "アンインストールの際はご注意ください。"),
                                   startEvent(manager(), WindowState::Normal)}));
  EXPECT_TRUE(home.exists(entryInAutostart()));
}

TEST_F(ChangerRun, FirstRunWithAnotherVersionStillCreatesTheEntryFirst) {
  writeList("\"Ver\",\"1.20\"\r\n0\r\n0\r\n");
  run();
  ASSERT_EQ(fake.events.size(), 3U);
  EXPECT_EQ(fake.events[0], shortcutEvent(startupEntry(), changer(), app.path()));
  EXPECT_EQ(fake.events[1], messageEvent(text::kStartupShortcutCreated));
  EXPECT_EQ(fake.events[2], messageEvent(text::kOtherVersion));
}

TEST_F(ChangerRun, ExistingStartupEntryShowsNothingAndIsKept) {
  writeStartupEntry();
  writeList(listWithTimingMode(2));
  fake.clock.date = Date{2026, 12, 4};  // a Friday: nothing due on a first run

  run();
  EXPECT_EQ(fake.events, EventLog{});
  EXPECT_EQ(home.read(entryInAutostart()), "[Desktop Entry]\n");
}

TEST_F(ChangerRun, DeletingTheLogWhileTheEntryIsMissingRecreatesIt) {
  writeList(listWithTimingMode(2));
  writeLog(Date{2026, 11, 27}, 1);  // a Friday too: nothing due
  fake.clock.date = Date{2026, 12, 4};

  run();
  EXPECT_EQ(fake.events, EventLog{}) << "with a log the entry is never looked for";

  std::filesystem::remove(app / "WallPaper.log");
  run();
  EXPECT_EQ(fake.events, (EventLog{shortcutEvent(startupEntry(), changer(), app.path()),
                                   messageEvent(text::kStartupShortcutCreated)}));
}

TEST_F(ChangerRun, DamagedLogCountsAsAFirstRun) {
  writeList(listWithTimingMode(1));
  app.write("WallPaper.log", "#2026-13-45#\r\nabc\r\n");

  RunState state;
  state.currentPosition = 99;
  EXPECT_TRUE(ChangeIsDue(fake.platform(), state));
  EXPECT_EQ(state.lastChangeDate, (Date{1899, 12, 29}));
  EXPECT_EQ(state.currentPosition, 0);
  EXPECT_EQ(fake.events.front(), shortcutEvent(startupEntry(), changer(), app.path()));
}

// A log is a few hundred bytes; one far larger is not the changer's and
// is taken for damaged as it stands, however sound its first records look,
// rather than read whole at every log-on.
TEST_F(ChangerRun, ALogLargerThanALogCanBeCountsAsDamaged) {
  writeStartupEntry();
  writeList(listWithTimingMode(1));
  const std::string records = "#2026-12-07#\r\n5\r\n\"";
  const struct {
    std::size_t size;
    bool read;
  } cases[] = {{kMaxChangeLogBytes, true}, {kMaxChangeLogBytes + 1, false}, {1 << 20, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    app.write("WallPaper.log", records + std::string(c.size - records.size() - 3, 'x') + "\"\r\n");
    RunState state;
    EXPECT_EQ(ChangeIsDue(fake.platform(), state), !c.read);
    EXPECT_EQ(state.currentPosition, c.read ? 5 : 0);
    EXPECT_EQ(state.lastChangeDate, c.read ? (Date{2026, 12, 7}) : kNeverChanged);
  }
}

TEST_F(ChangerRun, UnwritableStartupEntryIsReportedNotAnnounced) {
  fake.shortcuts.fail = true;
  writeList(listWithTimingMode(2));
  fake.clock.date = Date{2026, 12, 4};

  run();
  EXPECT_EQ(fake.events, (EventLog{messageEvent(text::kStartupShortcutFailed)}));
}

TEST_F(ChangerRun, AnApplicationFolderNameThatIsNotUtf8IsToldNotWritten) {
  if (kWindows) GTEST_SKIP() << "Windows names are Unicode: every folder name has its UTF-8";
  // A folder copied from an old Shift_JIS disk keeps its bytes in its name.
  const std::string odd = app.mkdir("copied\x8e\xca");
  fake::FakePlatform there{odd};
  there.specialFolders.folders[SpecialFolder::Startup] = autostart();
  app.write("copied\x8e\xca/List.txt", listWithTimingMode(2));
  RunChanger(there.platform(), [](Platform&) { return 0; });
  ASSERT_FALSE(there.events.empty());
  EXPECT_EQ(there.events.front(),
            messageEvent(std::string(text::kAppFolderNameNotUtf8) + "\r\n" + odd));
  EXPECT_FALSE(home.exists(entryInAutostart()));
}

TEST_F(ChangerRun, MissingAutostartFolderNeverWritesAtTheRoot) {
  fake.specialFolders.folders.clear();
  writeList(listWithTimingMode(2));
  fake.clock.date = Date{2026, 12, 4};

  run();
  EXPECT_EQ(fake.events, (EventLog{messageEvent(text::kStartupShortcutFailed)}));
}

struct FolderCase {
  const char* name;
  std::optional<std::string> answer;  // what the platform reports
  Status::Code code;
  std::string path;  // empty on failure
};

const FolderCase kFolderCases[] = {
    {"Found", kHomeAutostart, Status::Code::Ok, kHomeAutostart},
    {"NotLocated", std::nullopt, Status::Code::Unavailable, ""},
    {"EmptyPath", "", Status::Code::Failed, ""},
    {"RelativePath", "config/autostart", Status::Code::Failed, ""},
};

class SpecialFolderLookup : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SpecialFolderLookup, ReportsItsStatusAndThePathOnlyOnSuccess) {
  TempDir app;
  fake::FakePlatform fake(app.path());
  if (GetParam().answer) fake.specialFolders.folders[SpecialFolder::Startup] = *GetParam().answer;
  const Result<std::string> found = GetSpecialFolder(fake.platform(), SpecialFolder::Startup);
  EXPECT_EQ(found.status().code, GetParam().code);
  EXPECT_EQ(found.valueOr(""), GetParam().path);
  EXPECT_EQ(fake.events, EventLog{});
}

INSTANTIATE_TEST_SUITE_P(Statuses, SpecialFolderLookup, ::testing::ValuesIn(kFolderCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(StartupShortcut, PathIsTheDesktopEntryInTheAutostartFolder) {
  TempDir app;
  fake::FakePlatform fake(app.path());
  EXPECT_EQ(StartupShortcutPath(fake.platform()), "");
  fake.specialFolders.folders[SpecialFolder::Startup] = kHomeAutostart;
  EXPECT_EQ(StartupShortcutPath(fake.platform()),
            kHomeAutostart + (kWindows ? "\\" : "/") + std::string(kEntry));
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/selection.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/change_log.h"
#include "common/folder_walk.h"
#include "common/list_file.h"
#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "tests/read_only_files.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

class RecordingLabels final : public NavigatorLabels {
 public:
  void showWallpaperName(std::string_view path) override {
    shown.push_back("name " + std::string(path));
  }
  void showPosition(int position) override {
    shown.push_back("position " + std::to_string(position));
  }
  std::vector<std::string> shown;
};

ListEntry picture(std::string path, int style = kStyleFit, int ratio = 5) {
  return {std::move(path), kKindImage, style, ratio};
}
ListEntry folder(std::string path, int savedCount, int style = kStyleFit, int ratio = 5) {
  return {std::move(path), kKindFolderBase + savedCount, style, ratio};
}

// The application directory is dir/app; pictures live in dir/pics.
class Selection : public ::testing::Test {
 protected:
  Selection() { dir.mkdir("app"); }

  void writeList(std::vector<ListEntry> entries, ListSettings settings = {0, 0, 2},
                 std::optional<std::string> launcher = std::nullopt) {
    ImageList list;
    list.settings = settings;
    list.entries = std::move(entries);
    list.launcherPath = std::move(launcher);
    dir.write("app/List.txt", writeImageList(list));
  }
  std::string pic(std::string_view relative) { return dir.write("pics/" + std::string(relative)); }
  // n images named 01.jpg, 02.jpg ... in pics/<name>/; returns the folder.
  std::string folderOf(std::string_view name, int n) {
    for (int i = 1; i <= n; ++i) {
      pic(std::string(name) + "/" + (i < 10 ? "0" : "") + std::to_string(i) + ".jpg");
    }
    return dir / "pics/" + std::string(name) + "/";
  }
  std::string folderImage(std::string_view name, int i) {
    return dir / "pics/" + std::string(name) + "/" + (i < 10 ? "0" : "") + std::to_string(i) +
           ".jpg";
  }

  Choice select(int direction = 0) {
    return SelectWallpaper(fake.platform(), state, direction, &labels);
  }
  // Runs stepping from `start` and returns the chosen paths in turn.
  std::vector<std::string> stepRuns(int start, int runs, int direction = 0) {
    state.currentPosition = start;
    std::vector<std::string> chosen;
    for (int i = 0; i < runs; ++i) chosen.push_back(select(direction).path);
    return chosen;
  }
  [[nodiscard]] bool logWritten() const { return dir.exists("app/WallPaper.log"); }

  TempDir dir;
  fake::FakePlatform fake{dir / "app"};
  RunState state;
  RecordingLabels labels;
};

TEST(Shares, FolderOwnsAboutAFifthMoreThanItsCount) {
  const std::pair<int, int> cases[] = {
      {0, 1},     {4, 1},         {5, 3}, {6, 4}, {8, 6}, {13, 12}, {23, 24},
      {103, 120}, {32767, 39317}, {1, 0}, {2, 0}, {3, 0}, {-1, 0},  {-32768, 0},
  };
  for (const auto& [kind, share] : cases) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(ShareOfKind(kind), share);
  }
}

TEST(Shares, PositionsBelongToTheSlotWhoseRangeHoldsThem) {
  // Shares 1, 12, none, 1 and the launcher's 1: ends 1, 13, 13, 14, 15.
  const SlotTable slots({picture("/a.jpg"), folder("/f/", 10), {"/x/", 2, 0, 5}, picture("/b.jpg")},
                        true);
  EXPECT_EQ(slots.size(), 5);
  EXPECT_EQ(slots.total(), 15);
  const std::pair<int, int> owners[] = {{0, -1}, {-3, -1}, {1, 0},  {2, 1}, {13, 1},
                                        {14, 3}, {15, 4},  {16, 4}, {19, 4}};
  for (const auto& [position, slot] : owners) {
    SCOPED_TRACE(position);
    EXPECT_EQ(slots.owner(position), slot);
  }
  EXPECT_EQ(slots.slot(4).path, "");
  EXPECT_EQ(slots.slot(4).ratio, 0);
  EXPECT_EQ(slots.share(2), 0);
}

TEST(Shares, EntriesWithoutAPathOwnNothing) {
  const SlotTable slots({picture(""), picture("/a.jpg")}, false);
  EXPECT_EQ(slots.total(), 1);
  EXPECT_EQ(slots.owner(1), 1);
}

// --- stepping -------------------------------------------------------------

TEST_F(Selection, SteppingShowsTheLastImageFiveTimesBeforeWrapping) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg"), c = pic("C.jpg");
  writeList({picture(a), picture(b), picture(c)});
  EXPECT_EQ(stepRuns(0, 3), (std::vector<std::string>{a, b, c}));
  // Positions 4 to 7 all fall to C; 8 wraps to 1.
  EXPECT_EQ(stepRuns(3, 5), (std::vector<std::string>{c, c, c, c, a}));
  EXPECT_EQ(state.currentPosition, 1);
}

TEST_F(Selection, SteppingPassesOverTheLauncherSlot) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg"), c = pic("C.jpg");
  writeList({picture(a), picture(b), picture(c)}, {0, 0, 2}, "/usr/bin/true");
  EXPECT_EQ(stepRuns(2, 2), (std::vector<std::string>{c, a}));
  EXPECT_EQ(state.currentPosition, 1);
  EXPECT_TRUE(state.launcherPresent);
  EXPECT_EQ(state.launcherPath, "/usr/bin/true");
}

TEST_F(Selection, SteppingBackFromOneGoesToTheTotal) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg"), c = pic("C.jpg");
  struct Case {
    const char* name;
    std::optional<std::string> launcher;
  };
  for (const Case& run : {Case{"no launcher", std::nullopt}, Case{"launcher", "/usr/bin/true"}}) {
    SCOPED_TRACE(run.name);
    writeList({picture(a), picture(b), picture(c)}, {0, 0, 2}, run.launcher);
    EXPECT_EQ(stepRuns(1, 3, -1), (std::vector<std::string>{c, b, a}));
    EXPECT_EQ(state.currentPosition, 1);
  }
}

TEST_F(Selection, NavigatorButtonsStepWhateverTheListSays) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg");
  writeList({picture(a), picture(b)}, {1, 1, 2});
  EXPECT_EQ(stepRuns(1, 1, 1), (std::vector<std::string>{b}));
  EXPECT_EQ(stepRuns(2, 1, -1), (std::vector<std::string>{a}));
  EXPECT_EQ(fake.random.seeds, 0);
}

TEST_F(Selection, SteppingPassesOverFolderPositionsBeyondItsImages) {
  // Saved with 10 items, the folder owns positions 1 to 12 but holds 10.
  const std::string f = folderOf("ten", 10);
  const std::string z = pic("Z.jpg");
  writeList({folder(f, 10), picture(z)});
  EXPECT_EQ(stepRuns(9, 2), (std::vector<std::string>{folderImage("ten", 10), z}));
  EXPECT_EQ(state.currentPosition, 13);
  EXPECT_EQ(state.lastFolderCount, 10);
  // Back from Z: 12 and 11 yield nothing, 10 is the folder's last image.
  EXPECT_EQ(stepRuns(13, 2, -1),
            (std::vector<std::string>{folderImage("ten", 10), folderImage("ten", 9)}));
  EXPECT_EQ(state.currentPosition, 9);
}

TEST_F(Selection, SteppingPassesOverAnEmptyFolder) {
  const std::string a = pic("A.jpg");
  dir.mkdir("pics/empty");
  writeList({picture(a), folder(dir / "pics/empty/", 3)});
  EXPECT_EQ(stepRuns(1, 2), (std::vector<std::string>{a, a}));
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, DepthZeroSearchesTheRegisteredFolderAlone) {
  const std::string inner = pic("tree/sub/inner.jpg");
  const std::string own = pic("tree/own.jpg");
  for (const auto& [depth, expected] : {std::pair{0, own}, std::pair{1, inner}}) {
    SCOPED_TRACE(depth);
    writeList({folder(dir / "pics/tree/", 2)}, {0, 0, depth});
    EXPECT_EQ(stepRuns(0, 1), (std::vector<std::string>{expected}));
  }
}

TEST_F(Selection, FolderPicturesAreToldByLowerCasedNamesButNeverMpeg) {
  const std::string jpeg = pic("mixed/a.jpeg");
  const std::string upper = pic("mixed/B.JPG");
  pic("mixed/c.mpeg");
  pic("mixed/d.pngx");
  writeList({folder(dir / "pics/mixed/", 4)});
  EXPECT_EQ(stepRuns(0, 3), (std::vector<std::string>{jpeg, upper, jpeg}));
  state.currentPosition = 1;
  const Choice choice = select();
  EXPECT_FALSE(choice.endProgram);
  EXPECT_TRUE(choice.needsRendering);
}

TEST_F(Selection, ReadOnlySubFoldersAreSearchedAsTheManagerCountsThem) {
  pic("tree/own.jpg");
  const std::string inside = pic("tree/locked/inside.jpg");
  testing::ReadOnlyMarkedFiles marked;
  marked.readOnlyFolders.insert(dir / "pics/tree/locked");
  Platform withMarks = fake::withSwapped(fake.platform(), {.files = &marked});
  writeList({folder(dir / "pics/tree/", 2)});
  state.currentPosition = 0;
  EXPECT_EQ(SelectWallpaper(withMarks, state, 0, &labels).path, inside);
  state.currentPosition = 0;
  EXPECT_EQ(select().path, inside) << "unmarked, the same";
}

TEST_F(Selection, SteppingOverAListThatYieldsNothingEnds) {
  dir.mkdir("pics/e1");
  dir.mkdir("pics/e2");
  writeList({folder(dir / "pics/e1/", 5), folder(dir / "pics/e2/", 1)}, {0, 0, 2}, "/bin/true");
  for (int direction : {0, 1, -1}) {
    SCOPED_TRACE(direction);
    state.currentPosition = 4;
    EXPECT_TRUE(select(direction).endProgram);
    EXPECT_EQ(fake.messages.shown.back(), text::kNoPictureToShow);
  }
  EXPECT_EQ(fake.messages.shown.size(), 3U);
  EXPECT_FALSE(logWritten());
  EXPECT_TRUE(labels.shown.empty());
}

// --- a registered folder that vanished --------------------------------------

TEST_F(Selection, AVanishedOrUnreadableFolderEndsTheRunWithABoxNamingIt) {
  const std::string a = pic("A.jpg");
  const std::string gone = dir / "pics/gone/";
  const std::string closed = dir.mkdir("pics/closed") + "/";
  testing::ReadOnlyMarkedFiles marked;
  marked.unlistableFolders.insert(dir / "pics/closed");
  Platform withMarks = fake::withSwapped(fake.platform(), {.files = &marked});
  struct Case {
    const char* name;
    ListSettings settings;
    int direction;
  };
  // A owns position 1 and the folder 2 to 5. Stepping goes on from 1, the
  // draw 0.5 gives r = 3, and the 8th of a two-slot list gives p = 2.
  const Case cases[] = {
      {"stepping", {0, 0, 2}, 0},
      {"navigator >", {1, 1, 2}, 1},
      {"random", {0, 1, 2}, 0},
      {"date", {1, 0, 2}, 0},
  };
  fake.clock.date = {2026, 12, 8};
  for (const auto& [folderPath, words] : {std::pair{gone, text::kRegisteredFolderMissing},
                                          std::pair{closed, text::kRegisteredFolderUnreadable}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + folderPath);
      writeList({picture(a), folder(folderPath, 3)}, c.settings);
      state.currentPosition = 1;
      fake.messages.shown.clear();
      fake.random.draws = {0.5F, 0.5F};
      EXPECT_TRUE(SelectWallpaper(withMarks, state, c.direction, &labels).endProgram);
      EXPECT_FALSE(logWritten());
      EXPECT_EQ(fake.messages.shown,
                std::vector<std::string>{std::string(words) + "\r\n" + folderPath});
      EXPECT_TRUE(labels.shown.empty());
    }
  }
}

// At log-on, a picture or registered folder that is not there now (a drive
// not attached) is passed over to the next one that is, in every order,
// with one line each and never a box; the navigator still stops at it.
TEST_F(Selection, ALogOnRunPassesOverWhatIsNotThereToTheNextThatIs) {
  const std::string gonePicture = dir / "usb/photo.jpg";
  const std::string goneFolder = dir / "usb/trip/";
  const std::string b = pic("B.jpg");
  // The picture owns 1, the folder 2 to 4, B 5.
  const std::vector<ListEntry> entries = {picture(gonePicture), folder(goneFolder, 2), picture(b)};
  struct Case {
    const char* name;
    ListSettings settings;
    std::vector<float> draws;
    int day;
  };
  const Case cases[] = {
      {"stepping", {0, 0, 2}, {}, 1},
      // r = 1 (the picture), drawn again: r = 3 (the folder), again: r = 5.
      {"random", {0, 1, 2}, {0.2F, 0.0F, 0.5F, 0.0F, 0.9F, 0.0F}, 1},
      // p = 2, the folder, falls below to the picture and round to B.
      {"date", {1, 0, 2}, {}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeList(entries, c.settings);
    fake.random.draws.assign(c.draws.begin(), c.draws.end());
    fake.clock.date = {2026, 12, c.day};
    fake.messages.details.clear();
    state = RunState{};
    state.passOverUnavailable = true;

    EXPECT_EQ(select().path, b);
    EXPECT_EQ(state.currentPosition, 5);
    EXPECT_TRUE(fake.messages.shown.empty());
    EXPECT_EQ(state.unavailableEntries.size(), 2U);
    EXPECT_EQ(fake.messages.details.size(), 2U);
    for (const std::string& entry : {gonePicture, goneFolder}) {
      EXPECT_NE(std::find(state.unavailableEntries.begin(), state.unavailableEntries.end(), entry),
                state.unavailableEntries.end())
          << entry;
    }
  }

  // Nothing there at all: nothing is chosen, logged or shown in a box.
  std::filesystem::remove(testing::FromUtf8(b));
  std::filesystem::remove(testing::FromUtf8(dir / "app/WallPaper.log"));
  writeList(entries);
  state = RunState{};
  state.passOverUnavailable = true;
  EXPECT_TRUE(select().endProgram);
  EXPECT_FALSE(logWritten());
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(state.unavailableEntries.size(), 3U);
}

// --- random ---------------------------------------------------------------

TEST_F(Selection, RandomFoldsFolderPositionsBeyondItsImagesBackIntoThem) {
  const std::string f = folderOf("ten", 10);
  writeList({folder(f, 10), picture(pic("Z.jpg"))}, {0, 1, 2});  // T = 13
  struct Case {
    float u;
    const char* name;
    int image;
    int position;
  };
  const Case cases[] = {
      {0.75F, "r = 10", 10, 10},
      {0.80F, "r = 11: first image", 1, 1},
      {0.88F, "r = 12: second image", 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.random.draws = {c.u, 0.9F};
    EXPECT_EQ(select().path, folderImage("ten", c.image));
    EXPECT_EQ(state.currentPosition, c.position);
  }
  EXPECT_EQ(state.lastFolderCount, 10);
  EXPECT_EQ(fake.random.seeds, 3);
}

TEST_F(Selection, RandomRedrawsZeroAndNeverChoosesTheLauncher) {
  const std::string a = pic("A.jpg");
  writeList({picture(a)}, {0, 1, 2}, "/bin/true");  // T = 2
  fake.random.draws = {0.2F, 0.4F, 0.6F, 0.99F};
  EXPECT_EQ(select().path, a);
  EXPECT_EQ(state.currentPosition, 1);
  EXPECT_EQ(fake.random.drawn, 4) << "two redraws, the draw of 1, one weight draw";
}

TEST_F(Selection, RandomPassesARatioOfZeroToTheSlotBelow) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg"), c = pic("C.jpg");
  writeList({picture(a), picture(b, kStyleTiled, 0), picture(c)}, {0, 1, 2});  // T = 3
  fake.random.draws = {0.7F, 0.0F, 0.5F};                                      // r = 2 is B's
  EXPECT_EQ(select().path, a);
  EXPECT_EQ(state.currentPosition, 2);
  EXPECT_EQ(state.currentStyle, kStyleFit);
}

TEST_F(Selection, RandomOverSixteenBitTotalsCountsInThirtyTwoBits) {
  // Three folders saved with 32764 items own 39317 positions each.
  const std::string f1 = folderOf("f1", 2), f2 = folderOf("f2", 2), f3 = folderOf("f3", 2);
  writeList({folder(f1, 32764), folder(f2, 32764), folder(f3, 32764)}, {0, 1, 2});
  fake.random.draws = {0.99F, 0.5F};  // r = floor(0.99 × 117952) = 116772
  EXPECT_EQ(select().path, folderImage("f3", 2));
  EXPECT_EQ(state.currentPosition, 2 * 39317 + 2);
  EXPECT_NE(dir.read("app/WallPaper.log").find("\r\n78636\r\n"), std::string::npos);
}

TEST_F(Selection, RandomDrawsTheLastEntryWhenThereIsNoLauncher) {
  const std::string a = pic("A.jpg"), b = pic("B.jpg"), c = pic("C.jpg");
  struct Case {
    const char* name;
    std::vector<ListEntry> entries;
    std::vector<float> draws;
    std::string chosen;
  };
  const Case cases[] = {
      // T = 3 without a launcher: the draw spans 0 to 3 and 0.9 is C's 3.
      {"top draw is the last entry", {picture(a), picture(b), picture(c)}, {0.9F, 0.5F}, c},
      {"a single picture", {picture(a)}, {0.0F, 0.6F, 0.5F}, a},
  };
  for (const Case& run : cases) {
    SCOPED_TRACE(run.name);
    writeList(run.entries, {0, 1, 2});
    fake.random.draws = {run.draws.begin(), run.draws.end()};
    EXPECT_EQ(select().path, run.chosen);
  }
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, RandomOverOnlyTheLauncherSlotEnds) {
  writeList({picture(pic("A.jpg"))}, {0, 1, 2}, "/bin/true");
  fake.random.draws = {0.0F};
  EXPECT_TRUE(select().endProgram);
  EXPECT_EQ(fake.messages.shown.back(), text::kNoPictureToShow);
  EXPECT_EQ(fake.random.drawn, 1000);
  EXPECT_FALSE(logWritten());
}

TEST_F(Selection, AnEmptyFolderPassesARandomOrDateChoiceToAnotherSlot) {
  dir.write("pics/none/readme.txt");
  const std::string none = dir / "pics/none/";
  const std::string a = pic("A.jpg"), b = pic("B.jpg");
  // A 1, the folder 2..7, B 8.
  const std::vector<ListEntry> entries = {picture(a), folder(none, 5), picture(b)};
  writeList(entries, {0, 1, 2});
  fake.random.draws = {0.3F, 0.5F};  // r = 2: the folder, then the slot below
  EXPECT_EQ(select().path, a);
  writeList(entries, {1, 0, 2});
  fake.clock.date = {2026, 12, 2};  // p = 2
  EXPECT_EQ(select().path, a);
  EXPECT_TRUE(fake.messages.shown.empty());

  // Only when no slot holds a picture is there nothing to show.
  writeList({folder(none, 5), folder(none, 2)}, {0, 1, 2});
  fake.random.draws = {0.5F};
  EXPECT_TRUE(select().endProgram);
  writeList({folder(none, 5), folder(none, 2)}, {1, 0, 2});
  EXPECT_TRUE(select().endProgram);
  EXPECT_EQ(fake.messages.shown,
            (std::vector<std::string>(2, std::string(text::kNoPictureToShow))));
}

// --- date, weekday and month -------------------------------------------------

TEST_F(Selection, CalendarModesPickTheSamePositionOnTheSameDay) {
  std::vector<ListEntry> ten;
  for (int i = 1; i <= 10; ++i) ten.push_back(picture(pic(std::to_string(i) + ".jpg")));
  struct Case {
    const char* name;
    int timingMode;
    Date today;
    int slots;
    int position;
  };
  const Case cases[] = {
      {"23rd, ten slots", 1, {2026, 12, 23}, 10, 3},
      {"31st, ten slots", 1, {2026, 1, 31}, 10, 1},
      {"10th, ten slots", 1, {2026, 1, 10}, 10, 10},
      {"Monday", 2, {2026, 12, 7}, 10, 2},
      {"Saturday, five slots", 2, {2026, 12, 12}, 5, 2},
      {"December, ten slots", 3, {2026, 12, 7}, 10, 2},
      {"October, five slots", 3, {2026, 10, 7}, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeList({ten.begin(), ten.begin() + c.slots}, {c.timingMode, 0, 2});
    fake.clock.date = c.today;
    EXPECT_EQ(select().path, ten[static_cast<std::size_t>(c.position - 1)].path);
    EXPECT_EQ(state.currentPosition, c.position);
  }
}

TEST_F(Selection, CalendarDaysPastTheLastPictureWrapToTheStart) {
  std::vector<ListEntry> five;
  for (int i = 1; i <= 5; ++i) five.push_back(picture(pic(std::to_string(i) + ".jpg")));
  struct Case {
    const char* name;
    std::optional<std::string> launcher;
    int day;
    int position;
  };
  // With a launcher the list has six slots; position 6 is the launcher's.
  const Case cases[] = {
      {"launcher, 6th", "/bin/true", 6, 1},     {"launcher, 12th", "/bin/true", 12, 1},
      {"launcher, 5th", "/bin/true", 5, 5},     {"no launcher, 5th", std::nullopt, 5, 5},
      {"no launcher, 6th", std::nullopt, 6, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeList(five, {1, 0, 2}, c.launcher);
    fake.clock.date = {2026, 12, c.day};
    EXPECT_EQ(select().path, five[static_cast<std::size_t>(c.position - 1)].path);
    EXPECT_EQ(state.currentPosition, c.position);
  }
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, CalendarFolderPositionsFoldIntoTheFolder) {
  // Saved with 10 items, the folder owns 1..12 but now holds a single image.
  const std::string f = folderOf("one", 1);
  writeList({folder(f, 10), picture(pic("B.jpg"))}, {1, 0, 2});
  fake.clock.date = {2026, 12, 2};  // p = 2: target 2 of 1 folds to the first image
  EXPECT_EQ(select().path, folderImage("one", 1));
  EXPECT_EQ(state.currentPosition, 1);
  EXPECT_EQ(state.lastFolderCount, 1);
}

// --- after the choice --------------------------------------------------------

TEST_F(Selection, TheChoiceIsLoggedAndLabelledBeforeItsTypeIsJudged) {
  const std::string a = pic("夏 海.tif");
  writeList({picture(a, kStyleTiled)});
  fake.clock.date = {2026, 3, 9};
  state.currentPosition = 0;
  const Choice choice = select();
  EXPECT_TRUE(choice.endProgram);
  EXPECT_EQ(fake.messages.shown, (std::vector<std::string>{std::string(text::kError)}));
  EXPECT_EQ(dir.read("app/WallPaper.log"),
            "#2026-03-09#\r\n1\r\n\"現在の壁紙ファイル：" + a + "\"\r\n");
  EXPECT_EQ(labels.shown, (std::vector<std::string>{"name " + a, "position 1"}));
  EXPECT_EQ(state.currentStyle, kStyleTiled);
}

TEST_F(Selection, ALogThatCannotBeWrittenIsReportedAndTheChangeGoesAhead) {
  const std::string a = pic("A.jpg");
  writeList({picture(a)});
  dir.mkdir("app/WallPaper.log");  // a folder where the file should be
  state.currentPosition = 0;
  const Choice choice = select();
  EXPECT_FALSE(choice.endProgram);
  EXPECT_EQ(choice.path, a);
  ASSERT_EQ(fake.messages.details.size(), 1U);
  EXPECT_EQ(fake.messages.details[0].rfind(text::kChangeLogNotWritten, 0), 0U);
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, AFolderOfEveryTypeIsCountedAndSteppedThroughInOrder) {
  const char* const pictures[] = {"a.bmp",  "b.GIF",  "c.heic", "D.jpeg", "e.PNG",
                                  "f.webp", "g.AVIF", "h.heif", "i.jpg"};
  std::vector<std::string> expected;
  for (const char* name : pictures) expected.push_back(pic(std::string("every/") + name));
  for (const char* other : {"j.mpeg", "k.pngx", "l.txt", "mpng", "n.tif"}) {
    pic(std::string("every/") + other);
  }
  const std::string folderPath = dir / "pics/every/";
  const int count = CountFolderItems(fake.files, folderPath, 2);
  EXPECT_EQ(count, 9);
  writeList({folder(folderPath, count)});
  expected.push_back(expected.front());  // the two spare positions are passed over
  EXPECT_EQ(stepRuns(0, 10), expected);
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, TheTypeDecidesWhetherThePictureIsRendered) {
  struct Case {
    const char* name;
    int style;
    bool render;
  };
  const Case cases[] = {
      {"a.bmp", kStyleFit, true},    {"a.BMP", kStyleCentred, false},
      {"a.bmp", kStyleCover, false}, {"a.jpg", kStyleCentred, true},
      {"a.JPEG", kStyleTiled, true}, {"a.gif", kStyleFit, true},
      {"a.ico", kStyleFit, true},    {"a.emf", kStyleFit, true},
      {"a.wmf", kStyleFit, true},    {"a.PNG", kStyleCentred, true},
      {"a.webp", kStyleTiled, true}, {"a.HEIC", kStyleCover, true},
      {"a.heif", kStyleFit, true},   {"a.avif", kStyleCentred, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = pic(c.name);
    writeList({picture(path, c.style)});
    state.currentPosition = 0;
    const Choice choice = select();
    EXPECT_FALSE(choice.endProgram);
    EXPECT_EQ(choice.path, path);
    EXPECT_EQ(choice.needsRendering, c.render);
  }
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Selection, AQuoteInAFoundNameCannotCutTheLog) {
  if (PathRules::native().windows()) GTEST_SKIP() << "Windows names cannot hold a quote";
  const std::string odd = pic("odd/say \"hi\".jpg");
  writeList({folder(dir / "pics/odd/", 1)});
  state.currentPosition = 0;
  EXPECT_EQ(select().path, odd);
  const auto log = readChangeLog(dir.read("app/WallPaper.log"), ChangeLogPart::All);
  ASSERT_TRUE(log.has_value());
  EXPECT_EQ(log->changeLabel, "現在の壁紙ファイル：" + dir / "pics/odd/say ?hi?.jpg");
}

// --- the list itself -----------------------------------------------------------

TEST_F(Selection, ListsThatCannotBeUsedEndWithTheirMessage) {
  struct Case {
    const char* name;
    std::optional<std::string> contents;
    std::string_view message;
  };
  const Case cases[] = {
      {"missing", std::nullopt, text::kNoList},
      {"other version", "\"Ver\",\"1.22\"\r\n0\r\n0\r\n", text::kOtherVersion},
      {"damaged", "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"/a.jpg\",0\r\n",
       text::kListDamaged},
      {"no entries", "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n",
       text::kListHasNoEntries},
      {"only a launcher",
       "\"Ver\",\"1.30\"\r\n0\r\n1\r\n\"[SubFolder]\",2\r\n\"[Lounch]\",\"/bin/true\"\r\n",
       text::kListHasNoEntries},
      {"nothing the manager stores",
       "\"Ver\",\"1.30\"\r\n1\r\n0\r\n\"[SubFolder]\",2\r\n\"/x/\",2,0,5\r\n",
       text::kListHasNoEntries},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.contents) {
      dir.write("app/List.txt", *c.contents);
    } else {
      std::filesystem::remove(dir / "app/List.txt");
    }
    fake.messages.shown.clear();
    EXPECT_TRUE(select().endProgram);
    EXPECT_EQ(fake.messages.shown, (std::vector<std::string>{std::string(c.message)}));
  }
  EXPECT_FALSE(logWritten());
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's behaviour, driven through its form class without a
// display: start-up, the list file of every layout, the settings controls
// and the details text.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>

#include "common/build_info.h"
#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"
#include "tests/manager_test_support.h"

namespace tivolen {
namespace {

using manager::EditForm;
using testing::listBytes;
using testing::ManagerBench;

using testing::listTexts;

std::vector<int> column(const std::vector<int>& values, int rows) {
  return {values.begin(), values.begin() + rows};
}

// --- Start-up ---------------------------------------------------------------

TEST(ManagerStartUp, FirstStartWithoutAListKeepsTheDesignStateAndWritesNothing) {
  ManagerBench bench;
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), 0);
  EXPECT_EQ(form.timingIndex(), 0);
  EXPECT_EQ(form.orderIndex(), 0);
  EXPECT_EQ(form.subfolderDepth(), 2);
  EXPECT_EQ(form.LblSubFolder().caption, "サブフォルダの階層:2");
  EXPECT_EQ(form.BarLuck().value, 3);
  EXPECT_EQ(form.lblLuck().caption, "割合");
  EXPECT_FALSE(form.ChkLounch().checked);
  EXPECT_FALSE(form.TxtLounch().enabled);
  EXPECT_EQ(form.LstStyle().entries,
            (std::vector<std::string>{"中央", "タイル", "拡大", "オート1", "オート2"}));
  EXPECT_EQ(form.LstStyle().listIndex, -1);
  EXPECT_EQ(testing::columns(form).rowCapacity, 5);
  // The list page, with the frequency bar hidden while the order is sequential.
  for (int frame = 0; frame < manager::kFrameCount; ++frame) {
    EXPECT_EQ(form.frameVisible(frame), frame == manager::kFrameList) << frame;
  }
  EXPECT_FALSE(form.BarLuck().visible);
  EXPECT_EQ(form.Lbl().caption, "起動ごと 順番に  ");
  EXPECT_TRUE(bench.messages().empty());

  EXPECT_FALSE(form.BtnOKClick());
  form.QueryUnload();
  EXPECT_EQ(bench.messages(),
            (std::vector<std::string>{"リストがありません", "リストがありません"}));
  EXPECT_FALSE(bench.listExists());
  EXPECT_EQ(bench.files.writes, 0);
}

TEST(ManagerStartUp, BtnOKClosesAListWithRowsAndClosingSavesIt) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  EditForm& form = bench.open();
  EXPECT_TRUE(form.BtnOKClick());
  EXPECT_EQ(bench.files.writes, 0);  // the closing itself saves
  form.QueryUnload();
  EXPECT_EQ(bench.files.writes, 1);
  EXPECT_TRUE(bench.messages().empty());
}

// The pictures and folders the last log-on passed over are told at the
// manager's next start, once.
TEST(ManagerStartUp, WhatTheLastLogOnPassedOverIsToldOnceAndKept) {
  ManagerBench bench;
  const std::string gone = bench.root / "usb/sea.jpg";
  const std::string goneFolder = bench.root / "usb/trip/";
  bench.writeList(listBytes(0, 0, 2, {"\"" + gone + "\",0,3,5", "\"" + goneFolder + "\",5,3,5"}));
  bench.root.write("app/Unavailable.log", gone + "\r\n" + goneFolder + "\r\n");

  bench.open();
  ASSERT_EQ(bench.messages().size(), 1U);
  const std::string& told = bench.messages()[0];
  EXPECT_TRUE(told.starts_with(manager::text::kUnavailableAtLogOn)) << told;
  EXPECT_NE(told.find("\r\n" + gone + "\r\n" + goneFolder), std::string::npos) << told;
  EXPECT_FALSE(bench.root.exists("app/Unavailable.log"));

  bench.open();
  EXPECT_EQ(bench.messages().size(), 1U) << "told once";
}

// --- LoadList and SaveList --------------------------------------------------

TEST(ManagerListFile, DisplayNameIsWhatFollowsTheLastInnerSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/花子/写真/海.jpg", "海.jpg"},
      {"/home/花子/写真/", "写真/"},
      {"relative.jpg", "relative.jpg"},
      {"/a", "a"},
      {"/", "/"},
      {"", ""},
      {"dir//", "/"},
  };
  for (const auto& [path, shown] : cases)
    EXPECT_EQ(manager::DisplayName(path, PathRules(PathRules::Style::Posix)), shown) << path;
}

TEST(ManagerListFile, Version122LoadsWithDepth8AndSavesAs130) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  const std::string b = bench.picture("pics/b.jpg");
  const std::string launcher = bench.root.write("bin/calendar", "#!/bin/sh\n");
  bench.writeList("\"Ver\",\"1.22\"\r\n1\r\n1\r\n\"" + a + "\",2,4\r\n\"" + b +
                  "\",0,1\r\n\"[Lounch]\",\"" + launcher + "\"\r\n");
  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(form.subfolderDepth(), 8);
  EXPECT_EQ(form.LblSubFolder().caption, "サブフォルダの階層:8");
  EXPECT_EQ(form.timingIndex(), 1);
  EXPECT_EQ(form.orderIndex(), 1);
  EXPECT_EQ(column(testing::columns(form).kind, 2), (std::vector<int>{0, 0}));
  EXPECT_TRUE(form.ChkLounch().checked);
  EXPECT_TRUE(form.TxtLounch().enabled);
  EXPECT_EQ(form.TxtLounch().text, launcher);

  ASSERT_TRUE(form.SaveList());
  EXPECT_EQ(bench.list(), "\"Ver\",\"1.30\"\r\n1\r\n1\r\n\"[SubFolder]\",8\r\n\"" + a +
                              "\",0,2,4\r\n\"" + b + "\",0,0,1\r\n\"[Lounch]\",\"" + launcher +
                              "\"\r\n");
}

// glibc's converter stands in for the code page of a Japanese Windows;
// nothing when a character has no place in `to`.
std::optional<std::string> convertWhole(std::string_view text, const char* to, const char* from) {
  iconv_t converter = iconv_open(to, from);
  std::string in(text);
  std::string out(in.size() * 2 + 16, '\0');
  char* inPointer = in.data();
  char* outPointer = out.data();
  std::size_t inLeft = in.size();
  std::size_t outLeft = out.size();
  const std::size_t done = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
  iconv_close(converter);
  if (done == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}
std::string convert(std::string_view text, const char* to, const char* from) {
  return convertWhole(text, to, from).value_or("");
}
void playJapaneseWindows(testing::StagedFiles& files) {
  files.codePage = [](std::string_view bytes) { return convert(bytes, "UTF-8", "CP932"); };
  files.toCodePage = [](std::string_view utf8) { return convertWhole(utf8, "CP932", "UTF-8"); };
}

TEST(ManagerListFile, AShiftJisListFromOldWindowsIsWrittenBackAsItWas) {
  ManagerBench bench;
  playJapaneseWindows(bench.files);
  const std::string sea = bench.picture("写真/海の朝.jpg");
  const std::string sky = bench.picture("写真/空ソ表.jpg");  // ソ and 表 end in a backslash byte
  const std::string utf8 = "\"Ver\",\"1.30\"\r\n0\r\n1\r\n\"[SubFolder]\",2\r\n\"" + sea +
                           "\",0,3,5\r\n\"" + sky + "\",0,4,2\r\n";
  const std::string shiftJis = convert(utf8, "CP932", "UTF-8");
  ASSERT_NE(shiftJis, utf8);
  bench.writeList(shiftJis);

  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"海の朝.jpg", "空ソ表.jpg"}));
  // A name the code page holds keeps it too.
  const std::string wave = bench.picture("写真/波～①髙ｶﾅ.jpg");
  form.RegisterDroppedItems({wave});
  ASSERT_TRUE(form.SaveList());
  EXPECT_EQ(bench.list(), convert(utf8 + "\"" + wave + "\",0,3,5\r\n", "CP932", "UTF-8"));
  EXPECT_FALSE(bench.root.exists("app/List.txt.bak"));
  EXPECT_TRUE(bench.messages().empty()) << bench.messages().front();
}

TEST(ManagerListFile, ANameTheOldCodePageCannotHoldTurnsTheListIntoUtf8KeepingTheOldOne) {
  ManagerBench bench;
  playJapaneseWindows(bench.files);
  const std::string sea = bench.picture("写真/海.jpg");
  const std::string utf8 =
      "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"" + sea + "\",0,3,5\r\n";
  const std::string shiftJis = convert(utf8, "CP932", "UTF-8");
  bench.writeList(shiftJis);
  EditForm& form = bench.open();
  const std::string korean = bench.picture("写真/한국.jpg");
  form.RegisterDroppedItems({korean});  // saves at once

  const std::string both = utf8 + "\"" + korean + "\",0,3,5\r\n";
  EXPECT_EQ(bench.list(), both);
  EXPECT_EQ(bench.root.read("app/List.txt.bak"), shiftJis);
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(manager::text::kListNowUtf8) +
                                                        std::string(manager::text::kOldListKept)}));
  // From then on the list is UTF-8: no second message, the copy stays.
  bench.picture("写真/空.jpg");
  form.RegisterDroppedItems({bench.root / "写真/空.jpg"});
  EXPECT_EQ(bench.messages().size(), 1U);
  EXPECT_EQ(bench.list(), both + "\"" + bench.root / "写真/空.jpg" + "\",0,3,5\r\n");
  EXPECT_EQ(bench.root.read("app/List.txt.bak"), shiftJis);
}

TEST(ManagerListFile, HeaderlessFileDropsAVanishedPathAndFillsRatio5) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  const std::string c = bench.picture("pics/c.jpg");
  bench.writeList("2,1\r\n\"" + a + "\"\r\n\"" + bench.root / "pics/gone.jpg" + "\"\r\n\"" + c +
                  "\"\r\n");
  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_EQ(testing::columns(form).path[1], c);
  EXPECT_EQ(column(testing::columns(form).ratio, 2), (std::vector<int>{5, 5}));
  EXPECT_EQ(column(testing::columns(form).style, 2), (std::vector<int>{0, 0}));
  EXPECT_EQ(form.timingIndex(), 2);
  EXPECT_EQ(form.orderIndex(), 1);
  EXPECT_FALSE(form.ChkLounch().checked);
}

// Older layouts have no launcher record, so a damaged one may hold the tag
// as a path; saved as an entry, the next load took it for the launcher and the
// list changed at every round.
TEST(ManagerListFile, TheLauncherTagAsAnOldLayoutsPathIsNoEntryAndTheSaveIsStable) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  bench.writeList("0,0\r\n\"" + a + "\"\r\n\"[Lounch]\"\r\n\"/usr/bin/cal\"\r\n");
  EditForm& form = bench.open();
  const std::vector<std::string> paths = testing::columns(form).path;
  EXPECT_EQ(std::count(paths.begin(), paths.end(), std::string("[Lounch]")), 0);
  ASSERT_TRUE(form.SaveList());
  const std::string first = bench.list();
  EXPECT_EQ(first.find("\"[Lounch]\""), std::string::npos) << first;
  bench.open();
  ASSERT_TRUE(bench.form().SaveList());
  EXPECT_EQ(bench.list(), first);
}

TEST(ManagerListFile, Version110ReadsStyleAndRatioButNoKind) {
  ManagerBench bench;
  const std::string a = bench.picture("a.bmp");
  bench.writeList("\"Ver\",\"1.10\"\r\n3\r\n0\r\n\"" + a + "\",4,2\r\n");
  EditForm& form = bench.open();
  ASSERT_EQ(form.rowCount(), 1);
  EXPECT_EQ(testing::columns(form).kind[0], 0);
  EXPECT_EQ(testing::columns(form).style[0], 4);
  EXPECT_EQ(testing::columns(form).ratio[0], 2);
  EXPECT_EQ(form.timingIndex(), 3);
  EXPECT_EQ(form.subfolderDepth(), 10);  // the depth bar keeps its design value
}

TEST(ManagerListFile, FolderWithoutTrailingSlashGainsItAtTheNextSave) {
  ManagerBench bench;
  for (const char* name : {"trips/1.jpg", "trips/2.gif", "trips/3.bmp", "trips/notes.txt"}) {
    bench.picture(name);
  }
  const std::string folder = bench.root / "trips";
  bench.writeList(listBytes(0, 1, 2, {"\"" + folder + "\",9,3,5"}));
  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"[フォルダ]trips"}));
  EXPECT_EQ(testing::columns(form).kind[0], 9);

  ASSERT_TRUE(form.SaveList());
  // Recounted (three pictures) and closed with "/" in the file; saving leaves
  // the rows as they are.
  EXPECT_EQ(testing::columns(form).path[0], folder);
  EXPECT_EQ(testing::columns(form).kind[0], 9);
  EXPECT_EQ(bench.list(), listBytes(0, 1, 2, {"\"" + folder + "/\",6,3,5"}));

  ManagerBench again;
  again.writeList(bench.list());
  EXPECT_EQ(listTexts(again.open()), (std::vector<std::string>{"[フォルダ]trips/"}));
}

TEST(ManagerListFile, AFolderThatCannotBeFoundOrCountsNothingKeepsItsEntry) {
  ManagerBench bench;
  bench.root.mkdir("empty");  // a mount point with nothing mounted
  const std::string detached = bench.root / "usb/photos";
  bench.writeList(listBytes(
      0, 0, 2,
      {"\"" + detached + "\",40,3,4", "\"" + bench.root / "empty/" + "\",9,3,5", "\"\",9,3,5"}));
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), 3);
  ASSERT_TRUE(form.SaveList());
  EXPECT_EQ(bench.list(),
            listBytes(0, 0, 2,
                      {"\"" + detached + "/\",40,3,4", "\"" + bench.root / "empty/" + "\",9,3,5"}));
  EXPECT_EQ(testing::columns(form).kind[1], 9);  // saving changes no row
}

TEST(ManagerListFile, OnlyImagesGoneFromAReadableFolderAreRemovedAndTheOldListIsKept) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  const std::string gone = bench.root / "pics/gone.jpg";
  const std::string alsoGone = bench.root / "pics/also.jpg";
  const std::string detached = bench.root / "usb/photo.jpg";  // drive not attached
  // A folder this user may not open (root opens it all the same).
  const std::string locked = bench.picture("locked/x.jpg");
  chmod((bench.root / "locked").c_str(), 0);
  const std::string old =
      listBytes(1, 0, 2,
                {"\"" + a + "\",0,3,5", "\"" + gone + "\",0,3,5", "\"" + detached + "\",0,2,4",
                 "\"" + locked + "\",0,1,2", "\"" + alsoGone + "\",0,3,5"});
  bench.writeList(old);
  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"a.jpg", "photo.jpg", "x.jpg"}));
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(manager::text::kImagesRemoved) +
                                                        "\r\n" + gone + "\r\n" + alsoGone}));

  ASSERT_TRUE(form.SaveList());
  EXPECT_EQ(bench.list(), listBytes(1, 0, 2,
                                    {"\"" + a + "\",0,3,5", "\"" + detached + "\",0,2,4",
                                     "\"" + locked + "\",0,1,2"}));
  EXPECT_EQ(bench.root.read("app/List.txt.bak"), old);
  EXPECT_EQ(bench.messages().size(), 1U);  // the copy was announced with the removal
}

TEST(ManagerListFile, SkippedKindsLeaveTheirIndexToTheNextEntry) {
  ManagerBench bench;
  const std::string a = bench.picture("a.jpg");
  const std::string b = bench.picture("b.jpg");
  bench.writeList(listBytes(0, 0, 2,
                            {"\"" + a + "\",0,1,2", "\"" + bench.root.path() + "/x/\",2,0,1",
                             "\"" + bench.root.path() + "/y/\",3,0,1", "\"" + b + "\",0,4,3",
                             "\"" + bench.root.path() + "/z/\",-1,0,1"}));
  EditForm& form = bench.open();
  EXPECT_EQ(listTexts(form), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(testing::columns(form).path[1], b);
  EXPECT_EQ(testing::columns(form).style[1], 4);
  EXPECT_EQ(testing::columns(form).ratio[1], 3);
}

TEST(ManagerListFile, LauncherIsSavedWhileItsBoxIsOnWhetherOrNotItsFileIsThere) {
  struct Case {
    const char* name;
    bool launcherFileExists;
    bool untick;
    std::string text;  // empty: the loaded path
    bool saved;
  };
  const Case cases[] = {
      {"present", true, false, "", true},
      {"vanished program", false, false, "", true},
      {"box cleared", true, true, "", false},
      {"one blank", true, false, " ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    const std::string a = bench.picture("a.jpg");
    const std::string launcher = bench.root / "bin/cal";
    if (c.launcherFileExists) bench.root.write("bin/cal");
    bench.writeList(
        listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"[Lounch]\",\"" + launcher + "\""}));
    EditForm& form = bench.open();
    EXPECT_TRUE(form.ChkLounch().checked);
    if (c.untick) form.SetChkLounch(false);
    if (!c.text.empty()) form.SetTxtLounch(c.text);
    ASSERT_TRUE(form.SaveList());
    EXPECT_EQ(bench.list().find("[Lounch]") != std::string::npos, c.saved);
    if (c.untick) {
      EXPECT_FALSE(form.TxtLounch().visible);
      EXPECT_EQ(form.TxtLounch().text, launcher);
    }
  }
}

TEST(ManagerListFile, OKSaysOnceWhatIsWrongWithTheLauncherAndKeepsIt) {
  struct Case {
    const char* name;
    int mode;  // -1: no such file; 0: a folder
    bool ticked;
    std::string_view message;  // empty: nothing to say
  };
  const Case cases[] = {
      {"runs", 0755, true, {}},
      {"missing", -1, true, manager::text::kLauncherMissing},
      {"not executable", 0644, true, manager::text::kLauncherNotExecutable},
      {"a folder", 0, true, manager::text::kLauncherNotExecutable},
      {"switched off", -1, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    const std::string a = bench.picture("a.jpg");
    const std::string launcher = bench.root / "bin/cal";
    if (c.mode == 0) bench.root.mkdir("bin/cal");
    if (c.mode > 0) chmod(bench.root.write("bin/cal").c_str(), static_cast<mode_t>(c.mode));
    bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
    EditForm& form = bench.open();
    form.SetChkLounch(true);
    form.SetTxtLounch(launcher);
    if (!c.ticked) form.SetChkLounch(false);
    EXPECT_TRUE(form.BtnOKClick());
    EXPECT_EQ(bench.messages(), c.message.empty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{std::string(c.message) + launcher});
    EXPECT_TRUE(form.QueryUnload());
    EXPECT_EQ(bench.list().ends_with("\"[Lounch]\",\"" + launcher + "\"\r\n"), c.ticked);
  }
}

TEST(ManagerListFile, FortyEntriesGrowTheCapacityStepByStep) {
  ManagerBench bench;
  std::vector<std::string> records;
  for (int i = 0; i < 40; ++i) {
    records.push_back("\"" + bench.picture("p/" + std::to_string(i) + ".jpg") + "\",0,3,5");
  }
  bench.writeList(listBytes(0, 0, 2, records));
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), 40);
  // Each row that brings the next index to the capacity adds one slot.
  EXPECT_EQ(testing::columns(form).rowCapacity, 42);
  EXPECT_EQ(testing::columns(form).path.size(), 43U);
  EXPECT_EQ(testing::columns(form).kind.size(), 43U);
  EXPECT_EQ(testing::columns(form).path[39], bench.root / "p/39.jpg");
}

TEST(ManagerListFile, DamagedOrForeignFilesLoadWhatTheyCanAndNeverCrash) {
  struct Case {
    const char* name;
    std::string text;
    int rows;
    int timing;
    std::string_view message;  // empty: a list read whole says nothing
  };
  const std::string_view other = manager::text::kListOtherVersion;
  const std::string_view damaged = manager::text::kListDamagedAtStart;
  const std::string a = "A_PATH";
  const Case cases[] = {
      {"unknown version", "\"Ver\",\"2.00\"\r\n3\r\n1\r\n\"A_PATH\",0,3,5\r\n", 0, 0, other},
      {"version as a number", "\"Ver\",1.30\r\n1\r\n0\r\n", 0, 0, damaged},
      {"empty file", "", 0, 0, {}},
      {"ends after the header", "\"Ver\",\"1.30\"\r\n", 0, 0, damaged},
      {"ends after the subfolder line",
       "\"Ver\",\"1.30\"\r\n2\r\n0\r\n\"[SubFolder]\",2\r\n",
       0,
       2,
       {}},
      {"text where the timing stands",
       "\"Ver\",\"1.30\"\r\n\"x\"\r\n0\r\n\"[SubFolder]\",2\r\n"
       "\"A_PATH\",0,3,5\r\n",
       1, 0, damaged},
      {"timing beyond its buttons",
       "\"Ver\",\"1.30\"\r\n9\r\n0\r\n\"[SubFolder]\",2\r\n"
       "\"A_PATH\",0,3,5\r\n",
       1,
       0,
       {}},
      {"unterminated quote", "\"Ver\",\"1.30\"\r\n1\r\n0\r\n\"[SubFolder]\",2\r\n\"A_PATH", 0, 1,
       damaged},
      {"binary noise", std::string("\0\xff\"\r\n,,,\"", 9), 0, 0, damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    const std::string path = bench.picture("a.jpg");
    std::string text = c.text;
    if (const auto at = text.find(a); at != std::string::npos) text.replace(at, a.size(), path);
    bench.writeList(text);
    EditForm& form = bench.open();
    EXPECT_EQ(form.rowCount(), c.rows);
    EXPECT_EQ(form.timingIndex(), c.timing);
    EXPECT_EQ(bench.messages(), c.message.empty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{std::string(c.message)});
  }
}

TEST(ManagerListFile, AnUnreadableListIsReportedAndLoadsNothing) {
  ManagerBench bench;
  bench.writeList(listBytes(2, 1, 2, {"\"" + bench.picture("a.jpg") + "\",0,3,5"}));
  bench.files.unreadable.insert(bench.root / "app/List.txt");
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), 0);
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(text::kListUnreadable)}));
}

TEST(ManagerListFile, MoreThan32767EntriesStopAtTheLimitWithAMessage) {
  ManagerBench bench;
  std::string text = listBytes(0, 0, 2, {});
  for (int i = 0; i < manager::kMaxRows + 2; ++i) {
    text += "\"/nowhere/f" + std::to_string(i) + "/\",4,3,5\r\n";
  }
  bench.writeList(text);
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), manager::kMaxRows);
  EXPECT_EQ(testing::columns(form).rowCapacity, manager::kMaxRows);
  EXPECT_EQ(bench.messages(),
            (std::vector<std::string>{std::string(manager::text::kListTruncated)}));
}

TEST(ManagerListFile, AFailedSaveKeepsTheOldFileAndSaysSo) {
  ManagerBench bench;
  const std::string a = bench.picture("a.jpg");
  const std::string old = listBytes(1, 0, 2, {"\"" + a + "\",0,3,5"});
  bench.writeList(old);
  EditForm& form = bench.open();
  form.SetTiming(3);
  bench.files.failWrites = Status::failed("List.txt: No space left on device");
  EXPECT_FALSE(form.SaveList());
  EXPECT_EQ(bench.list(), old);
  ASSERT_EQ(bench.messages().size(), 1U);
  EXPECT_TRUE(bench.messages()[0].starts_with(manager::text::kSaveFailed));
  EXPECT_EQ(bench.fake().messages.details,
            (std::vector<std::string>{"List.txt: No space left on device"}));
  // Once the disk takes writes again, the same rows are saved.
  bench.files.failWrites.reset();
  EXPECT_TRUE(form.SaveList());
  EXPECT_EQ(bench.list(), listBytes(3, 0, 2, {"\"" + a + "\",0,3,5"}));
}

TEST(ManagerListFile, ClosingAfterAFailedSaveKeepsTheEditsUntilTheUserEndsUnsaved) {
  struct Case {
    const char* name;
    Answer second;      // to the question at the second failed closing
    bool diskRecovers;  // the third closing finds the disk writable again
    bool closedUnsaved;
  };
  const Case cases[] = {
      {"retried after freeing space", Answer::No, true, false},
      {"ended knowingly", Answer::Yes, false, true},
  };
  const std::string failed(manager::text::kSaveFailed);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    const std::string a = bench.picture("a.jpg");
    const std::string old = listBytes(1, 0, 2, {"\"" + a + "\",0,3,5"});
    bench.writeList(old);
    EditForm& form = bench.open();
    form.SetTiming(3);
    bench.files.failWrites = Status::failed("List.txt: No space left on device");
    // The first failure only says so: the window stays, with the edits.
    EXPECT_FALSE(form.QueryUnload());
    EXPECT_EQ(bench.messages(),
              (std::vector<std::string>{failed + std::string(manager::text::kEditsKeptOpen)}));
    EXPECT_EQ(form.timingIndex(), 3);
    // The second one asks whether to end without saving.
    bench.answers().push_back(c.second);
    EXPECT_EQ(form.QueryUnload(), c.closedUnsaved);
    EXPECT_EQ(bench.messages().back(), failed + std::string(manager::text::kAskQuitUnsaved));
    EXPECT_EQ(bench.list(), old);
    if (c.closedUnsaved) continue;
    if (c.diskRecovers) bench.files.failWrites.reset();
    EXPECT_TRUE(form.QueryUnload());
    EXPECT_EQ(bench.list(), listBytes(3, 0, 2, {"\"" + a + "\",0,3,5"}));
    EXPECT_EQ(bench.messages().size(), 2U);
  }
}

TEST(ManagerListFile, AnEndingSessionSavesWithoutABoxOrKeepsTheEditsInAnUnsavedCopy) {
  ManagerBench bench;
  const std::string a = bench.picture("a.jpg");
  const std::string b = bench.picture("b.jpg");
  // Damaged: the timing is text, so the first save keeps a copy first.
  const std::string damaged = "\"Ver\",\"1.30\"\r\n\"x\"\r\n0\r\n\"[SubFolder]\",2\r\n\"" + a +
                              "\",0,3,5\r\n\"" + b + "\",0,3,5\r\n";
  bench.writeList(damaged);
  EditForm& form = bench.open();
  ASSERT_EQ(bench.messages().size(), 1U);  // the damage, told at the start
  form.SetTiming(2);
  form.EndSession();
  EXPECT_EQ(bench.messages().size(), 1U);
  EXPECT_EQ(bench.list(), listBytes(2, 0, 2, {"\"" + a + "\",0,3,5", "\"" + b + "\",0,3,5"}));
  EXPECT_EQ(bench.root.read("app/List.txt.bak"), damaged);
  EXPECT_EQ(bench.fake().messages.details.back(), manager::text::kListKeptAsBackup);

  // The list cannot be replaced (a folder took its name): the edits go to a
  // copy beside it, and the next start says where.
  form.SetOrder(1);
  std::filesystem::remove(testing::FromUtf8(bench.root / "app/List.txt"));
  bench.root.mkdir("app/List.txt");
  form.EndSession();
  EXPECT_EQ(bench.messages().size(), 1U);
  const std::string copy = bench.root / "app/List.txt.unsaved-20261207-101500";
  EXPECT_EQ(bench.root.read("app/List.txt.unsaved-20261207-101500"),
            listBytes(2, 1, 2, {"\"" + a + "\",0,3,5", "\"" + b + "\",0,3,5"}));
  EXPECT_EQ(bench.fake().messages.details.back(), std::string(manager::text::kEditsKeptIn) + copy);

  bench.open();
  EXPECT_EQ(bench.messages().back(),
            std::string(manager::text::kUnsavedCopiesFound) + "\r\n" + copy);
}

TEST(ManagerListFile, AReadOnlyApplicationFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  ManagerBench bench;
  const std::string a = bench.picture("a.jpg");
  const std::string old = listBytes(1, 0, 2, {"\"" + a + "\",0,3,5"});
  bench.writeList(old);
  EditForm& form = bench.open();
  chmod((bench.root / "app").c_str(), 0555);
  EXPECT_FALSE(form.SaveList());
  EXPECT_EQ(bench.list(), old);
  EXPECT_EQ(bench.messages().size(), 1U);
}

// --- Settings controls ------------------------------------------------------

class ManagerSettings : public ::testing::Test {
 protected:
  // Four images with ratios 1, 2, 3, 5 and style 0.
  EditForm& openFour(int order = 0) {
    std::vector<std::string> records;
    const int ratios[] = {1, 2, 3, 5};
    for (int i = 0; i < 4; ++i) {
      records.push_back("\"" + bench.picture("p" + std::to_string(i) + ".jpg") + "\",0,0," +
                        std::to_string(ratios[i]));
    }
    bench.writeList(listBytes(0, order, 2, records));
    return bench.open();
  }
  ManagerBench bench;
};

TEST_F(ManagerSettings, BarLuckAt4ReachesEverySelectedRowAndShowsNoWord) {
  EditForm& form = openFour(1);
  form.SetSelection({0, 1, 2}, 2);
  // Focusing row 2 (ratio 3) left the bar where it stood: no row changed yet.
  EXPECT_EQ(column(testing::columns(form).ratio, 4), (std::vector<int>{1, 2, 3, 5}));
  form.SetBarLuck(4);
  EXPECT_EQ(column(testing::columns(form).ratio, 4), (std::vector<int>{4, 4, 4, 5}));
  EXPECT_EQ(form.lblLuck().caption, "割合:4");
}

TEST_F(ManagerSettings, RatioLabelNamesRareNormalAndFrequent) {
  EditForm& form = openFour();
  const std::pair<int, const char*> cases[] = {
      {1, "割合:1　まれ"}, {2, "割合:2"}, {5, "割合:5　頻出"}, {3, "割合:3　ふつう"}};
  for (const auto& [value, caption] : cases) {
    form.SetBarLuck(value);
    EXPECT_EQ(form.lblLuck().caption, caption);
  }
}

TEST_F(ManagerSettings, FocusingARowCopiesItsStyleAndRatioIntoTheSelection) {
  EditForm& form = openFour(1);
  form.SetSelection({0, 1, 3}, 3);
  EXPECT_EQ(form.BarLuck().value, 5);
  EXPECT_EQ(form.LstStyle().listIndex, 0);
  EXPECT_EQ(column(testing::columns(form).ratio, 4), (std::vector<int>{5, 5, 3, 5}));
  EXPECT_EQ(column(testing::columns(form).style, 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ManagerSettings, StretchOverTwoRowsRebuildsTheDetails) {
  EditForm& form = openFour(1);
  form.SetSelection({1, 2}, 1);
  form.LstStyleUserClick(2);
  EXPECT_EQ(column(testing::columns(form).style, 4), (std::vector<int>{0, 2, 2, 0}));
  EXPECT_EQ(form.Lbl().caption, "起動ごと ランダム  頻度:2　画面に合わせて拡大\r\n 画像\r\n" +
                                    testing::columns(form).path[1]);
  // Choosing the entry already shown still spreads it, as a user's choice does.
  form.SetSelection({0, 1}, 1);
  EXPECT_EQ(testing::columns(form).style[0], 0);
  form.LstStyleUserClick(2);
  EXPECT_EQ(testing::columns(form).style[0], 2);
}

TEST_F(ManagerSettings, DepthBarAtItsTopEndMeansDepth10AndIsSaved) {
  EditForm& form = openFour();
  EXPECT_EQ(form.BarSubFolder().value, 8);
  form.SetBarSubFolder(0);
  EXPECT_EQ(form.LblSubFolder().caption, "サブフォルダの階層:10");
  form.SetBarSubFolder(11);  // beyond the bar: ignored
  EXPECT_EQ(form.subfolderDepth(), 10);
  ASSERT_TRUE(form.SaveList());
  EXPECT_NE(bench.list().find("\"[SubFolder]\",10\r\n"), std::string::npos);
}

TEST_F(ManagerSettings, OrderAndTimingOptionsAreSaved) {
  EditForm& form = openFour();
  form.SetTiming(2);
  form.SetOrder(1);
  ASSERT_TRUE(form.SaveList());
  EXPECT_TRUE(bench.list().starts_with("\"Ver\",\"1.30\"\r\n2\r\n1\r\n"));
}

TEST_F(ManagerSettings, MenusShowTheirFrameGroups) {
  EditForm& form = openFour();
  auto visible = [&form] {
    std::vector<int> shown;
    for (int i = 0; i < manager::kFrameCount; ++i) {
      if (form.frameVisible(i)) shown.push_back(i);
    }
    return shown;
  };
  form.MnuSetClick();
  EXPECT_EQ(visible(), (std::vector<int>{1, 2, 5}));
  form.MnuOpeClick();
  EXPECT_EQ(visible(), (std::vector<int>{3}));
  EXPECT_FALSE(form.TxtLounch().enabled);
  form.MnuHelpClick();
  EXPECT_EQ(visible(), (std::vector<int>{4}));
  form.SetOrder(1);
  form.MnuListClick();
  EXPECT_EQ(visible(), (std::vector<int>{0}));
  EXPECT_TRUE(form.BarLuck().visible);
  EXPECT_TRUE(form.lblLuck().visible);
}

TEST_F(ManagerSettings, HelpPageDrawsOneOfFiveTextsByBandsClosedBelow) {
  EditForm& form = openFour();
  // The notice names this build, never a day written into the source.
  const std::string notice = "[お知らせ]" + std::to_string(build::kYear) + "年" +
                             std::to_string(build::kMonth) + "月" + std::to_string(build::kDay) +
                             "日 Ver " + std::string(build::kVersion);
  const float below = std::nextafter(0.3F, 0.0F);
  const std::pair<float, std::string_view> cases[] = {
      {0.0F, notice},
      {below, notice},
      {0.3F, manager::text::kHelpTaskScheduler},
      {std::nextafter(0.4F, 0.0F), manager::text::kHelpTaskScheduler},
      {0.4F, manager::text::kHelpQuestions},
      {0.5F, manager::text::kHelpDoubleClick},
      {std::nextafter(0.7F, 0.0F), manager::text::kHelpDoubleClick},
      {0.7F, manager::text::kHelpShift},
      {std::nextafter(1.0F, 0.0F), manager::text::kHelpShift},
  };
  for (const auto& [draw, expected] : cases) {
    bench.fake().random.draws.push_back(draw);
    form.MnuHelpClick();
    EXPECT_TRUE(form.Lbl().caption.starts_with(expected)) << draw << ": " << form.Lbl().caption;
  }
}

// The package keeps the list in the user's data folder and the help beside
// the programs: each button must open the file where it really is.
TEST_F(ManagerSettings, DocumentsOpenFromTheirFoldersAndSayWhyWhenTheyCannot) {
  const std::string data = bench.root.mkdir("data");
  bench.platform().dataDirectory = data;
  const std::string help = bench.root.write("app/help.htm", "<html>");
  const std::string readme = bench.root.write("app/README.md", "# Tivolen");
  EditForm& form = bench.open();
  auto& events = bench.fake().events;

  form.BtnShowListClick();
  EXPECT_EQ(events, (fake::EventLog{fake::messageEvent(manager::text::kListNotSavedYet)}));

  // Removed here after the drop saved both: the editor must not show the
  // row, or the refresh after editing would bring it back.
  form.RegisterDroppedItems({bench.picture("写真 1.jpg"), bench.picture("写真 2.jpg")});
  form.SetSelection({0}, 0);
  form.RemoveSelectedRows();
  events.clear();
  form.BtnShowListClick();
  EXPECT_EQ(events, (fake::EventLog{fake::openEvent(data + "/List.txt")}));
  EXPECT_EQ(bench.root.read("data/List.txt").find("写真 1.jpg"), std::string::npos);

  events.clear();
  form.BtnHelpClick();
  form.Label3Click();
  form.Label4Click();
  form.LblMailClick();
  // Questions and reports lead to the help page's section on them.
  EXPECT_EQ(events, (fake::EventLog{fake::openEvent(help), fake::openEvent(help),
                                    fake::openEvent(readme), fake::openEvent(help)}));

  events.clear();
  std::filesystem::remove(help);
  form.BtnHelpClick();
  bench.fake().documents.failWith = Status::failed("no program for text/markdown");
  form.Label4Click();
  EXPECT_EQ(events,
            (fake::EventLog{
                fake::messageEvent(std::string(manager::text::kDocumentMissing) + help),
                fake::openEvent(readme),
                fake::messageEvent(std::string(manager::text::kDocumentNotOpened) + readme)}));
  EXPECT_EQ(bench.fake().messages.details.back(), "no program for text/markdown");
}

// The installed package keeps the help page and the README apart from the
// programs, where the system's layout wants them: the buttons open them there.
TEST_F(ManagerSettings, InstalledBuildOpensHelpAndReadmeFromTheSystemFolders) {
  const std::string help = bench.root.write("share/tivolen/help.htm", "<html>");
  const std::string readme = bench.root.write("share/doc/tivolen/README.md", "# Tivolen");
  bench.root.write("app/help.htm", "<html>");
  bench.root.write("app/README.md", "# Tivolen");
  bench.platform().installed = {bench.root / "share/tivolen", bench.root / "share/doc/tivolen",
                                bench.root / "share/tivolen.svg"};
  EditForm& form = bench.open();
  auto& events = bench.fake().events;
  events.clear();
  form.BtnHelpClick();
  form.Label3Click();
  form.Label4Click();
  form.LblMailClick();
  // Questions and reports lead to the help page's section on them.
  EXPECT_EQ(events, (fake::EventLog{fake::openEvent(help), fake::openEvent(help),
                                    fake::openEvent(readme), fake::openEvent(help)}));
}

// --- Details text -----------------------------------------------------------

class ManagerDetails : public ::testing::Test {
 protected:
  EditForm& openImages(int count, int timing, int order) {
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i) {
      records.push_back("\"" + bench.picture("d/" + std::to_string(i) + ".jpg") + "\",0,0,3");
    }
    bench.writeList(listBytes(timing, order, 2, records));
    return bench.open();
  }
  std::string detailsOf(EditForm& form, int row) {
    form.SetSelection({row}, row);
    const std::string& text = form.Lbl().caption;
    return text.substr(0, text.find("\r\n"));
  }
  ManagerBench bench;
};

TEST_F(ManagerDetails, PlaceInTheCycleEndsWhereTheTimingsCycleEnds) {
  struct Case {
    int timing;
    int row;
    const char* firstLine;
  };
  const Case cases[] = {
      {0, 0, "起動ごと 順番に  1回目　中央に表示"},
      {0, 32, "起動ごと 順番に  33回目　中央に表示"},
      {1, 2, "日にちごと 順番に  3日　中央に表示"},
      {1, 30, "日にちごと 順番に  31日　中央に表示"},
      {1, 31, "日にちごと 順番に  未使用　中央に表示"},
      {2, 0, "曜日 順番に  日曜日　中央に表示"},
      {2, 6, "曜日 順番に  土曜日　中央に表示"},
      {2, 7, "曜日 順番に  未使用　中央に表示"},
      {3, 11, "毎月 順番に  12月　中央に表示"},
      {3, 12, "毎月 順番に  未使用　中央に表示"},
  };
  EditForm& form = openImages(33, 0, 0);
  for (const Case& c : cases) {
    form.SetTiming(c.timing);
    EXPECT_EQ(detailsOf(form, c.row), c.firstLine) << c.timing << "/" << c.row;
  }
}

TEST_F(ManagerDetails, WholeTextsOfAnImageAFolderAndAnEmptyFolder) {
  const std::string image = bench.picture("sea.jpg");
  bench.picture("trips/1.jpg");
  bench.root.mkdir("empty");
  bench.writeList(
      listBytes(1, 0, 2, {"\"" + image + "\",0,0,3", "\"" + bench.root / "trips/" + "\",5,3,5"}));
  EditForm& form = bench.open();
  form.SetSelection({0}, 0);
  EXPECT_EQ(form.Lbl().caption, "日にちごと 順番に  1日　中央に表示\r\n 画像\r\n" + image);
  form.SetTiming(0);
  form.SetOrder(1);
  form.SetSelection({1}, 1);
  EXPECT_EQ(form.Lbl().caption, "起動ごと ランダム  頻度:5　拡大して全体を表示\r\n フォルダ\r\n" +
                                    bench.root / "trips/");
  EXPECT_TRUE(form.BtnDlt().enabled);

  form.RegisterDroppedItems({bench.root / "empty"});
  form.SetSelection({2}, 2);
  EXPECT_EQ(form.Lbl().caption, "起動ごと ランダム  ");
  EXPECT_FALSE(form.LstStyle().enabled);
  EXPECT_FALSE(form.BtnDlt().enabled);
}

}  // namespace
}  // namespace tivolen

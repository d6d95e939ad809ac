// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/change_log.h"
#include "common/date.h"
#include "common/list_file.h"
#include "common/record.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

ImageList exampleList() {
  ImageList list;
  list.settings = {1, 0, 2};
  list.entries = {{"C:\\pics\\sea.jpg", 0, 2, 3}, {"C:\\pics\\trips\\", 15, 3, 5}};
  list.launcherPath = "C:\\tools\\calendar.exe";
  return list;
}

constexpr std::string_view kExampleBytes =
    "\"Ver\",\"1.30\"\r\n"
    "1\r\n"
    "0\r\n"
    "\"[SubFolder]\",2\r\n"
    "\"C:\\pics\\sea.jpg\",0,2,3\r\n"
    "\"C:\\pics\\trips\\\",15,3,5\r\n"
    "\"[Lounch]\",\"C:\\tools\\calendar.exe\"\r\n";

TEST(ListFile, WritesTheSevenLineExampleByteForByte) {
  EXPECT_EQ(writeImageList(exampleList()), kExampleBytes);
}

TEST(ListFile, RoundTripsThroughTheReader) {
  const ListReadResult read = readImageList(kExampleBytes);
  ASSERT_TRUE(read.list.has_value());
  EXPECT_EQ(*read.list, exampleList());
  EXPECT_EQ(writeImageList(*read.list), kExampleBytes);
}

TEST(ListFile, ReadsLineFeedEndsAndPathsWithCommasAndJapanese) {
  const std::string text =
      "\"Ver\",\"1.30\"\n3\n1\n\"[SubFolder]\",0\n\"/home/花子/写真, 夏/a.jpg\",0,4,1\n";
  const ListReadResult read = readImageList(text);
  ASSERT_TRUE(read.list.has_value());
  ASSERT_EQ(read.list->entries.size(), 1U);
  EXPECT_EQ(read.list->entries[0].path, "/home/花子/写真, 夏/a.jpg");
  EXPECT_EQ(read.list->entries[0].style, 4);
  EXPECT_EQ(read.list->settings, (ListSettings{3, 1, 0}));
  EXPECT_FALSE(read.list->launcherPath.has_value());
}

TEST(ListFile, LeavesOutEntriesTheManagerNeverStores) {
  ImageList list;
  list.entries = {
      {"/a.jpg", 0, 0, 1}, {"/b/", 2, 0, 1}, {"", 0, 0, 1}, {"/c/", -1, 0, 1}, {"/d/", 4, 3, 5}};
  const std::string bytes = writeImageList(list);
  EXPECT_NE(bytes.find("\"/a.jpg\",0,0,1\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\"/d/\",4,3,5\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("/b/"), std::string::npos);
  EXPECT_EQ(bytes.find("/c/"), std::string::npos);
  EXPECT_EQ(bytes.find("\"\","), std::string::npos);
}

TEST(ListFile, HeaderTellsVersionAndTimingMode) {
  struct Case {
    const char* name;
    std::string text;
    bool current;
    std::optional<int> timing;
  };
  const Case cases[] = {
      {"current", "\"Ver\",\"1.30\"\r\n2\r\n", true, 2},
      {"older version", "\"Ver\",\"1.22\"\r\n2\r\n", false, std::nullopt},
      {"no header", "1,0\r\n\"C:\\a.jpg\"\r\n", false, std::nullopt},
      {"empty file", "", false, std::nullopt},
      {"header only", "\"Ver\",\"1.30\"\r\n", true, std::nullopt},
      {"timing is text", "\"Ver\",\"1.30\"\r\n\"x\"\r\n", true, std::nullopt},
      {"timing beyond 16 bits", "\"Ver\",\"1.30\"\r\n70000\r\n", true, std::nullopt},
      {"unquoted tag", "Ver,1.30\r\n0\r\n", false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ListHeader header = readListHeader(c.text);
    EXPECT_EQ(header.currentVersion, c.current);
    EXPECT_EQ(header.timingMode, c.timing);
  }
}

TEST(ListFile, DamagedListsAreReportedNotGuessed) {
  const std::string good = std::string(kExampleBytes);
  struct Case {
    const char* name;
    std::string text;
    bool otherVersion;
  };
  const Case cases[] = {
      {"truncated inside a record", good.substr(0, good.find("15,3")), false},
      {"cut inside a quoted path", good.substr(0, good.find("sea")), false},
      {"kind is text",
       "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"/a.jpg\",\"0\",3,5\r\n", false},
      {"missing subfolder line", "\"Ver\",\"1.30\"\r\n0\r\n0\r\n", false},
      {"launcher without path", "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"[Lounch]\"",
       false},
      {"other version", "\"Ver\",\"1.10\"\r\n0\r\n", true},
      {"empty", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ListReadResult read = readImageList(c.text);
    EXPECT_FALSE(read.list.has_value());
    EXPECT_EQ(read.otherVersion, c.otherVersion);
  }
}

TEST(ListFile, SurvivesAHugeLineAndInvalidUtf8) {
  std::string huge = "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"";
  huge += std::string(4 << 20, 'a');
  huge += "\xff\xfe\",0,3,5\r\n";
  const ListReadResult read = readImageList(huge);
  ASSERT_TRUE(read.list.has_value());
  EXPECT_EQ(read.list->entries.at(0).path.size(), (4U << 20) + 2);
  EXPECT_FALSE(readImageList(std::string(1 << 20, '"')).list.has_value());
}

TEST(ListFile, AcceptsAndDropsAByteOrderMark) {
  const std::string marked = "\xEF\xBB\xBF" + std::string(kExampleBytes);
  const ListReadResult read = readImageList(marked);
  ASSERT_TRUE(read.list.has_value()) << "other version: " << read.otherVersion;
  EXPECT_EQ(*read.list, exampleList());
  EXPECT_EQ(writeImageList(*read.list), kExampleBytes) << "saved again without the mark";
  const ListHeader header = readListHeader(marked);
  EXPECT_TRUE(header.currentVersion);
  EXPECT_EQ(header.timingMode, 1);
}

TEST(ListFile, StopsReadingAtTheLauncherRecord) {
  const std::string text =
      "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"/a.jpg\",0,3,5\r\n"
      "\"[Lounch]\",\"/usr/bin/cal\"\r\n\"/b.jpg\",0,3,5\r\n";
  const ListReadResult read = readImageList(text);
  ASSERT_TRUE(read.list.has_value());
  EXPECT_EQ(read.list->entries.size(), 1U);
  EXPECT_EQ(read.list->launcherPath, "/usr/bin/cal");
}

TEST(ChangeLog, WritesThreeRecordsByteForByte) {
  EXPECT_EQ(writeChangeLog({2026, 3, 9}, 12, "C:\\pics\\sea.jpg"),
            "#2026-03-09#\r\n12\r\n\"現在の壁紙ファイル：C:\\pics\\sea.jpg\"\r\n");
}

TEST(ChangeLog, ReadsBackWhatItWrote) {
  // Long lists of large folders put positions far past 16 bits in the log;
  // the largest a list can reach is 32767 slots of 39317 positions.
  for (const int position : {32767, 32768, 78635, 32767 * 39317}) {
    SCOPED_TRACE(position);
    const std::string bytes = writeChangeLog({2026, 12, 7}, position, "/写真/海 1.jpg");
    for (ChangeLogPart part : {ChangeLogPart::DateAndPosition, ChangeLogPart::All}) {
      const auto log = readChangeLog(bytes, part);
      ASSERT_TRUE(log.has_value());
      EXPECT_EQ(log->changeDate, (Date{2026, 12, 7}));
      EXPECT_EQ(log->changePosition, position);
      EXPECT_EQ(log->changeLabel,
                part == ChangeLogPart::All ? "現在の壁紙ファイル：/写真/海 1.jpg" : "");
    }
  }
}

TEST(ChangeLog, DamagedLogsCountAsMissing) {
  const std::string good = writeChangeLog({2026, 12, 7}, 5, "/a.jpg");
  const std::string cases[] = {
      "",
      "#2026-12-07#\r\n",
      "#2026-13-07#\r\n5\r\n\"x\"\r\n",
      "#2026-02-30#\r\n5\r\n\"x\"\r\n",
      "2026-12-07\r\n5\r\n\"x\"\r\n",
      "#2026-12-07#\r\n99999999999\r\n\"x\"\r\n",
      "#2026-12-07#\r\n\"5\"\r\n\"x\"\r\n",
      std::string("\0\0\0", 3),
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(readChangeLog(text, ChangeLogPart::DateAndPosition).has_value());
  }
  // Only the navigator needs the label, so only it rejects a cut label.
  const std::string cut = good.substr(0, good.size() - 6);
  EXPECT_TRUE(readChangeLog(cut, ChangeLogPart::DateAndPosition).has_value());
  EXPECT_FALSE(readChangeLog(cut, ChangeLogPart::All).has_value());
}

TEST(Dates, SerialsAndWeekdaysMatchTheOldOrigin) {
  EXPECT_EQ((Date{1899, 12, 30}).serial(), 0);
  EXPECT_EQ(kNeverChanged.serial(), -1);
  EXPECT_EQ(kNeverChanged.weekday(), 6);        // a Friday
  EXPECT_EQ((Date{2026, 12, 7}).weekday(), 2);  // a Monday
  EXPECT_EQ((Date{2024, 2, 29}).serial() - (Date{2024, 2, 28}).serial(), 1);
  for (std::int64_t s : {-700000LL, -1LL, 0LL, 45000LL, 46363LL, 2958465LL}) {
    EXPECT_EQ(Date::fromSerial(s).serial(), s);
  }
  EXPECT_EQ(parseDateLiteral("#2026-1-5#"), (Date{2026, 1, 5}));
  EXPECT_EQ(formatDateLiteral({987, 1, 5}), "#0987-01-05#");
}

}  // namespace
}  // namespace tivolen

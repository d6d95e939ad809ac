// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/path_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/folder_order.h"

namespace tivolen {
namespace {

constexpr PathRules kPosix(PathRules::Style::Posix);
constexpr PathRules kWindows(PathRules::Style::Windows);

TEST(PathRules, WhatCountsAsAbsolute) {
  struct Case {
    const char* path;
    bool posix;
    bool windows;
  };
  for (const Case& c : std::vector<Case>{
           {"/home/u/pics", true, false},
           {"C:\\Users\\u\\写真", false, true},
           {"c:/Users/u", false, true},
           {"\\\\nas\\photos\\2026", false, true},
           {"C:relative", false, false},  // the drive's current folder, not a place
           {"壁紙", false, false},
           {"", false, false},
           {"1:\\x", false, false},
       }) {
    EXPECT_EQ(kPosix.isAbsolute(c.path), c.posix) << c.path;
    EXPECT_EQ(kWindows.isAbsolute(c.path), c.windows) << c.path;
  }
}

TEST(PathRules, JoinsWithOneSeparatorAndNamesPrograms) {
  EXPECT_EQ(kWindows.join("C:\\壁紙 アプリ", "List.txt"), "C:\\壁紙 アプリ\\List.txt");
  EXPECT_EQ(kWindows.join("C:\\", "List.txt"), "C:\\List.txt");
  EXPECT_EQ(kWindows.join("C:/pics/", "\\x.jpg"), "C:/pics/x.jpg");
  EXPECT_EQ(kPosix.join("/opt/app", "List.txt"), "/opt/app/List.txt");
  // A backslash is part of a POSIX name, never a separator there.
  EXPECT_EQ(kPosix.join("/opt/a\\", "b"), "/opt/a\\/b");
  EXPECT_EQ(kWindows.programFileName("管理"), "管理.exe");
  EXPECT_EQ(kPosix.programFileName("管理"), "管理");
}

TEST(FolderOrder, SortsAsNtfsListsAFolder) {
  std::vector<std::string> names = {"b.jpg",   "A.jpg", "_x.jpg",   "a2.jpg", "Émile.jpg",
                                    "eve.jpg", "ÿ.jpg", "写真.jpg", "Z.jpg",  "ａ.jpg",
                                    "😀.jpg",   "z.jpg", "ä.jpg",    "Ä.jpg",  "\xff\xfe.jpg"};
  std::stable_sort(names.begin(), names.end(), LessByFolderOrder);
  const std::vector<std::string> expected = {
      // '_' (0x5F) sorts after the letters once they are upper-cased.
      "A.jpg", "a2.jpg", "b.jpg", "eve.jpg", "Z.jpg", "z.jpg", "_x.jpg",
      // Latin-1 letters by their capitals; ÿ files under Ÿ (U+0178).
      "ä.jpg", "Ä.jpg", "Émile.jpg", "ÿ.jpg",
      // CJK, then characters beyond U+FFFF (UTF-16 surrogates come before
      // U+E000), then the full-width Latin block; bytes that are no UTF-8 last.
      "写真.jpg", "😀.jpg", "ａ.jpg", "\xff\xfe.jpg"};
  EXPECT_EQ(names, expected);
}

TEST(FolderOrder, CaseAloneNeverOrdersAndPrefixesComeFirst) {
  EXPECT_FALSE(LessByFolderOrder("PHOTO.JPG", "photo.jpg"));
  EXPECT_FALSE(LessByFolderOrder("photo.jpg", "PHOTO.JPG"));
  EXPECT_FALSE(LessByFolderOrder("Москва.jpg", "МОСКВА.JPG"));
  EXPECT_TRUE(LessByFolderOrder("photo", "photo.jpg"));
  EXPECT_FALSE(LessByFolderOrder("", ""));
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 file system under a Japanese Wine (code page 932): Japanese
// names through every W call, atomic replacement, the NTFS listing order
// and old Shift_JIS lists read back as UTF-8.
#include "platform/windows/win32_file_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include "common/text_encoding.h"
#include "platform/windows/wide_text.h"

namespace tivolen {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            std::filesystem::path(Widen("壁紙 テスト " + std::to_string(random())));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string path(const std::string& name) const {
    return Narrow((root_ / std::filesystem::path(Widen(name))).wstring());
  }

  std::filesystem::path root_;
  Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, JapaneseNamesRoundTripAndReplaceAtomically) {
  const std::string list = path("List.txt");
  ASSERT_TRUE(files_.writeFileAtomically(list, "一\r\n").isOk());
  ASSERT_TRUE(files_.writeFileAtomically(list, "\"C:\\写真\\海.jpg\",0,3,5\r\n").isOk());
  EXPECT_EQ(files_.readFile(list), "\"C:\\写真\\海.jpg\",0,3,5\r\n");
  // Nothing of the replacement is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root_)) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_TRUE(files_.fileExists(list));
  EXPECT_FALSE(files_.folderExists(list));
  EXPECT_TRUE(files_.removeFile(list).isOk());
  EXPECT_FALSE(files_.fileExists(list));
  EXPECT_FALSE(files_.readFile(list).has_value());
}

TEST_F(Win32FileSystemTest, ListsInFolderOrderWithWindowsAttributes) {
  for (const char* name : {"b.jpg", "写真.jpg", "A.JPG", "_z.jpg"}) {
    ASSERT_TRUE(files_.writeFileAtomically(path(name), "x").isOk());
  }
  std::filesystem::create_directory(root_ / L"旅行");
  SetFileAttributesW(Widen(path("b.jpg")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  const auto listed = files_.listFolder(path(""));
  ASSERT_TRUE(listed.has_value());
  std::vector<std::string> names;
  for (const FolderEntry& entry : *listed) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.JPG", "b.jpg", "_z.jpg", "写真.jpg", "旅行"}));
  EXPECT_EQ(files_.attributes(path("旅行")).value_or(0) & FILE_ATTRIBUTE_DIRECTORY,
            FILE_ATTRIBUTE_DIRECTORY);
  // A hidden file is not a picture anyone registered.
  EXPECT_FALSE(files_.fileExists(path("b.jpg")));
  EXPECT_FALSE(files_.listFolder(path("無い")).has_value());
}

TEST_F(Win32FileSystemTest, OldShiftJisTextBecomesUtf8UnderTheProgramsUtf8CodePage) {
  ASSERT_EQ(Win32FileSystem::SystemLocaleCodePage(), 932u) << "the tests expect a Japanese system";
  // The tests carry the programs' manifest, which makes the process code page
  // UTF-8: the old lists must still be read in the system locale's.
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the tests run without the manifest";
  EXPECT_EQ(DecodeText(files_, "\"C:\\\x8E\xCA\x90\x5E\\\x8A\x43.jpg\""), "\"C:\\写真\\海.jpg\"");
  EXPECT_EQ(DecodeText(files_, "\"C:\\写真\""), "\"C:\\写真\"");
  // ー, ～ (FULLWIDTH TILDE in this code page), ①, 髙, 表 (whose second byte
  // is a backslash) and half-width kana.
  EXPECT_EQ(DecodeText(files_, "\x81\x5B\x81\x60\x87\x40\xFB\xFC\x95\x5C\xB6\xC5.jpg"),
            "ー～①髙表ｶﾅ.jpg");
}

// Wine never enforces MAX_PATH, so what real Windows needs past it is checked
// on the names themselves, and the long names are used once for real.
TEST_F(Win32FileSystemTest, AbsolutePathsWorkPastMaxPathThroughTheExtendedPrefix) {
  struct Case {
    std::string path;
    std::wstring expected;
  };
  // 240 characters of folders: with a share's name or a file name past
  // what fits in MAX_PATH less the 12 a folder must leave.
  std::string folders;
  while (folders.size() < 240)
    folders += "photos of summer " + std::to_string(folders.size()) + "\\";
  std::string slashed = folders;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  const std::wstring wide = Widen(folders);
  for (const Case& c : std::vector<Case>{
           {"C:\\" + folders + "海.jpg", L"\\\\?\\C:\\" + wide + L"海.jpg"},
           // Windows' own tidying first: the prefix turns it off.
           {"C:/" + slashed + "./旅行/../海.jpg", L"\\\\?\\C:\\" + wide + L"海.jpg"},
           {"C:\\" + folders + "旅行 二〇二六\\", L"\\\\?\\C:\\" + wide + L"旅行 二〇二六\\"},
           {"\\\\server\\share\\" + folders, L"\\\\?\\UNC\\server\\share\\" + wide},
           {"//server/share/" + slashed, L"\\\\?\\UNC\\server\\share\\" + wide},
           {"\\\\?\\C:\\" + folders, L"\\\\?\\C:\\" + wide},
           // What fits stays as every program writes it.
           {"C:\\写真\\海.jpg", L"C:\\写真\\海.jpg"},
           {"\\\\server\\share\\海.jpg", L"\\\\server\\share\\海.jpg"},
           {folders + "海.jpg", Widen(folders + "海.jpg")},
           {"", L""},
       }) {
    EXPECT_EQ(WidePath(c.path), c.expected) << c.path;
  }

  std::string deep = path("");
  for (int i = 0; i < 16; ++i) deep += "写真フォルダ 二〇二六年 夏の旅 " + std::to_string(i) + "\\";
  ASSERT_GT(Widen(deep).size(), 300U);
  const std::wstring prefixed = WidePath(deep + "海.jpg");
  EXPECT_EQ(prefixed, L"\\\\?\\" + Widen(deep) + L"海.jpg");
  ASSERT_TRUE(std::filesystem::create_directories(prefixed.substr(0, prefixed.rfind(L'\\'))));
  const std::string picture = deep + "海.jpg";
  ASSERT_TRUE(files_.writeFileAtomically(picture, "x").isOk());
  EXPECT_TRUE(files_.fileExists(picture));
  EXPECT_EQ(files_.fileSize(picture), 1);
  EXPECT_EQ(files_.readFile(picture), "x");
  const auto listed = files_.listFolder(deep);
  ASSERT_TRUE(listed.has_value());
  ASSERT_EQ(listed->size(), 1U);
  EXPECT_EQ(listed->front().name, "海.jpg");
  EXPECT_TRUE(files_.removeFile(picture).isOk());
  // The test library's own clean-up stops short of such folders.
  for (std::string folder = deep; folder.size() > path("").size();) {
    folder.pop_back();
    ASSERT_NE(RemoveDirectoryW(WidePath(folder).c_str()), 0) << folder;
    folder.erase(folder.rfind('\\') + 1);
  }
}

}  // namespace
}  // namespace tivolen

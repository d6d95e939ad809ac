// SPDX-License-Identifier: GPL-3.0-or-later
// Windows paths ("C:\Users\太郎\Pictures\") through folder walks, the
// changer's choice and log, the startup shortcut and the manager's list,
// on whatever system the tests run: the fake plays a Windows drive.
#include <gtest/gtest.h>

#include "changer/selection.h"
#include "common/folder_walk.h"
#include "common/list_file.h"
#include "common/startup_shortcut.h"
#include "manager/edit_form.h"
#include "platform/fake/fake_platform.h"
#include "tests/manager_test_support.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;
using Outcome = FolderSearchResult::Outcome;

constexpr std::string_view kPictures = "C:\\Users\\太郎\\Pictures\\";

// The drive C: is dir/C; the programs live in C:\Tivolen.
class WindowsPaths : public ::testing::Test {
 protected:
  WindowsPaths() {
    fake.files.playWindows("C:", dir.mkdir("C"));
    dir.write("C/Users/太郎/Pictures/旅行/海.jpg");
    dir.write("C/Users/太郎/Pictures/夏.JPG");
    dir.write("C/Tivolen/Pictures/a.jpg");
    dir.mkdir("C/Users/太郎/Start Menu");
    dir.mkdir("C/Users/太郎/Startup");
  }
  static std::string pictures(std::string_view name = "") {
    return std::string(kPictures).append(name);
  }

  TempDir dir;
  fake::FakePlatform fake{"C:\\Tivolen"};
};

TEST_F(WindowsPaths, FolderWalksJoinWithBackslashes) {
  struct Case {
    const char* folder;
    int target;
    Outcome outcome;
    const char* path;
  };
  const Case cases[] = {
      {"C:\\Users\\太郎\\Pictures", 1, Outcome::Found, "C:\\Users\\太郎\\Pictures\\旅行\\海.jpg"},
      {"C:\\Users\\太郎\\Pictures\\", 2, Outcome::Found, "C:\\Users\\太郎\\Pictures\\夏.JPG"},
      // Windows takes either slash; what the user registered stays as written.
      {"c:/Users/太郎/Pictures/", 1, Outcome::Found, "c:/Users/太郎/Pictures/旅行\\海.jpg"},
      {"Pictures", 1, Outcome::Found, "C:\\Tivolen\\Pictures\\a.jpg"},
      {"D:\\写真", 1, Outcome::FolderMissing, "D:\\写真"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const FolderSearchResult found =
        SearchFolder(fake.files, fake->applicationDirectory, c.folder, c.target, 2);
    EXPECT_EQ(found.outcome, c.outcome);
    EXPECT_EQ(found.path, c.path);
  }
  EXPECT_EQ(CountFolderItems(fake.files, "C:\\Users\\太郎\\Pictures", 2), 3)
      << "旅行, 海.jpg, 夏.JPG";
}

TEST_F(WindowsPaths, TheChangerLogsTheChosenPictureAsWindowsWritesIt) {
  ImageList list;
  list.settings = {0, 0, 2};
  list.entries = {{pictures(), kKindFolderBase + 3, kStyleFit, 5}};
  dir.write("C/Tivolen/List.txt", writeImageList(list));
  RunState state;
  const Choice choice = SelectWallpaper(fake.platform(), state, 0, nullptr);
  EXPECT_EQ(choice.path, pictures("旅行\\海.jpg"));
  EXPECT_EQ(dir.read("C/Tivolen/WallPaper.log"),
            "#2026-12-07#\r\n1\r\n\"現在の壁紙ファイル：" + pictures("旅行\\海.jpg") + "\"\r\n");
}

TEST_F(WindowsPaths, TheStartupShortcutIsALinkToTheProgramFile) {
  fake.specialFolders.folders[SpecialFolder::Startup] = "C:\\Users\\太郎\\Startup";
  EXPECT_EQ(StartupShortcutPath(fake.platform()), "C:\\Users\\太郎\\Startup\\壁紙変更.lnk");
  EXPECT_TRUE(CreateStartupShortcut(fake.platform()));
  EXPECT_EQ(fake.events.front(), fake::shortcutEvent("C:\\Users\\太郎\\Startup\\壁紙変更.lnk",
                                                     "C:\\Tivolen\\Tivolen.exe", "C:\\Tivolen"));
  EXPECT_TRUE(dir.exists("C/Users/太郎/Startup/壁紙変更.lnk"));
}

TEST_F(WindowsPaths, TheManagerShowsAndSavesWindowsPaths) {
  fake.specialFolders.folders[SpecialFolder::Applications] = "C:\\Users\\太郎\\Start Menu";
  dir.write("C/Users/太郎/Start Menu/壁紙変更.lnk");
  const std::string list = testing::listBytes(
      0, 0, 2, {"\"" + pictures("夏.JPG") + "\",0,0,5", "\"" + pictures() + "\",6,0,5"});
  dir.write("C/Tivolen/List.txt", list);
  manager::EditForm form(fake.platform());
  form.Load();
  EXPECT_EQ(testing::listTexts(form), (std::vector<std::string>{"夏.JPG", "[フォルダ]Pictures\\"}));
  form.ExpandList();
  EXPECT_EQ(testing::listTexts(form),
            (std::vector<std::string>{"夏.JPG", "[フォルダ]Pictures\\", "..[フォルダ]旅行",
                                      "..\\海.jpg", "..\\夏.JPG"}));
  EXPECT_EQ(form.document().row(3).path, pictures("旅行\\\\海.jpg"));
  form.CollapseList();
  ASSERT_TRUE(form.SaveList());
  EXPECT_EQ(dir.read("C/Tivolen/List.txt"), list);
}

}  // namespace
}  // namespace tivolen

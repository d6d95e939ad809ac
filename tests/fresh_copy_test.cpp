// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/fresh_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "tests/temp_dir.h"

namespace tivolen {
namespace {

std::set<std::string> names(const std::string& folder) {
  std::set<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    found.insert(entry.path().filename().string());
  }
  return found;
}

TEST(FreshCopyTest, EachCopyHasANewNameAndTheSameContent) {
  testing::TempDir dir;
  const std::string source = dir.write("wallpaper.bmp", "BM pixels");
  const FreshCopy first = makeFreshWallpaperCopy(source, dir.path());
  const FreshCopy second = makeFreshWallpaperCopy(source, dir.path());
  ASSERT_TRUE(first.status.isOk());
  ASSERT_TRUE(second.status.isOk());
  EXPECT_NE(first.path, second.path);
  EXPECT_EQ(std::filesystem::path(first.path).parent_path(), dir.path());
  EXPECT_EQ(dir.read(std::filesystem::path(second.path).filename().string()), "BM pixels");
}

TEST(FreshCopyTest, CopyKeepsTheOldPicturesWhenWallpaperIsRewritten) {
  testing::TempDir dir;
  const std::string source = dir.write("wallpaper.bmp", "old");
  const FreshCopy copy = makeFreshWallpaperCopy(source, dir.path());
  ASSERT_TRUE(copy.status.isOk());
  // The renderer replaces wallpaper.bmp by a new file: the copy the desktop
  // shows must not change under it.
  dir.write("new.bmp", "new");
  std::filesystem::rename(dir / "new.bmp", source);
  EXPECT_EQ(dir.read(std::filesystem::path(copy.path).filename().string()), "old");
}

TEST(FreshCopyTest, RemovesOnlyEarlierCopies) {
  testing::TempDir dir;
  const std::string source = dir.write("wallpaper.bmp", "BM");
  for (const char* name : {"wallpaper-1.bmp", "wallpaper-1700000000000.bmp", "wallpaper-x.bmp",
                           "wallpaper-12.jpg", "my wallpaper-3.bmp", "List.txt"}) {
    dir.write(name, "keep?");
  }
  const FreshCopy copy = makeFreshWallpaperCopy(source, dir.path());
  ASSERT_TRUE(copy.status.isOk());
  removeOtherWallpaperCopies(dir.path(), copy.path);
  const std::string kept = std::filesystem::path(copy.path).filename().string();
  EXPECT_EQ(names(dir.path()),
            (std::set<std::string>{"wallpaper.bmp", kept, "wallpaper-x.bmp", "wallpaper-12.jpg",
                                   "my wallpaper-3.bmp", "List.txt"}));
}

TEST(FreshCopyTest, MissingSourceFailsAndLeavesNothing) {
  testing::TempDir dir;
  const FreshCopy copy = makeFreshWallpaperCopy(dir / "gone.bmp", dir.path());
  EXPECT_FALSE(copy.status.isOk());
  EXPECT_TRUE(copy.path.empty());
  EXPECT_TRUE(names(dir.path()).empty());
}

}  // namespace
}  // namespace tivolen

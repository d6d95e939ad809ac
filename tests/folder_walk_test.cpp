// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folder_walk.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_files.h"
#include "tests/folder_trees.h"
#include "tests/read_only_files.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::ReadOnlyMarkedFiles;
using testing::SearchTree;
using testing::TempDir;
using Outcome = FolderSearchResult::Outcome;

TEST(PictureNames, AreToldByTheirLastThreeLettersLowerCased) {
  struct Case {
    const char* name;
    bool image;
    const char* type;
  };
  const Case cases[] = {
      {"a.jpg", true, "jpg"},
      {"A.JPG", true, "jpg"},
      {"b.Bmp", true, "bmp"},
      {"anim.gif", true, "gif"},
      {"photo.jpeg", true, "peg"},
      {"PHOTO.JPEG", true, "peg"},
      {"/写真/夏 海.JPEG", true, "peg"},
      {"clip.mpeg", false, ""},  // a video, not a picture
      {"x.PEG", false, ""},
      {"peg", false, ""},
      {"jpg", true, "jpg"},  // no dot is needed, as in the old test
      {"notajpg", true, "jpg"},
      {"x.png", true, "png"},
      {"SHOT.PNG", true, "png"},
      {"dl.WebP", true, "webp"},
      {"/写真/IMG_0001.HEIC", true, "heic"},
      {"still.heif", true, "heif"},
      {"phone.avif", true, "avif"},
      {"x.pngx", false, ""},
      {"xpng", false, ""},  // the newer types need their dot
      {"webp", false, ""},
      {"x.ebp", false, ""},
      {"x.heic.txt", false, ""},
      {"icon.ICO", false, "ico"},  // rendered when a list names it, never counted
      {"draw.emf", false, "emf"},
      {"x.tif", false, ""},
      {"x.jp", false, ""},
      {"pg", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsImageName(c.name), c.image);
    EXPECT_EQ(PictureTypeOf(c.name), c.type);
  }
}

TEST(FolderAttributes, OnlyAPlainOrReadOnlyDirectoryIsAFolder) {
  EXPECT_TRUE(IsFolderAttributes(16));
  EXPECT_TRUE(IsFolderAttributes(17));
  for (int bits : {0, 1, 18, 19, 20, 48, 32}) {
    SCOPED_TRACE(bits);
    EXPECT_FALSE(IsFolderAttributes(bits));
  }
  EXPECT_FALSE(IsFolderAttributes(std::nullopt));
}

// root/ holds 3 images, two sub-folders, a dot folder, a hidden image and
// files that are no pictures. Each sub-folder holds images and one folder.
class CountTree : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("pics/1.jpg");
    dir.write("pics/PHOTO.JPEG");
    dir.write("pics/b.Bmp");
    dir.write("pics/x.pngx");
    dir.write("pics/clip.mpeg");
    dir.write("pics/.hidden.jpg");
    dir.write("pics/.cache/c1.jpg");
    dir.write("pics/.cache/c2.jpg");
    dir.write("pics/sub1/s1.jpg");
    dir.write("pics/sub1/s2.gif");
    dir.write("pics/sub1/deeper/d1.jpg");
    dir.write("pics/sub2/t1.jpg");
    dir.mkdir("pics/sub2/empty");
  }
  int count(const std::string& path, int depth) { return CountFolderItems(files, path, depth); }
  TempDir dir;
  fake::FakeFiles files;
};

TEST_F(CountTree, CountsSubFoldersAndImagesToTheDepth) {
  struct Case {
    int depth;
    int expected;
  };
  // Depth 0: sub1, sub2 and the three images. Depth 1 adds s1, s2, deeper,
  // t1 and empty (folders one level below the depth are counted, not
  // entered). Depth 2 adds d1.
  const Case cases[] = {{0, 5}, {1, 10}, {2, 11}, {10, 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    EXPECT_EQ(count(dir / "pics", c.depth), c.expected);
  }
}

TEST_F(CountTree, APathCountsTheSameWithOrWithoutItsSlash) {
  EXPECT_EQ(count(dir / "pics", 0), 5);
  EXPECT_EQ(count(dir / "pics/", 0), 5);
}

TEST_F(CountTree, AVanishedOrEmptyFolderCountsZero) {
  EXPECT_EQ(count(dir / "gone", 2), 0);
  EXPECT_EQ(count(dir / "pics/sub2/empty", 2), 0);
  dir.write("hidden-only/.a.jpg");
  EXPECT_EQ(count(dir / "hidden-only", 2), 0);
}

TEST_F(CountTree, ADepthBelowTheFolderItselfCountsNothing) {
  EXPECT_EQ(count(dir / "pics", -1), 0);
}

TEST_F(CountTree, ReadOnlySubFoldersAreCountedAndEntered) {
  ReadOnlyMarkedFiles marked;
  marked.readOnlyFolders.insert(dir / "pics/sub1");
  EXPECT_EQ(CountFolderItems(marked, dir / "pics", 1), 10);
}

TEST_F(CountTree, ScanListsFoldersAndPicturesInNameOrder) {
  dir.write("pics/A.gif");
  dir.mkdir("pics/Sub0");
  const FolderScan scan = ScanFolder(files, dir / "pics");
  EXPECT_TRUE(scan.found);
  EXPECT_EQ(scan.subFolders, (std::vector<std::string>{"Sub0", "sub1", "sub2"}));
  EXPECT_EQ(scan.images, (std::vector<std::string>{"1.jpg", "A.gif", "b.Bmp", "PHOTO.JPEG"}));
  EXPECT_FALSE(ScanFolder(files, dir / "gone").found);
  EXPECT_FALSE(ScanFolder(files, dir / "pics/sub2/empty").found);
}

// Both systems list a folder in the same order, so a folder position picks
// the same picture on either: upper-cased characters compared as UTF-16,
// beyond ASCII too.
TEST(FolderListing, OrdersNamesBeyondAsciiAsWindowsDoes) {
  TempDir dir;
  const std::vector<std::string> expected = {
      "apfel.jpg", "zebra.jpg",
      "ärger.jpg",  // Ä, U+00C4, before Ö
      "Öl.jpg",    "写真.jpg",
      "😀.jpg",     // a surrogate pair sorts below U+E000 and up
      "ａ２.jpg",  // full-width: Ａ before Ｂ whatever their case
      "Ｂ１.jpg",
  };
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) dir.write("list/" + *it);
  const auto entries = fake::NativeFileSystem()->listFolder(dir / "list");
  ASSERT_TRUE(entries.has_value());
  std::vector<std::string> names;
  for (const FolderEntry& entry : *entries) names.push_back(entry.name);
  EXPECT_EQ(names, expected);
}

// A listing of any size without building it on disk.
class WideFolder final : public FileSystem {
 public:
  explicit WideFolder(int images, int folders = 0) : images_(images), folders_(folders) {}
  mutable int listings = 0;
  [[nodiscard]] bool fileExists(const std::string&) const override { return true; }
  [[nodiscard]] bool folderExists(const std::string&) const override { return true; }
  [[nodiscard]] std::optional<int> attributes(const std::string&) const override {
    return attr::kDirectory;
  }
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string&) const override {
    ++listings;
    std::vector<FolderEntry> entries;
    for (int i = 0; i < folders_; ++i)
      entries.push_back({"d" + std::to_string(i), attr::kDirectory});
    for (int i = 0; i < images_; ++i) entries.push_back({"p" + std::to_string(i) + ".jpg", 0});
    return entries;
  }
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(const std::string&) const override {
    return std::nullopt;
  }
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string&) const override {
    return std::nullopt;
  }
  [[nodiscard]] std::optional<std::string> readFile(const std::string&) const override {
    return std::nullopt;
  }
  Status writeFileAtomically(const std::string&, std::string_view) override {
    return Status::failed("read-only");
  }
  Status removeFile(const std::string&) override { return Status::failed("read-only"); }

 private:
  int images_;
  int folders_;
};

TEST(CountFolderItemsLimit, AHugeTreeIsCountedOnlyToTheLimit) {
  // Every folder holds 100 folders, as "/" seems to at depth 10: walked
  // whole, that is 100^10 listings.
  WideFolder tree(3, 100);
  std::string path = "/";
  EXPECT_EQ(CountFolderItems(tree, path, 10), 32764);
  EXPECT_LT(tree.listings, 400);
}

TEST(CountFolderItemsLimit, StopsWhereAKindStillFitsSixteenBits) {
  for (const auto& [images, expected] :
       {std::pair{32764, 32764}, std::pair{32765, 32764}, std::pair{100000, 32764}}) {
    SCOPED_TRACE(images);
    WideFolder wide(images);
    std::string path = "/wide";
    EXPECT_EQ(CountFolderItems(wide, path, 0), expected);
  }
}

TEST_F(SearchTree, NumbersImagesDepthFirstWithTheFolderOwnFilesLast) {
  struct Case {
    int depth;
    int target;
    const char* expected;  // relative to root, or nullptr when too few
    int counted;
  };
  const Case cases[] = {
      {2, 1, "a/deep/d.jpg", 1}, {2, 2, "a/x.jpg", 2}, {2, 3, "B/y.JPG", 3}, {2, 4, "ro/r.jpg", 4},
      {2, 5, "r1.jpeg", 5},      {2, 6, "R2.bmp", 6},  {2, 7, nullptr, 6},   {1, 1, "a/x.jpg", 1},
      {1, 3, "ro/r.jpg", 3},     {1, 6, nullptr, 5},   {0, 1, "r1.jpeg", 1}, {0, 2, "R2.bmp", 2},
      {0, 3, nullptr, 2},        {2, 0, nullptr, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "depth " << c.depth << " target " << c.target);
    const FolderSearchResult found = search(dir / "app/root", c.target, c.depth);
    if (c.expected) {
      EXPECT_EQ(found.outcome, Outcome::Found);
      EXPECT_EQ(found.path, dir / ("app/root/" + std::string(c.expected)));
    } else {
      EXPECT_EQ(found.outcome, Outcome::TooFewImages);
      EXPECT_EQ(found.path, "");
    }
    EXPECT_EQ(found.counted, c.counted);
  }
}

TEST_F(SearchTree, ReadOnlyFoldersAreSearchedAsTheyAreCounted) {
  // Marked or not, ro/r.jpg comes before the root's own files.
  ReadOnlyMarkedFiles plain;
  EXPECT_EQ(SearchFolder(plain, dir / "app", dir / "app/root", 4, 2).path,
            dir / "app/root/ro/r.jpg");
  EXPECT_EQ(search(dir / "app/root", 4, 2).path, dir / "app/root/ro/r.jpg");
  std::string path = dir / "app/root";
  EXPECT_EQ(CountFolderItems(files, path, 1), 9) << "a, B, ro, deep and five images";
}

TEST_F(SearchTree, ARelativeFolderLivesUnderTheApplicationDirectory) {
  const FolderSearchResult found =
      search(std::string("root") + PathRules::native().separator(), 2, 2);
  EXPECT_EQ(found.outcome, Outcome::Found);
  EXPECT_EQ(found.path, dir / "app/root/a/x.jpg");
  EXPECT_EQ(search("root", 1, 0).path, dir / "app/root/r1.jpeg");
}

TEST_F(SearchTree, AFolderFoundNowhereIsReportedAsMissing) {
  for (const std::string& folder : {dir / "app/gone/", std::string("gone"), std::string()}) {
    SCOPED_TRACE(folder);
    const FolderSearchResult found = search(folder, 1, 2);
    EXPECT_EQ(found.outcome, Outcome::FolderMissing);
    EXPECT_EQ(found.path, folder);
  }
}

TEST_F(SearchTree, AFolderThatCannotBeListedIsReportedAsUnreadable) {
  files.unlistableFolders.insert(dir / "app/root");
  const FolderSearchResult found = search(dir / "app/root/", 1, 2);
  EXPECT_EQ(found.outcome, Outcome::FolderUnreadable);
  EXPECT_EQ(found.path, dir / "app/root/");
}

TEST_F(SearchTree, AnEmptyFolderHoldsNoImages) {
  dir.mkdir("app/empty");
  const FolderSearchResult found = search(dir / "app/empty", 1, 2);
  EXPECT_EQ(found.outcome, Outcome::TooFewImages);
  EXPECT_EQ(found.counted, 0);
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// What only a POSIX file system shows: permission bits, symbolic links,
// names differing only in case side by side, and the writer's temporaries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include "common/folder_order.h"
#include "common/folder_walk.h"
#include "manager/list_document.h"
#include "platform/linux/atomic_file.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/posix_processes.h"
#include "platform/linux/posix_run_lock.h"
#include "tests/folder_trees.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::SearchTree;
using testing::TempDir;

TEST(PosixFiles, AtomicWriteReplacesWholeAndLeavesNoTemporaries) {
  TempDir dir;
  PosixFileSystem files;
  const std::string list = dir / "List.txt";
  ASSERT_TRUE(files.writeFileAtomically(list, "old").isOk());
  ASSERT_TRUE(files.writeFileAtomically(list, "new contents").isOk());
  EXPECT_EQ(files.readFile(list), "new contents");
  const auto entries = files.listFolder(dir.path());
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->size(), 1U);
}

TEST(PosixFiles, FailedWriteKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  PosixFileSystem files;
  const std::string list = dir.write("ro/List.txt", "old");
  chmod((dir / "ro").c_str(), 0555);
  EXPECT_FALSE(files.writeFileAtomically(list, "new").isOk());
  EXPECT_EQ(dir.read("ro/List.txt"), "old");
}

TEST(PosixFiles, AtomicWriteGoesThroughLinksAndKeepsTheFilesMode) {
  struct Case {
    const char* name;
    const char* link;    // the name the programs write
    const char* target;  // what the link leads to, as written in the link
    const char* real;    // the file that must receive the contents
  };
  const Case cases[] = {
      {"list linked to another folder", "app/List.txt", "DIR/kept/list.txt", "kept/list.txt"},
      {"log linked relatively", "app/WallPaper.log", "../kept/log.txt", "kept/log.txt"},
      {"link to a link", "app/List.txt", "List2.txt", "kept/chain.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PosixFileSystem files;
    dir.mkdir("app");
    const std::string real = dir.write(c.real, "old");
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    std::string target = c.target;
    if (target.starts_with("DIR/")) target = dir.path() + target.substr(3);
    if (target == "List2.txt") {
      ASSERT_EQ(symlink(real.c_str(), (dir / "app/List2.txt").c_str()), 0);
    }
    const std::string link = dir / c.link;
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    ASSERT_TRUE(files.writeFileAtomically(link, "new contents").isOk());
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(dir.read(c.real), "new contents");
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600U);
    // The temporary lived beside the target and is gone.
    EXPECT_EQ(files.listFolder(dir / "kept")->size(), 1U);
  }
}

TEST(PosixFiles, AtomicWriteRefusesALoopOfLinks) {
  TempDir dir;
  PosixFileSystem files;
  ASSERT_EQ(symlink((dir / "b").c_str(), (dir / "a").c_str()), 0);
  ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "b").c_str()), 0);
  EXPECT_FALSE(files.writeFileAtomically(dir / "a", "x").isOk());
  struct stat info {};
  ASSERT_EQ(lstat((dir / "a").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(PosixFiles, NextStartRemovesOnlyOwnTemporariesOlderThanAMinute) {
  TempDir dir;
  const auto aged = [&](const std::string& name, int seconds) {
    const std::string path = dir.write(name, "x");
    const timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
  };
  aged("wallpaper.bmp.tmp-Ab12Cd", 120);  // left by a killed save
  aged("List.txt.tmp-x9Y8z7", 61);
  aged("List.txt.tmp-q1w2e3", 5);      // a save running right now
  aged("holiday.tmp-notes.txt", 600);  // the user's own file
  aged("List.txt", 600);
  EXPECT_EQ(removeStaleTemporaries(dir.path()), 2);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left,
            (std::vector<std::string>{"List.txt", "List.txt.tmp-q1w2e3", "holiday.tmp-notes.txt"}));
}

TEST(PosixFiles, ListsFoldersInNameOrderWithDerivedAttributes) {
  TempDir dir;
  PosixFileSystem files;
  dir.write("b.jpg");
  dir.write("A.jpg");
  dir.write(".hidden.jpg");
  dir.mkdir("c");
  const auto entries = files.listFolder(dir.path());
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->size(), 4U);
  EXPECT_EQ((*entries)[0].name, ".hidden.jpg");
  EXPECT_EQ((*entries)[0].attributes, attr::kHidden);
  EXPECT_EQ((*entries)[1].name, "A.jpg");
  EXPECT_EQ((*entries)[2].name, "b.jpg");
  EXPECT_EQ((*entries)[3].name, "c");
  EXPECT_EQ((*entries)[3].attributes, attr::kDirectory);
  EXPECT_FALSE(files.listFolder(dir / "missing").has_value());
  EXPECT_TRUE(files.fileExists(dir / "b.jpg"));
  EXPECT_FALSE(files.fileExists(dir / ".hidden.jpg"));
  EXPECT_FALSE(files.fileExists(dir / "c"));
  EXPECT_EQ(files.attributes(dir / "c"), attr::kDirectory);
  EXPECT_EQ(files.attributes(dir / "missing"), std::nullopt);
}

// Walk positions depend on this order, and the listing sorts by a fast path
// that must agree with the character-by-character rule.
TEST(FolderListing, SortsByFoldedNameThenLengthThenExactBytes) {
  TempDir dir;
  const std::vector<std::string> expected = {
      "AAAAAAAAa-",  // differs from the next in the second word
      "aaaaaaaaB",
      "abc",
      "ABCD",                    // a longer name after its own prefix
      "PHOTO_1234567890_a.jpg",  // three names alike in their first 16 bytes
      "Photo_1234567890_A.jpg",
      "photo_1234567890_b.jpg",
      "X",
      "x",
      "Zeta",
      "_under",  // '_' folds after the letters
      "写真.jpg",
  };
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) dir.write("list/" + *it);
  const auto entries = PosixFileSystem().listFolder(dir / "list");
  ASSERT_TRUE(entries.has_value());
  std::vector<std::string> names;
  for (const FolderEntry& entry : *entries) names.push_back(entry.name);
  EXPECT_EQ(names, expected);
}

// Names Linux allows and Windows never shows side by side (case twins,
// damaged UTF-8 from old disks): the quick path and the full rule must still
// agree, or positions differ between runs and the sort itself goes wrong.
TEST(FolderListing, QuickOrderAgreesWithTheFullRuleOnAnyBytes) {
  TempDir dir;
  const std::vector<std::string> pieces = {"a",    "A",    "b",  "_", "1",  "é",  "É",
                                           "\xC3", "\xA9", "写", "😀", "ａ", "Ｂ", "abcdefgh"};
  std::mt19937 random(7);
  std::set<std::string> names;
  while (names.size() < 400) {
    std::string name;
    for (auto n = random() % 6 + 1; n > 0; --n) name += pieces[random() % pieces.size()];
    names.insert(name);
  }
  for (const std::string& name : names) dir.write("list/" + name);
  std::vector<std::string> expected(names.begin(), names.end());
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    if (LessByFolderOrder(a, b) || LessByFolderOrder(b, a)) return LessByFolderOrder(a, b);
    return a < b;
  });
  const auto entries = PosixFileSystem().listFolder(dir / "list");
  ASSERT_TRUE(entries.has_value());
  std::vector<std::string> listed;
  for (const FolderEntry& entry : *entries) listed.push_back(entry.name);
  EXPECT_EQ(listed, expected);
}

TEST_F(SearchTree, RealReadOnlyFolderIsEntered) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write everywhere";
  PosixFileSystem real;
  chmod((dir / "app/root/a").c_str(), 0555);
  EXPECT_EQ(SearchFolder(real, dir / "app", dir / "app/root", 1, 2).path,
            dir / "app/root/a/deep/d.jpg");
}

// The real file system, which ends a walk that lists more folders than
// `budget`: a walk gone round a maze of links then fails at once instead of
// running for minutes.
class ListingBudget final : public FileSystem {
 public:
  explicit ListingBudget(int budget) : budget_(budget) {}
  mutable int listings = 0;
  [[nodiscard]] bool fileExists(const std::string& path) const override {
    return real_.fileExists(path);
  }
  [[nodiscard]] bool folderExists(const std::string& path) const override {
    return real_.folderExists(path);
  }
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override {
    return real_.attributes(path);
  }
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override {
    if (++listings > budget_) throw std::runtime_error("more listings than the tree has folders");
    return real_.listFolder(folder);
  }
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override {
    return real_.folderIdentity(folder);
  }
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override {
    return real_.fileSize(path);
  }
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override {
    return real_.readFile(path);
  }
  Status writeFileAtomically(const std::string& path, std::string_view contents) override {
    return real_.writeFileAtomically(path, contents);
  }
  Status removeFile(const std::string& path) override { return real_.removeFile(path); }

 private:
  int budget_;
  PosixFileSystem real_;
};

// maze/l0 (registered) to maze/l10: every level holds four links to the
// next and no folder of its own; l5 holds five.jpg, l10 bottom.jpg. Walked
// down every road that is 4^10 folders; there are eleven.
class LinkMaze : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int level = 0; level <= 10; ++level) dir.mkdir("maze/l" + std::to_string(level));
    for (int level = 0; level < 10; ++level) {
      for (const char* name : {"a", "b", "c", "d"}) {
        link("l" + std::to_string(level + 1), "maze/l" + std::to_string(level) + "/" + name);
      }
    }
    dir.write("maze/l5/five.jpg");
    dir.write("maze/l10/bottom.jpg");
  }
  void link(const std::string& level, const std::string& at) {
    std::filesystem::create_directory_symlink(dir / ("maze/" + level), dir / at);
  }
  int count(int depth) { return CountFolderItems(files, root, depth); }
  FolderSearchResult search(int target, int depth) {
    return SearchFolder(files, dir.path(), root, target, depth);
  }
  std::vector<std::string> expansion(int depth) {
    manager::ListDocument document;
    document.AppendRow({"l0/", root, kKindFolderBase + 1, kStyleFit, 5});
    document.ExpandList(files, depth);
    std::vector<std::string> rows;
    for (int i = 1; i < document.rowCount(); ++i) rows.push_back(document.row(i).text);
    return rows;
  }

  TempDir dir;
  std::string root = dir / "maze/l0";
  ListingBudget files{200};
};

TEST_F(LinkMaze, EachFolderIsWalkedOnceWhateverTheRoadsToIt) {
  EXPECT_EQ(count(10), 12) << "ten folders and two pictures";
  EXPECT_EQ(search(1, 10).path, root + "/a/a/a/a/a/a/a/a/a/a/bottom.jpg");
  EXPECT_EQ(search(2, 10).path, root + "/a/a/a/a/a/five.jpg");
  const FolderSearchResult past = search(3, 10);
  EXPECT_EQ(past.outcome, FolderSearchResult::Outcome::TooFewImages);
  EXPECT_EQ(past.counted, 2);
  const std::vector<std::string> rows = expansion(10);
  EXPECT_EQ(rows.size(), 12U);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "../five.jpg"), 1);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "../bottom.jpg"), 1);
}

TEST_F(LinkMaze, AShorterRoadStillReachesWhatTheDepthCutOffALongerOne) {
  // At depth 3 the road a/a/a ends at l3, whose l4 is past the depth; z
  // reaches l3 nearer the top, and below it l5 with its picture.
  link("l3", "maze/l0/z");
  EXPECT_EQ(count(3), 9) << "a, a/a, a/a/a, a/a/a/a, z, z/a, z/a/a, z/a/a/a, five.jpg";
  EXPECT_EQ(search(1, 3).path, root + "/z/a/a/five.jpg");
  EXPECT_EQ(search(2, 3).counted, 1);
  const std::vector<std::string> rows = expansion(3);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "../five.jpg"), 1);
}

TEST_F(SearchTree, LinksBackUpTheTreeAreNotFollowed) {
  // Four links to folders above them at every level: followed, the walk
  // grows as 4^(depth+1) and never ends at depth 10.
  const auto link = [&](const std::string& target, const std::string& at) {
    std::filesystem::create_directory_symlink(target, dir / at);
  };
  link(".", "app/root/self");
  link(dir / "app/root", "app/root/top");
  for (const std::string folder : {"app/root/a/", "app/root/a/deep/"}) {
    link(".", folder + "self");
    link("..", folder + "up");
    link("..", folder + "again");
    link(dir / "app/root", folder + "top");
  }
  EXPECT_EQ(search(dir / "app/root", 5, 10).path, dir / "app/root/r1.jpeg");
  EXPECT_EQ(search(dir / "app/root", 9, 10).counted, 6);
  std::string path = dir / "app/root";
  EXPECT_EQ(CountFolderItems(files, path, 10), 10) << "a, B, ro, deep and six images";
}

// Two changers started together: the second waits for the first, but never
// longer than it is told, and a program the first started (the launcher)
// must not keep the lock after the first has ended.
TEST(PosixRunLock, WaitsForTheHolderAtMostAsLongAsToldAndIsNotInherited) {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  TempDir dir;
  const std::string path = dir / ".Tivolen.lock";
  auto first = std::make_unique<PosixRunLock>();
  ASSERT_TRUE(first->acquire(path, milliseconds(0)).isOk());

  PosixRunLock second;
  const auto before = steady_clock::now();
  const Status busy = second.acquire(path, milliseconds(300));
  const auto waited = steady_clock::now() - before;
  EXPECT_EQ(busy.code, Status::Code::Unavailable) << busy.message;
  EXPECT_GE(waited, milliseconds(300));
  EXPECT_LT(waited, milliseconds(3000));

  // A launcher started while the lock is held, still running afterwards.
  const std::string launcher = dir.write("launcher", "#!/bin/sh\nsleep 3\n");
  std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
  PosixProcesses processes;
  ASSERT_TRUE(processes.start(launcher, WindowState::Minimized).isOk());

  // The holder ends while the second waits: the second goes on at once.
  std::thread holderEnds([&first] {
    std::this_thread::sleep_for(milliseconds(200));
    first.reset();
  });
  const auto waitStart = steady_clock::now();
  const Status taken = second.acquire(path, milliseconds(2500));
  const auto tookFor = steady_clock::now() - waitStart;
  holderEnds.join();
  EXPECT_TRUE(taken.isOk()) << taken.message << " (the launcher kept the lock?)";
  EXPECT_LT(tookFor, milliseconds(2000));
}

}  // namespace
}  // namespace tivolen

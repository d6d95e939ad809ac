// SPDX-License-Identifier: GPL-3.0-or-later
// The three walks of a registered folder over a small real tree that the
// input describes: folders, pictures and files that are none, hidden ones,
// and links to any folder of the tree (above, beside or below). Each walk
// must end quickly, and they must agree: the search finds a picture at every
// position up to the number of pictures and none past it, each a picture
// file that is there; the count holds those pictures and the folders it met;
// the manager's expansion shows the same pictures in the same order.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/folder_walk.h"
#include "manager/list_document.h"
#include "platform/linux/posix_file_system.h"

namespace {

namespace fs = std::filesystem;

// One folder for the whole run, removed with the trees in it at the end.
class FuzzDirectory {
 public:
  FuzzDirectory() {
    std::string pattern = (fs::temp_directory_path() / "fuzz-walk-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~FuzzDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  FuzzDirectory(const FuzzDirectory&) = delete;
  FuzzDirectory& operator=(const FuzzDirectory&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& fuzzDirectory() {
  static const FuzzDirectory directory;
  return directory.path();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// Names as users give them: case that sorts apart from its bytes, a name
// beyond ASCII, a dot name that hides; some are no pictures at all.
constexpr const char* kFolderNames[] = {"a", "B", "c", "写真", "_x", ".dot", "Z"};
constexpr const char* kFileNames[] = {"p.jpg",  "Q.JPEG", "r.png",  "s.bmp",  "t.gif",
                                      "u.heic", "v.txt",  ".h.jpg", "w.webp", "x.ico",
                                      "jpg",    "y.mpeg", "z.avif", "A.Jpg"};

// The tree: folders[0] is the registered one; each folder knows its parent.
struct Tree {
  std::vector<fs::path> folders;
  std::vector<int> parents;
  int links = 0;

  bool addFolder(int parent, const char* name) {
    const fs::path path = folders[static_cast<std::size_t>(parent)] / name;
    std::error_code error;
    if (!fs::create_directory(path, error) || error) return false;
    folders.push_back(path);
    parents.push_back(parent);
    return true;
  }
  void addFile(int folder, const char* name) {
    const fs::path path = folders[static_cast<std::size_t>(folder)] / name;
    if (!fs::exists(path)) std::ofstream(path) << "x";
  }
  void addLink(int folder, int target) {
    const fs::path path =
        folders[static_cast<std::size_t>(folder)] / ("l" + std::to_string(links++));
    std::error_code error;
    fs::create_directory_symlink(folders[static_cast<std::size_t>(target)], path, error);
  }
  // The folder's ancestor `up` levels above it (itself at 0), the root at most.
  [[nodiscard]] int ancestor(int folder, int up) const {
    while (up-- > 0 && folder != 0) folder = parents[static_cast<std::size_t>(folder)];
    return folder;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const fs::path root = fuzzDirectory() / "root";
  std::error_code ignored;
  fs::remove_all(root, ignored);
  fs::create_directory(root);

  const int depth = data[0] % 11;
  Tree tree{{root}, {0}};
  // Two bytes an operation; small trees are where the walks differ.
  constexpr std::size_t kMaxOperations = 40;
  for (std::size_t i = 1; i + 1 < size && i / 2 < kMaxOperations; i += 2) {
    const int kind = data[i] % 4;
    const int choice = data[i] / 4;
    const int folder = data[i + 1] % static_cast<int>(tree.folders.size());
    switch (kind) {
      case 0:
        tree.addFolder(folder, kFolderNames[choice % std::size(kFolderNames)]);
        break;
      case 1:
        tree.addFile(folder, kFileNames[choice % std::size(kFileNames)]);
        break;
      case 2:
        tree.addLink(folder, tree.ancestor(folder, choice % 12));
        break;
      default:
        tree.addLink(folder, choice % static_cast<int>(tree.folders.size()));
        break;
    }
  }

  const tivolen::PosixFileSystem files;
  const std::string rootPath = root.string();

  const int count = tivolen::CountFolderItems(files, rootPath, depth);

  tivolen::manager::ListDocument document;
  document.AppendRow({"root/", rootPath, tivolen::kKindFolderBase + 1, 3, 5});
  if (!document.ExpandList(files, depth)) fail("the expansion was cut");
  std::vector<std::string> shown;
  for (int i = 1; i < document.rowCount(); ++i) {
    const tivolen::manager::ListRow& row = document.row(i);
    if (row.kind != tivolen::manager::kKindFolderImage) continue;
    // A picture row marks its place with two separators.
    std::string path = row.path;
    const std::size_t mark = path.rfind("//");
    if (mark == std::string::npos) fail("picture row without its mark: " + path);
    path.erase(mark, 1);
    shown.push_back(path);
  }
  const int pictures = static_cast<int>(shown.size());
  if (pictures > count) {
    fail(std::to_string(pictures) + " pictures shown where the count is " + std::to_string(count));
  }

  // Every position while there are few; then a spread of them and both ends.
  std::vector<int> targets;
  const int step = pictures <= 32 ? 1 : pictures / 16;
  for (int target = 1; target <= pictures; target += step) targets.push_back(target);
  targets.push_back(pictures);
  targets.push_back(pictures + 1);
  for (const int target : targets) {
    if (target < 1) continue;
    const tivolen::FolderSearchResult result =
        tivolen::SearchFolder(files, fuzzDirectory().string(), rootPath, target, depth);
    const std::string at =
        "search for " + std::to_string(target) + " of " + std::to_string(pictures) + ": ";
    if (target > pictures) {
      if (result.outcome != tivolen::FolderSearchResult::Outcome::TooFewImages ||
          result.counted != pictures) {
        fail(at + "found " + result.path + ", counted " + std::to_string(result.counted));
      }
      continue;
    }
    if (result.outcome != tivolen::FolderSearchResult::Outcome::Found) fail(at + "nothing");
    if (result.path != shown[static_cast<std::size_t>(target - 1)]) {
      fail(at + result.path + ", shown as " + shown[static_cast<std::size_t>(target - 1)]);
    }
    if (!tivolen::IsImageName(result.path) || !files.fileExists(result.path)) {
      fail(at + result.path + " is no picture file");
    }
  }
  return 0;
}

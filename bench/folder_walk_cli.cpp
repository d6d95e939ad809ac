// SPDX-License-Identifier: GPL-3.0-or-later
// One folder walk per process, so that hyperfine can time it beside find(1)
// on the same tree:
//   folder_walk_cli generate DIR          the synthetic tree
//   folder_walk_cli images DIR DEPTH      how many images the search counts
//   folder_walk_cli search DIR TARGET DEPTH
//   folder_walk_cli count DIR DEPTH
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/folder_walk.h"
#include "platform/linux/posix_file_system.h"

namespace {

using tivolen::FolderSearchResult;

// 10 folders, 9 in each, 10 in each of those: 1,000 folders on three
// levels, 100 files in every one. Seven names in ten are pictures; the rest
// look close to them (.png, .txt, .mpeg).
constexpr int kTop = 10;
constexpr int kMiddle = 9;
constexpr int kBottom = 10;
constexpr int kFilesPerFolder = 100;
constexpr std::array<std::string_view, 10> kSuffixes = {".jpg", ".jpg", ".jpg", ".JPG", ".jpeg",
                                                        ".gif", ".Bmp", ".txt", ".png", ".mpeg"};

bool makeFolder(const std::string& path) {
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool fillFolder(const std::string& folder, int folderIndex) {
  if (!makeFolder(folder)) return false;
  for (int i = 0; i < kFilesPerFolder; ++i) {
    const int n = folderIndex * kFilesPerFolder + i;
    std::string name = (n % 3 == 0 ? "Photo " : n % 3 == 1 ? "img_" : "Scan-") + std::to_string(n);
    name += kSuffixes[static_cast<std::size_t>(n % 10)];
    const int fd = open((folder + '/' + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
  }
  return true;
}

bool generate(const std::string& root) {
  if (!makeFolder(root)) return false;
  int folderIndex = 0;
  for (int a = 0; a < kTop; ++a) {
    const std::string top = root + "/set " + std::to_string(a);
    if (!fillFolder(top, folderIndex++)) return false;
    for (int b = 0; b < kMiddle; ++b) {
      const std::string middle = top + "/Part" + std::to_string(b);
      if (!fillFolder(middle, folderIndex++)) return false;
      for (int c = 0; c < kBottom; ++c) {
        if (!fillFolder(middle + "/day_" + std::to_string(c), folderIndex++)) return false;
      }
    }
  }
  return true;
}

bool parse(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int usage() {
  std::fputs(
      "usage: folder_walk_cli generate DIR | images DIR DEPTH | search DIR TARGET DEPTH | "
      "count DIR DEPTH\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string_view command = argv[1];
  std::string folder = argv[2];
  const tivolen::PosixFileSystem files;

  if (command == "generate" && argc == 3) {
    if (!generate(folder)) {
      std::perror(folder.c_str());
      return 1;
    }
    return 0;
  }
  int depth = 0;
  if (command == "count" && argc == 4 && parse(argv[3], depth)) {
    std::printf("%d\n", tivolen::CountFolderItems(files, folder, depth));
    return 0;
  }
  if (command == "images" && argc == 4 && parse(argv[3], depth)) {
    const FolderSearchResult found = tivolen::SearchFolder(files, ".", folder, INT_MAX, depth);
    std::printf("%d\n", found.counted);
    return found.outcome == FolderSearchResult::Outcome::FolderMissing ? 1 : 0;
  }
  int target = 0;
  if (command == "search" && argc == 5 && parse(argv[3], target) && parse(argv[4], depth)) {
    const FolderSearchResult found = tivolen::SearchFolder(files, ".", folder, target, depth);
    if (found.outcome != FolderSearchResult::Outcome::Found) {
      std::fprintf(stderr, "not found: the tree holds %d images\n", found.counted);
      return 1;
    }
    std::printf("%s\n", found.path.c_str());
    return 0;
  }
  return usage();
}

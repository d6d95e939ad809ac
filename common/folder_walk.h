// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/picture_types.h"
#include "platform/file_system.h"

namespace tivolen {

// A folder's count is stored as 3 + count in a 16-bit kind, so it stops here.
inline constexpr int kMaxFolderCount = 32764;

// A folder is a directory with no attribute but read-only: exactly 16 or 17.
bool IsFolderAttributes(std::optional<int> attributes);

// What one folder holds by the manager's rules: its sub-folders (exactly 16
// or 17, not dot-named) and its picture files (not hidden), by name, in the
// platform's listing order.
struct FolderScan {
  // False when the folder cannot be listed or holds nothing visible.
  bool found = false;
  std::vector<std::string> subFolders;
  std::vector<std::string> images;
};
// folderPath may lack its trailing separator.
FolderScan ScanFolder(const FileSystem& files, const std::string& folderPath);

// The folders one walk of a registered tree has entered, by identity, each
// with the shallowest level it was entered at. A link back up, or a second
// road to a folder already walked (links to a sibling, a maze of links to
// the next level), then costs one look instead of a walk of its own: the
// walk stays as long as the tree is, whatever its links. A folder reached
// again nearer the top is walked again, so that the depth cut never hides
// what lies below it.
class FolderVisits {
 public:
  explicit FolderVisits(const FileSystem& files) : files_(files) {}
  // False when `folder` was already entered at `level` or nearer the top.
  // A folder whose identity cannot be looked at is always entered.
  bool enter(const std::string& folder, int level);

 private:
  const FileSystem& files_;
  std::map<std::pair<std::uint64_t, std::uint64_t>, int> levels_;
};

// Counts what a registered folder holds down to depthSetting (the folder
// itself is level 0): every sub-folder met plus every image. folderPath may
// lack its trailing separator. The result never passes `cap`, and the walk
// stops there; a folder that cannot be listed counts 0, and a folder the
// walk has already entered (FolderVisits) counts nothing.
int CountFolderItems(const FileSystem& files, std::string_view folderPath, int depthSetting,
                     int cap = kMaxFolderCount);

struct FolderSearchResult {
  enum class Outcome {
    Found,             // path is the image
    TooFewImages,      // the tree holds only `counted` images (to the depth)
    FolderMissing,     // path is the registered folder, which is not there
    FolderUnreadable,  // path is the registered folder, which may not be listed
  };
  Outcome outcome = Outcome::TooFewImages;
  std::string path;
  int counted = 0;
};

// The target-th image (from 1) of a registered folder tree, numbered depth
// first: every sub-folder's images (its own sub-folders first) before the
// folder's own files. Sub-folders are those ScanFolder gives, read-only or
// not, so both programs see the same tree; a folder the walk has already
// entered is passed over, as the count passes it over. Depth 0 searches the
// folder alone. A relative folder is tried again under applicationDirectory.
FolderSearchResult SearchFolder(const FileSystem& files, std::string_view applicationDirectory,
                                std::string_view folderPath, int target, int depth);

}  // namespace tivolen

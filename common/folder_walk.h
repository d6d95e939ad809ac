#pragma once

#include <optional>
#include <string>
#include <string_view>
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

// Counts what a registered folder holds down to depthSetting: every
// sub-folder met plus every image. Appends the separator to folderPath when it lacks
// one (the caller sees it); depthCounter is left as found. The result never
// passes `cap`, and the walk stops there; a folder that cannot be listed
// counts 0, and a link back to a folder the walk is inside counts nothing.
int CountFolderItems(const FileSystem& files, std::string& folderPath, int& depthCounter,
                     int depthSetting, int cap = kMaxFolderCount);

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
// not, so both programs see the same tree; a link back to a folder the walk
// is inside is passed over. Depth 0 searches the folder alone. A relative
// folder is tried again under applicationDirectory.
FolderSearchResult SearchFolder(const FileSystem& files, std::string_view applicationDirectory,
                                std::string_view folderPath, int target, int depth);

}  // namespace tivolen

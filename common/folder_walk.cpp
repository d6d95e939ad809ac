#include "common/folder_walk.h"

#include <algorithm>

namespace tivolen {
namespace {

bool isDotName(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

void endWithSlash(std::string& folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
}

bool isVisibleFile(const FolderEntry& entry) {
  return (entry.attributes & (attr::kDirectory | attr::kHidden | attr::kSystem)) == 0;
}

// The changer enters only plain directories; a read-only bit keeps it out.
bool isSearchedFolder(const FolderEntry& entry) {
  return entry.attributes == attr::kDirectory && !isDotName(entry.name);
}

// The manager's rule: entry attributes from the listing are the folder's own
// attribute set, so no second look-up per entry is needed.
bool isCountedFolder(const FolderEntry& entry) {
  return IsFolderAttributes(entry.attributes) && !isDotName(entry.name);
}

FolderScan scanListing(const std::vector<FolderEntry>& entries) {
  FolderScan scan;
  for (const FolderEntry& entry : entries) {
    if ((entry.attributes & (attr::kHidden | attr::kSystem)) != 0) continue;
    scan.found = true;
    if (isCountedFolder(entry)) scan.subFolders.push_back(entry.name);
  }
  for (const FolderEntry& entry : entries) {
    if (isVisibleFile(entry) && IsImageName(entry.name)) scan.images.push_back(entry.name);
  }
  return scan;
}

// folder ends in "/". The count is not capped here: the cap applies to the
// registered folder's total only.
int countBelow(const FileSystem& files, const std::string& folder, int& depthCounter,
               int depthSetting) {
  if (depthCounter > depthSetting) return 0;
  const auto entries = files.listFolder(folder);
  if (!entries) return 0;
  const FolderScan scan = scanListing(*entries);
  if (!scan.found) return 0;

  ++depthCounter;
  int count = static_cast<int>(scan.subFolders.size());
  for (const std::string& name : scan.subFolders) {
    count += countBelow(files, folder + name + '/', depthCounter, depthSetting);
  }
  count += static_cast<int>(scan.images.size());
  --depthCounter;
  return count;
}

class ImageSearch {
 public:
  ImageSearch(const FileSystem& files, int target, int depth)
      : files_(files), target_(target), depth_(depth) {}

  // folder ends in "/" and entries is its listing.
  std::optional<std::string> walk(const std::string& folder,
                                  const std::vector<FolderEntry>& entries, int level) {
    if (level > depth_) return std::nullopt;
    ++level;
    for (const FolderEntry& entry : entries) {
      if (!isSearchedFolder(entry)) continue;
      std::string sub = folder + entry.name + '/';
      // A sub-folder that vanished or may not be read is passed over; only
      // the registered folder itself ends the run.
      const auto subEntries = files_.listFolder(sub);
      if (!subEntries) continue;
      if (auto found = walk(sub, *subEntries, level)) return found;
    }
    for (const FolderEntry& entry : entries) {
      if (!isVisibleFile(entry) || !IsImageName(entry.name)) continue;
      if (++counter_ == target_) return folder + entry.name;
    }
    return std::nullopt;
  }

  [[nodiscard]] int counted() const { return counter_; }

 private:
  const FileSystem& files_;
  int target_;
  int depth_;
  int counter_ = 0;
};

}  // namespace

bool IsFolderAttributes(std::optional<int> attributes) {
  return attributes &&
         (*attributes == attr::kDirectory || *attributes == (attr::kDirectory | attr::kReadOnly));
}

FolderScan ScanFolder(const FileSystem& files, const std::string& folderPath) {
  const auto entries = files.listFolder(folderPath);
  if (!entries) return {};
  return scanListing(*entries);
}

int CountFolderItems(const FileSystem& files, std::string& folderPath, int& depthCounter,
                     int depthSetting, int cap) {
  if (depthCounter > depthSetting) return 0;
  endWithSlash(folderPath);
  return std::min(countBelow(files, folderPath, depthCounter, depthSetting), cap);
}

FolderSearchResult SearchFolder(const FileSystem& files, std::string_view applicationDirectory,
                                std::string_view folderPath, int target, int depth) {
  if (folderPath.empty()) return {FolderSearchResult::Outcome::FolderMissing, {}, 0};
  std::string folder(folderPath);
  endWithSlash(folder);
  auto entries = files.listFolder(folder);
  if (!entries && folder.front() != '/') {
    // A folder registered by a relative name lives under the application
    // directory.
    std::string underApp = std::string(applicationDirectory) + '/' + folder;
    entries = files.listFolder(underApp);
    if (entries) folder = std::move(underApp);
  }
  if (!entries) return {FolderSearchResult::Outcome::FolderMissing, std::string(folderPath), 0};

  ImageSearch search(files, target, depth);
  if (auto found = search.walk(folder, *entries, 0)) {
    return {FolderSearchResult::Outcome::Found, std::move(*found), search.counted()};
  }
  return {FolderSearchResult::Outcome::TooFewImages, {}, search.counted()};
}

}  // namespace tivolen

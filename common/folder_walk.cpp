// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folder_walk.h"

#include <algorithm>

namespace tivolen {
namespace {

bool isDotName(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

bool isVisibleFile(const FolderEntry& entry) {
  return (entry.attributes & (attr::kDirectory | attr::kHidden | attr::kSystem)) == 0;
}

// Both programs enter a folder whatever its read-only bit: on Linux the bit
// only says that this user may not write there (a read-only mount, another
// account's photos), which says nothing about the pictures inside.
bool isWalkedFolder(const FolderEntry& entry) {
  return IsFolderAttributes(entry.attributes) && !isDotName(entry.name);
}

FolderScan scanListing(const std::vector<FolderEntry>& entries) {
  FolderScan scan;
  for (const FolderEntry& entry : entries) {
    if ((entry.attributes & (attr::kHidden | attr::kSystem)) != 0) continue;
    scan.found = true;
    if (isWalkedFolder(entry)) scan.subFolders.push_back(entry.name);
  }
  for (const FolderEntry& entry : entries) {
    if (isVisibleFile(entry) && IsImageName(entry.name)) scan.images.push_back(entry.name);
  }
  return scan;
}

// folder ends in its separator and has been entered in `visits`. Stops
// listing once `total` (everything counted so far in the registered tree)
// reaches `cap`: a registered "/" is then counted in a moment, not in
// minutes.
int countBelow(const FileSystem& files, const std::string& folder, int& depthCounter,
               int depthSetting, FolderVisits& visits, int& total, int cap) {
  if (depthCounter > depthSetting || total >= cap) return 0;
  const auto entries = files.listFolder(folder);
  if (!entries) return 0;
  const FolderScan scan = scanListing(*entries);
  if (!scan.found) return 0;

  ++depthCounter;
  int count = 0;
  for (const std::string& name : scan.subFolders) {
    if (total >= cap) break;
    std::string sub = folder + name;
    sub += files.pathRules().separator();
    if (!visits.enter(sub, depthCounter)) continue;  // not a folder of its own
    ++count;
    ++total;
    count += countBelow(files, sub, depthCounter, depthSetting, visits, total, cap);
  }
  const int images = static_cast<int>(scan.images.size());
  count += images;
  total += images;
  --depthCounter;
  return count;
}

class ImageSearch {
 public:
  ImageSearch(const FileSystem& files, int target, int depth)
      : files_(files),
        separator_(files.pathRules().separator()),
        visits_(files),
        target_(target),
        depth_(depth) {}

  // The registered folder starts the path.
  void start(const std::string& folder) { visits_.enter(folder, 0); }

  // folder ends in its separator and entries is its listing.
  std::optional<std::string> walk(const std::string& folder,
                                  const std::vector<FolderEntry>& entries, int level) {
    if (level > depth_) return std::nullopt;
    ++level;
    for (const FolderEntry& entry : entries) {
      if (!isWalkedFolder(entry)) continue;
      std::string sub = folder + entry.name;
      sub += separator_;
      if (!visits_.enter(sub, level)) continue;
      // Below the depth there is nothing to list.
      if (level > depth_) continue;
      // A sub-folder that vanished or may not be read is passed over; only
      // the registered folder itself ends the run.
      const auto subEntries = files_.listFolder(sub);
      if (!subEntries) continue;
      if (std::optional<std::string> found = walk(sub, *subEntries, level)) return found;
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
  char separator_;
  FolderVisits visits_;
  int target_;
  int depth_;
  int counter_ = 0;
};

}  // namespace

bool FolderVisits::enter(const std::string& folder, int level) {
  const std::optional<FolderIdentity> id = files_.folderIdentity(folder);
  if (!id) return true;
  const auto [it, first] = levels_.try_emplace({id->device, id->node}, level);
  if (first) return true;
  if (it->second <= level) return false;
  it->second = level;
  return true;
}

bool IsFolderAttributes(std::optional<int> attributes) {
  return attributes &&
         (*attributes == attr::kDirectory || *attributes == (attr::kDirectory | attr::kReadOnly));
}

FolderScan ScanFolder(const FileSystem& files, const std::string& folderPath) {
  const auto entries = files.listFolder(folderPath);
  if (!entries) return {};
  return scanListing(*entries);
}

int CountFolderItems(const FileSystem& files, std::string_view folderPath, int depthSetting,
                     int cap) {
  if (depthSetting < 0) return 0;
  std::string folder(folderPath);
  files.pathRules().endWithSeparator(folder);
  FolderVisits visits(files);
  int depthCounter = 0;
  visits.enter(folder, depthCounter);
  int total = 0;
  return std::min(countBelow(files, folder, depthCounter, depthSetting, visits, total, cap), cap);
}

FolderSearchResult SearchFolder(const FileSystem& files, std::string_view applicationDirectory,
                                std::string_view folderPath, int target, int depth) {
  if (folderPath.empty()) return {FolderSearchResult::Outcome::FolderMissing, {}, 0};
  const PathRules rules = files.pathRules();
  std::string folder(folderPath);
  rules.endWithSeparator(folder);
  auto entries = files.listFolder(folder);
  const bool relative = !rules.isAbsolute(folder);
  if (!entries && relative) {
    // A folder registered by a relative name lives under the application
    // directory.
    std::string underApp = rules.join(applicationDirectory, folder);
    entries = files.listFolder(underApp);
    if (entries) folder = std::move(underApp);
  }
  if (!entries) {
    // A folder that is there but cannot be listed is a different fault for
    // the user to fix than one that is gone.
    const bool exists = files.folderExists(folder) ||
                        (relative && files.folderExists(rules.join(applicationDirectory, folder)));
    return {exists ? FolderSearchResult::Outcome::FolderUnreadable
                   : FolderSearchResult::Outcome::FolderMissing,
            std::string(folderPath), 0};
  }

  ImageSearch search(files, target, depth);
  search.start(folder);
  if (auto found = search.walk(folder, *entries, 0)) {
    return {FolderSearchResult::Outcome::Found, std::move(*found), search.counted()};
  }
  return {FolderSearchResult::Outcome::TooFewImages, {}, search.counted()};
}

}  // namespace tivolen

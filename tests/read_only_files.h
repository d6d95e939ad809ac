// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>
#include <string>

#include "platform/fake/fake_files.h"

namespace tivolen::testing {

// The real file system, except that the named folders carry the read-only
// bit. Tests often run as root, for whom access() grants writing to every
// folder, so a chmod alone cannot make a folder read-only for them.
class ReadOnlyMarkedFiles final : public FileSystem {
 public:
  // Full paths without a trailing separator.
  std::set<std::string> readOnlyFolders;
  // Folders that exist but cannot be listed, as for another account's
  // private folder (root can list them all).
  std::set<std::string> unlistableFolders;

  [[nodiscard]] bool fileExists(const std::string& path) const override {
    return real_->fileExists(path);
  }
  [[nodiscard]] bool folderExists(const std::string& path) const override {
    return real_->folderExists(path);
  }
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override {
    auto bits = real_->attributes(path);
    if (bits && isMarked(path)) *bits |= attr::kReadOnly;
    return bits;
  }
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override {
    std::string key = folder;
    while (key.size() > 1 && kRules.endsWithSeparator(key)) key.pop_back();
    if (unlistableFolders.contains(key)) return std::nullopt;
    auto entries = real_->listFolder(folder);
    if (!entries) return entries;
    const std::string prefix = kRules.join(folder, "");
    for (FolderEntry& entry : *entries) {
      if (entry.isDirectory() && isMarked(prefix + entry.name)) entry.attributes |= attr::kReadOnly;
    }
    return entries;
  }
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override {
    return real_->folderIdentity(folder);
  }
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override {
    return real_->fileSize(path);
  }
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override {
    return real_->readFile(path);
  }
  Status writeFileAtomically(const std::string& path, std::string_view contents) override {
    return real_->writeFileAtomically(path, contents);
  }
  Status removeFile(const std::string& path) override { return real_->removeFile(path); }

 private:
  [[nodiscard]] bool isMarked(std::string path) const {
    while (path.size() > 1 && kRules.endsWithSeparator(path)) path.pop_back();
    return readOnlyFolders.contains(path);
  }
  static constexpr PathRules kRules = PathRules::native();
  std::unique_ptr<FileSystem> real_ = fake::NativeFileSystem();
};

}  // namespace tivolen::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/fake_files.h"

#include <algorithm>

namespace tivolen::fake {

FakeFiles::FakeFiles() : native_(NativeFileSystem()) {}

void FakeFiles::playWindows(std::string drive, std::string root) {
  rules_ = PathRules(PathRules::Style::Windows);
  drive_ = std::move(drive);
  root_ = std::move(root);
}

std::string FakeFiles::realPath(const std::string& path) const {
  const PathRules native = PathRules::native();
  if (!rules_.windows() || drive_.empty()) return path;
  std::string real = path;
  const bool onDrive = real.size() > drive_.size() &&
                       std::equal(drive_.begin(), drive_.end(), real.begin(),
                                  [](char a, char b) { return (a | 0x20) == (b | 0x20); }) &&
                       rules_.isSeparator(real[drive_.size()]);
  if (onDrive) real = root_ + real.substr(drive_.size());
  std::replace(real.begin(), real.end(), '\\', native.separator());
  return real;
}

bool FakeFiles::fileExists(const std::string& path) const {
  return native_->fileExists(realPath(path));
}

bool FakeFiles::folderExists(const std::string& path) const {
  return native_->folderExists(realPath(path));
}

std::optional<int> FakeFiles::attributes(const std::string& path) const {
  return native_->attributes(realPath(path));
}

std::optional<std::vector<FolderEntry>> FakeFiles::listFolder(const std::string& folder) const {
  return native_->listFolder(realPath(folder));
}

std::optional<FolderIdentity> FakeFiles::folderIdentity(const std::string& folder) const {
  return native_->folderIdentity(realPath(folder));
}

std::optional<std::int64_t> FakeFiles::fileSize(const std::string& path) const {
  return native_->fileSize(realPath(path));
}

std::optional<std::string> FakeFiles::readFile(const std::string& path) const {
  return native_->readFile(realPath(path));
}

Status FakeFiles::writeFileAtomically(const std::string& path, std::string_view contents) {
  return native_->writeFileAtomically(realPath(path), contents);
}

Status FakeFiles::removeFile(const std::string& path) {
  return native_->removeFile(realPath(path));
}

}  // namespace tivolen::fake

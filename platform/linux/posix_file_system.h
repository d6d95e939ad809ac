// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

namespace tivolen {

// The file system through POSIX calls only: cheap enough for folder walks of
// a hundred thousand files, and usable by tests on real temporary trees.
class PosixFileSystem final : public FileSystem {
 public:
  [[nodiscard]] bool fileExists(const std::string& path) const override;
  [[nodiscard]] bool isExecutable(const std::string& path) const override;
  [[nodiscard]] bool folderExists(const std::string& path) const override;
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override;
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override;
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override;
  Status writeFileAtomically(const std::string& path, std::string_view contents) override;
  Status removeFile(const std::string& path) override;
};

// The folder order NTFS lists names in (LessByFolderOrder); names that only
// Linux lets differ by case alone ("X" and "x") follow their bytes.
bool lessByFolderOrder(std::string_view a, std::string_view b);

}  // namespace tivolen

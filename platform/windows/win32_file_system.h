#pragma once

#include "platform/file_system.h"

namespace tivolen {

// The file system through the W functions, so Japanese names work whatever
// the system's code page. Attributes are Windows' own.
class Win32FileSystem final : public FileSystem {
 public:
  [[nodiscard]] bool fileExists(const std::string& path) const override;
  [[nodiscard]] bool folderExists(const std::string& path) const override;
  [[nodiscard]] bool isExecutable(const std::string& path) const override;
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override;
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override;
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override;
  Status writeFileAtomically(const std::string& path, std::string_view contents) override;
  Status removeFile(const std::string& path) override;
  // CP_ACP: 932 on a Japanese system, where the old lists were written.
  [[nodiscard]] std::string systemTextToUtf8(std::string_view bytes) const override;
};

}  // namespace tivolen

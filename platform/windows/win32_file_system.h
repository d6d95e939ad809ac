// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

namespace tivolen {

// The file system through the W functions, so Japanese names work whatever
// the system's code page. Attributes are Windows' own.
class Win32FileSystem final : public FileSystem {
 public:
  // `systemCodePage` is the code page old lists were written in; by default
  // the ANSI code page of the system locale.
  explicit Win32FileSystem(unsigned systemCodePage = SystemLocaleCodePage());

  // The ANSI code page of the system locale (932 on a Japanese system), not
  // GetACP(): the programs' manifest makes that UTF-8 for their own process,
  // and a Japanese system with English formats for its user has it too.
  // 0 when Windows cannot say.
  static unsigned SystemLocaleCodePage();

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
  [[nodiscard]] std::string systemTextToUtf8(std::string_view bytes) const override;
  [[nodiscard]] std::optional<std::string> utf8ToSystemText(std::string_view utf8) const override;

 private:
  unsigned systemCodePage_;
};

}  // namespace tivolen

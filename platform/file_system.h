// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/path_rules.h"
#include "platform/status.h"

namespace tivolen {

// Windows file attribute bits. Both programs decide by exact attribute sets
// (a folder is "exactly 16 or 17"), so Linux back-ends derive the same bits:
// directory 16, read-only 1 when the user cannot write it, hidden 2 for names
// starting with ".". System (4) and archive (32) never occur on Linux.
namespace attr {
inline constexpr int kReadOnly = 1;
inline constexpr int kHidden = 2;
inline constexpr int kSystem = 4;
inline constexpr int kDirectory = 16;
inline constexpr int kArchive = 32;
}  // namespace attr

struct FolderEntry {
  std::string name;
  // Directory and hidden bits always; the read-only bit only for directories,
  // because deriving it costs a system call per entry and only the folder
  // tests look at it.
  int attributes = 0;
  [[nodiscard]] bool isDirectory() const { return (attributes & attr::kDirectory) != 0; }
};

// Which folder a path leads to, whatever links led there: two paths are the
// same folder exactly when their identities are equal.
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // How paths on this file system are written.
  [[nodiscard]] virtual PathRules pathRules() const { return PathRules::native(); }
  // Text in the system's multi-byte code page as UTF-8. Linux has no such
  // code page: the bytes stay as they are.
  [[nodiscard]] virtual std::string systemTextToUtf8(std::string_view bytes) const {
    return std::string(bytes);
  }
  // UTF-8 text in that code page, to write a list back as it was read;
  // nothing when a character has no place there. Linux keeps the bytes.
  [[nodiscard]] virtual std::optional<std::string> utf8ToSystemText(std::string_view utf8) const {
    return std::string(utf8);
  }

  // True only for an ordinary file that is neither hidden nor a system file:
  // folders and dot-named files do not count.
  [[nodiscard]] virtual bool fileExists(const std::string& path) const = 0;
  [[nodiscard]] virtual bool folderExists(const std::string& path) const = 0;
  // Whether this user may start the file as a program. Where the system
  // starts any file it can open, that is every file that is there.
  [[nodiscard]] virtual bool isExecutable(const std::string& path) const {
    const std::optional<int> bits = attributes(path);
    return bits && (*bits & attr::kDirectory) == 0;
  }
  // The full attribute set of a path, or nothing when it does not exist.
  [[nodiscard]] virtual std::optional<int> attributes(const std::string& path) const = 0;
  // The entries of a folder without "." and "..", sorted by name
  // case-insensitively as NTFS returns them, so that positions inside a folder
  // tree are the same on every platform. Nothing when it cannot be opened.
  [[nodiscard]] virtual std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const = 0;

  // Nothing when the path cannot be looked at; folder walks use it to notice
  // a link back to a folder they are already inside.
  [[nodiscard]] virtual std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const = 0;

  // The size in bytes of an ordinary file, nothing when it cannot be looked
  // at: readers refuse files too large to hold before reading them.
  [[nodiscard]] virtual std::optional<std::int64_t> fileSize(const std::string& path) const = 0;
  [[nodiscard]] virtual std::optional<std::string> readFile(const std::string& path) const = 0;
  // Temporary file in the same folder, flushed, then renamed over the target:
  // a crash mid-write leaves the old file whole.
  virtual Status writeFileAtomically(const std::string& path, std::string_view contents) = 0;
  virtual Status removeFile(const std::string& path) = 0;
};

}  // namespace tivolen

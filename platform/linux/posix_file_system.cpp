// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "common/folder_order.h"
#include "platform/linux/atomic_file.h"
#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

std::string_view baseName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isHiddenName(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

unsigned char fold(unsigned char c) {
  return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// A name from a damaged list may hold a NUL byte, where every system call
// would see a shorter, different path: such a path names nothing.
bool holdsNul(const std::string& path) {
  return path.find('\0') != std::string::npos;
}

std::string errnoText() {
  return std::strerror(errno);
}

// Eight bytes of a name from `offset`, ASCII letters upper-cased,
// big-endian and padded with 0 (the name's end sorts first, as it does).
std::uint64_t foldedWord(std::string_view name, std::size_t offset) {
  std::uint64_t word = 0;
  for (std::size_t i = offset; i < offset + 8; ++i) {
    word <<= 8;
    if (i < name.size()) word |= fold(static_cast<unsigned char>(name[i]));
  }
  return word;
}

// The byte of a key word at `index` (0 the first).
unsigned byteAt(std::uint64_t word, int index) {
  return static_cast<unsigned>(word >> (56 - 8 * index)) & 0xFFU;
}

// Sorting a folder is the costly part of a folder walk: comparing the first
// sixteen folded bytes as two integers settles almost every pair without a
// character loop, and moving small keys instead of entries avoids copying
// names while sorting. The integers decide only where the names first differ
// in an ASCII byte on both sides: everything before is then the same
// characters, so the full rule would decide by that byte too.
std::vector<FolderEntry> sortedByFolderOrder(std::vector<FolderEntry> entries) {
  struct Key {
    std::uint64_t high;
    std::uint64_t low;
    std::uint32_t index;
  };
  std::vector<Key> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string_view name = entries[i].name;
    keys.push_back({foldedWord(name, 0), foldedWord(name, 8), static_cast<std::uint32_t>(i)});
  }
  std::sort(keys.begin(), keys.end(), [&entries](const Key& a, const Key& b) {
    const bool inHigh = a.high != b.high;
    const std::uint64_t wordA = inHigh ? a.high : a.low;
    const std::uint64_t wordB = inHigh ? b.high : b.low;
    if (wordA != wordB) {
      const int at = std::countl_zero(wordA ^ wordB) / 8;
      if (byteAt(wordA, at) < 0x80 && byteAt(wordB, at) < 0x80) return wordA < wordB;
    }
    return lessByFolderOrder(entries[a.index].name, entries[b.index].name);
  });
  std::vector<FolderEntry> sorted;
  sorted.reserve(entries.size());
  for (const Key& key : keys) sorted.push_back(std::move(entries[key.index]));
  return sorted;
}

}  // namespace

bool lessByFolderOrder(std::string_view a, std::string_view b) {
  if (LessByFolderOrder(a, b)) return true;
  if (LessByFolderOrder(b, a)) return false;
  return a < b;  // names differing only in case keep a stable order
}

bool PosixFileSystem::fileExists(const std::string& path) const {
  if (holdsNul(path)) return false;
  struct stat info {};
  return !path.empty() && !isHiddenName(baseName(path)) && stat(path.c_str(), &info) == 0 &&
         S_ISREG(info.st_mode);
}

bool PosixFileSystem::isExecutable(const std::string& path) const {
  if (holdsNul(path)) return false;
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

bool PosixFileSystem::folderExists(const std::string& path) const {
  if (holdsNul(path)) return false;
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<int> PosixFileSystem::attributes(const std::string& path) const {
  if (holdsNul(path)) return std::nullopt;
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return std::nullopt;
  int bits = 0;
  if (S_ISDIR(info.st_mode)) bits |= attr::kDirectory;
  if (access(path.c_str(), W_OK) != 0) bits |= attr::kReadOnly;
  if (isHiddenName(baseName(path))) bits |= attr::kHidden;
  return bits;
}

std::optional<std::vector<FolderEntry>> PosixFileSystem::listFolder(
    const std::string& folder) const {
  if (holdsNul(folder)) return std::nullopt;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return std::nullopt;
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';

  std::vector<FolderEntry> entries;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool directory = entry->d_type == DT_DIR;
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      // Links count as what they point to; some file systems give no type.
      struct stat info {};
      if (stat((prefix + entry->d_name).c_str(), &info) != 0) continue;
      directory = S_ISDIR(info.st_mode);
      regular = S_ISREG(info.st_mode);
    }
    if (!directory && !regular) continue;  // sockets, fifos, devices
    FolderEntry item{std::string(name), 0};
    if (directory) {
      item.attributes |= attr::kDirectory;
      if (access((prefix + entry->d_name).c_str(), W_OK) != 0) item.attributes |= attr::kReadOnly;
    }
    if (isHiddenName(name)) item.attributes |= attr::kHidden;
    entries.push_back(std::move(item));
  }
  return sortedByFolderOrder(std::move(entries));
}

std::optional<FolderIdentity> PosixFileSystem::folderIdentity(const std::string& folder) const {
  if (holdsNul(folder)) return std::nullopt;
  struct stat info {};
  if (stat(folder.empty() ? "." : folder.c_str(), &info) != 0) return std::nullopt;
  return FolderIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<std::int64_t> PosixFileSystem::fileSize(const std::string& path) const {
  if (holdsNul(path)) return std::nullopt;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(info.st_size);
}

std::optional<std::string> PosixFileSystem::readFile(const std::string& path) const {
  if (holdsNul(path)) return std::nullopt;
  const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  std::string contents;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  return contents;
}

Status PosixFileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
  if (holdsNul(path)) return Status::failedAt(path, "a NUL byte in the name");
  return replaceFileAtomically(path, contents, Durability::Synced);
}

Status PosixFileSystem::removeFile(const std::string& path) {
  if (holdsNul(path)) return Status::failedAt(path, "a NUL byte in the name");
  if (unlink(path.c_str()) != 0) return Status::failedAt(path, errnoText());
  return Status::ok();
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>

#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

constexpr std::string_view kTemporaryMarker = ".tmp-";
constexpr std::size_t kTemporaryTail = 6;  // mkstemp's XXXXXX

std::string errnoText() {
  return std::strerror(errno);
}

bool writeAll(int fd, std::string_view contents) {
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Puts `temp` in the place of `path`. Unsynced files swap names and drop the
// old one: ext4 starts writing a file back when it replaces another by plain
// rename (its guard for unsynced data), which costs more than the rendering.
bool moveIntoPlace(const std::string& temp, const std::string& path, Durability durability) {
  if (durability == Durability::Unsynced &&
      renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    unlink(temp.c_str());  // now the old file
    return true;
  }
  // No file to swap with yet, or a file system without the exchange.
  return rename(temp.c_str(), path.c_str()) == 0;
}

// The file a path finally names, following symbolic links: a list the user
// keeps elsewhere through a link stays there, and the link stays a link.
// Nothing for a loop of links.
std::optional<std::string> finalTarget(std::string path) {
  constexpr int kMaxLinks = 40;  // as the kernel's own limit
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return path;
    target.resize(static_cast<std::size_t>(n));
    if (!target.starts_with('/')) {
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  errno = ELOOP;
  return std::nullopt;
}

}  // namespace

bool isTemporaryName(std::string_view name) {
  if (name.size() <= kTemporaryMarker.size() + kTemporaryTail) return false;
  const std::size_t marker = name.size() - kTemporaryTail - kTemporaryMarker.size();
  if (name.substr(marker, kTemporaryMarker.size()) != kTemporaryMarker) return false;
  for (const char c : name.substr(name.size() - kTemporaryTail)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

Status replaceFileAtomically(const std::string& path, std::string_view contents,
                             Durability durability) {
  return replaceFileAtomically(
      path, [contents](const ChunkWriter& write) { return write(contents); }, durability);
}

Status replaceFileAtomically(const std::string& linkOrPath,
                             const std::function<bool(const ChunkWriter&)>& produce,
                             Durability durability) {
  const std::optional<std::string> target = finalTarget(linkOrPath);
  if (!target) return Status::failedAt(linkOrPath, errnoText());
  const std::string& path = *target;
  std::string temp = path + std::string(kTemporaryMarker) + "XXXXXX";
  UniqueFd fd(mkstemp(temp.data()));
  if (fd.get() < 0) return Status::failedAt(path, errnoText());
  // mkstemp creates 0600: the new file takes the mode of the one it
  // replaces (a list kept private stays private), or the mode an ordinary
  // create would give.
  struct stat old {};
  if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    fchmod(fd.get(), old.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd.get(), 0666 & ~mask);
  }

  bool written = produce([&fd](std::string_view piece) { return writeAll(fd.get(), piece); });
  if (written && durability == Durability::Synced) written = fsync(fd.get()) == 0;
  // close() reports delayed write errors (NFS, full quotas): it is checked,
  // and the descriptor is released whatever happened before.
  if (!fd.close()) written = false;
  if (!written || !moveIntoPlace(temp, path, durability)) {
    const std::string why = errnoText();
    unlink(temp.c_str());
    return Status::failedAt(path, why);
  }
  return Status::ok();
}

int removeStaleTemporaries(const std::string& folder, std::chrono::seconds age) {
  struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return 0;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  const std::time_t before = std::time(nullptr) - static_cast<std::time_t>(age.count());
  int removed = 0;
  while (const dirent* entry = readdir(dir.get())) {
    if (!isTemporaryName(entry->d_name)) continue;
    const std::string path = prefix + entry->d_name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (info.st_mtime >= before) continue;
    if (unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace tivolen

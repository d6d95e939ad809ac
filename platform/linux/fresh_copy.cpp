// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/fresh_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

constexpr std::string_view kPrefix = "wallpaper-";
constexpr std::string_view kSuffix = ".bmp";

bool isCopyName(std::string_view name) {
  if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix)) {
    return false;
  }
  const std::string_view digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

Status copyFile(const std::string& source, const std::string& target) {
  const UniqueFd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Status::failed(source + ": " + std::strerror(errno));
  UniqueFd out(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (out.get() < 0) return Status::failed(target + ": " + std::strerror(errno));
  struct stat info {};
  bool ok = fstat(in.get(), &info) == 0;
  off_t offset = 0;
  while (ok && offset < info.st_size) {
    const ssize_t n =
        sendfile(out.get(), in.get(), &offset, static_cast<std::size_t>(info.st_size - offset));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
  }
  std::string why = std::strerror(errno);
  if (!out.close() && ok) {
    ok = false;
    why = std::strerror(errno);
  }
  if (!ok) {
    unlink(target.c_str());
    return Status::failed(target + ": " + why);
  }
  return Status::ok();
}

}  // namespace

FreshCopy makeFreshWallpaperCopy(const std::string& source, const std::string& folder) {
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  // Two changes within one millisecond (navigator presses) must still differ.
  for (long long stamp = now; stamp < now + 1000; ++stamp) {
    const std::string target =
        withSlash(folder) + std::string(kPrefix) + std::to_string(stamp) + std::string(kSuffix);
    if (link(source.c_str(), target.c_str()) == 0) return {Status::ok(), target};
    if (errno == EEXIST) continue;
    // Hard links fail across file systems and on some (FAT, some mounts).
    const Status copied = copyFile(source, target);
    if (copied.isOk()) return {Status::ok(), target};
    if (errno == EEXIST) continue;
    return {copied, {}};
  }
  return {Status::failed(folder + ": no free name for a wallpaper copy"), {}};
}

void removeOtherWallpaperCopies(const std::string& folder, const std::string& keep) {
  struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return;
  const std::string prefix = withSlash(folder);
  const std::string_view keepName = std::string_view(keep).substr(keep.rfind('/') + 1);
  while (const dirent* entry = readdir(dir.get())) {
    if (!isCopyName(entry->d_name) || entry->d_name == keepName) continue;
    unlink((prefix + entry->d_name).c_str());
  }
}

}  // namespace tivolen

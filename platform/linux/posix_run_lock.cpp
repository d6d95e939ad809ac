// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/posix_run_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace tivolen {
namespace {

// Short enough that a waiting run follows the first one at once, long
// enough that waiting costs nothing.
constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

Status PosixRunLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
  fd_.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
  if (fd_.get() < 0) return Status::failedAt(path, std::strerror(errno));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      fd_.reset();
      if (error != EWOULDBLOCK) return Status::failedAt(path, std::strerror(error));
      return Status::unavailable(path + ": still held by another run");
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return Status::ok();
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_run_lock.h"

#include <thread>

#include "platform/windows/wide_text.h"

namespace tivolen {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

Status Win32RunLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
  // Others may open it (the lock, not the share mode, serialises runs), so a
  // virus scanner holding it for a moment does not fail a run.
  file_ = AdoptHandle(CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file_) return Status::failedAt(path, SystemErrorText(GetLastError()));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED whole{};
    if (LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &whole)) {
      return Status::ok();
    }
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
      file_.reset();
      if (error != ERROR_LOCK_VIOLATION) return Status::failedAt(path, SystemErrorText(error));
      return Status::unavailable(path + ": still held by another run");
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace tivolen

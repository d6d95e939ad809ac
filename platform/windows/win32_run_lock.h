// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"
#include "platform/windows/win32_handle.h"

namespace tivolen {

// LockFileEx on a file of its own. The handle is not inheritable, so a
// launcher the run starts never keeps the lock; Windows drops it when the
// process ends however it ends.
class Win32RunLock final : public RunLock {
 public:
  Status acquire(const std::string& path, std::chrono::milliseconds wait) override;

 private:
  UniqueHandle file_;
};

}  // namespace tivolen

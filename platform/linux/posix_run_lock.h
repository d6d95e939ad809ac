// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/unique_fd.h"
#include "platform/services.h"

namespace tivolen {

// flock() on a file of its own: released by the kernel when the process
// ends however it ends, and opened close-on-exec so that a launcher or tool
// the run starts never keeps it.
class PosixRunLock final : public RunLock {
 public:
  Status acquire(const std::string& path, std::chrono::milliseconds wait) override;

 private:
  UniqueFd fd_;
};

}  // namespace tivolen

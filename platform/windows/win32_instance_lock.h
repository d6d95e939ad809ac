// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/instance_lock.h"
#include "platform/windows/win32_handle.h"

namespace tivolen {

// The claim is a named mutex of the session, named after the data folder:
// Windows closes it with the process, so a crash blocks no later start.
// Beside it a small named mapping holds the holder's window, which a later
// start restores and brings to the foreground itself, as the process the
// user just started may.
class Win32InstanceLock final : public InstanceLock {
 public:
  Claim claim(const std::string& dataFolder) override;
  bool askHolderToShow(const std::string& dataFolder) override;
  void serve(std::function<void()> show, std::uintptr_t nativeWindow) override;

 private:
  UniqueHandle mutex_;
  UniqueHandle window_;  // the mapping that names the holder's window
};

}  // namespace tivolen

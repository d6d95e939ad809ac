// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/instance_lock.h"
#include "platform/linux/environment.h"
#include "platform/linux/unique_fd.h"

class QLocalServer;

namespace tivolen {

// The claim is an flock on a file named after the data folder in the
// session's runtime folder: the kernel drops it with the process, so a crash
// leaves nothing that blocks the next start. Beside it the holder listens on
// a local socket; a later start connects and the holder answers and comes
// forward.
class LocalInstanceLock final : public InstanceLock {
 public:
  explicit LocalInstanceLock(EnvironmentLookup environment = processEnvironment);
  ~LocalInstanceLock() override;
  LocalInstanceLock(const LocalInstanceLock&) = delete;
  LocalInstanceLock& operator=(const LocalInstanceLock&) = delete;

  Claim claim(const std::string& dataFolder) override;
  bool askHolderToShow(const std::string& dataFolder) override;
  void serve(std::function<void()> show, std::uintptr_t nativeWindow) override;

 private:
  // "<runtime folder>/tivolen-manager-<hash of the folder>"; nothing when no
  // private runtime folder can be had.
  [[nodiscard]] std::string baseNameFor(const std::string& dataFolder) const;
  void listen(const std::string& socketPath);

  EnvironmentLookup environment_;
  UniqueFd lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> show_;
  bool showPending_ = false;
};

}  // namespace tivolen

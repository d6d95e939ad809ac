// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/instance_lock.h"

namespace tivolen::fake {

class FakeInstanceLock;

// What the system knows of the running managers: one table shared by the
// fakes standing for several processes.
struct FakeInstanceSystem {
  std::map<std::string, FakeInstanceLock*> holders;
  bool unavailable = false;
};

// One process's claim. Ending the object is the process ending, crash or
// not: its folders are free again.
class FakeInstanceLock final : public InstanceLock {
 public:
  explicit FakeInstanceLock(FakeInstanceSystem& system) : system_(system) {}
  ~FakeInstanceLock() override;
  FakeInstanceLock(const FakeInstanceLock&) = delete;
  FakeInstanceLock& operator=(const FakeInstanceLock&) = delete;

  Claim claim(const std::string& dataFolder) override;
  bool askHolderToShow(const std::string& dataFolder) override;
  void serve(std::function<void()> show, std::uintptr_t nativeWindow) override;

  // A holder that hangs, or has not reached its window yet, answers nobody.
  bool answers = true;
  // The folders asked about, in order.
  std::vector<std::string> asked;

 private:
  FakeInstanceSystem& system_;
  std::function<void()> show_;
};

}  // namespace tivolen::fake

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/fake_instance_lock.h"

#include <utility>

namespace tivolen::fake {

FakeInstanceLock::~FakeInstanceLock() {
  std::erase_if(system_.holders, [this](const auto& held) { return held.second == this; });
}

InstanceLock::Claim FakeInstanceLock::claim(const std::string& dataFolder) {
  if (system_.unavailable) return Claim::Unavailable;
  auto [at, inserted] = system_.holders.emplace(dataFolder, this);
  return inserted || at->second == this ? Claim::Held : Claim::Taken;
}

bool FakeInstanceLock::askHolderToShow(const std::string& dataFolder) {
  asked.push_back(dataFolder);
  const auto at = system_.holders.find(dataFolder);
  if (at == system_.holders.end() || !at->second->answers || !at->second->show_) return false;
  at->second->show_();
  return true;
}

void FakeInstanceLock::serve(std::function<void()> show, std::uintptr_t /*nativeWindow*/) {
  show_ = std::move(show);
}

}  // namespace tivolen::fake

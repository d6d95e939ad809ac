// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/single_manager.h"

#include "manager/manager_texts.h"

namespace tivolen::manager {

StartChoice ClaimList(InstanceLock& lock, Messages& messages, const std::string& dataFolder) {
  switch (lock.claim(dataFolder)) {
    case InstanceLock::Claim::Held:
      return StartChoice::Open;
    case InstanceLock::Claim::Unavailable:
      // Refusing every start because the system cannot say would keep the
      // user from the list altogether.
      messages.detail("the manager cannot tell whether another one is open: " + dataFolder);
      return StartChoice::Open;
    case InstanceLock::Claim::Taken:
      break;
  }
  if (lock.askHolderToShow(dataFolder)) return StartChoice::Leave;
  // The holder may have ended between the two steps.
  if (lock.claim(dataFolder) == InstanceLock::Claim::Held) return StartChoice::Open;
  messages.show(text::kManagerAlreadyOpen);
  return StartChoice::Leave;
}

}  // namespace tivolen::manager

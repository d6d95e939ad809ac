// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/instance_lock.h"
#include "platform/services.h"

namespace tivolen::manager {

// Two managers on one list would each save their own rows at closing, and
// the last one closed would silently undo the other's edits.
enum class StartChoice { Open, Leave };

// Decides whether this start opens its window: it does when it holds the
// list's folder; otherwise the running manager is brought forward, or, when
// that one does not answer, the user is told and this start leaves.
StartChoice ClaimList(InstanceLock& lock, Messages& messages, const std::string& dataFolder);

}  // namespace tivolen::manager

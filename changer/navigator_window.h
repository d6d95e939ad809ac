// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

namespace tivolen {

// Shows the navigator (Shift held at start) until the user closes it;
// returns the program's exit code.
int ShowNavigator(Platform& platform);

}  // namespace tivolen

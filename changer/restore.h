// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

namespace tivolen {

// A log-on with no change due, on a desktop that forgets its wallpaper at
// log-off: shows again what the desktop was last given, from the file it was
// given, in its layout. Only when that file is gone or was rendered for
// another screen size is the picture the change log names rendered again for
// this screen, in the style its list entry gives it. The log, the position
// and the launcher are left alone: nothing changes.
void RestoreWallpaper(Platform& platform);

}  // namespace tivolen

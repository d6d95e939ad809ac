// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/status.h"

namespace tivolen {

// Desktops that cache the wallpaper by its file name keep showing the old
// picture when wallpaper.bmp is rewritten in place. They are handed the
// picture under a new name each time instead: a hard link (or, across file
// systems, a copy) named "wallpaper-<milliseconds>.bmp" in `folder`.
// wallpaper.bmp itself is left as it is.
struct FreshCopy {
  Status status;
  std::string path;  // empty unless status is ok
};
FreshCopy makeFreshWallpaperCopy(const std::string& source, const std::string& folder);

// Once the desktop shows `keep`, the earlier copies in `folder` can go. Call
// this only after the desktop accepted the new name, so that a failed change
// leaves the wallpaper it had; on failure remove the new copy instead.
void removeOtherWallpaperCopies(const std::string& folder, const std::string& keep);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/linux/fresh_copy.h"

namespace tivolen {

// swaybg reads PNG and JPEG but not BMP, and a background it was given once
// is not reread under the same name. The wallpaper is handed to it as a PNG
// under a new name each time: "wallpaper-<milliseconds>.png" in `folder`,
// written whole before it appears under that name.
FreshCopy makeFreshPngCopy(const std::string& source, const std::string& folder);

// Removes the earlier PNG copies in `folder`, all but `keep`.
void removeOtherPngCopies(const std::string& folder, const std::string& keep);

// For a desktop that cannot cover the screen itself: the picture scaled to
// cover `width` x `height` with its middle kept, as a fresh
// "wallpaper-<milliseconds>.bmp" that removeOtherWallpaperCopies knows.
FreshCopy makeFreshCoverCopy(const std::string& source, const std::string& folder, int width,
                             int height);

}  // namespace tivolen

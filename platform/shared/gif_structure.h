// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace tivolen {

// True for a GIF whose first picture ends before its data does. Qt's reader
// shows such a file with the missing part left empty, and a wallpaper with a
// blank lower half is a damaged picture, not a picture.
bool gifFirstFrameIsCutShort(std::string_view bytes);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace tivolen {

// True for a GIF whose first picture ends before its data does. Qt's reader
// shows such a file with the missing part left empty, and a wallpaper with a
// blank lower half is a damaged picture, not a picture.
bool gifFirstFrameIsCutShort(std::string_view bytes);

// The most pixels a reader may allot for a GIF's first picture: its logical
// screen grown to hold the first frame wherever that frame claims to sit.
// Qt's reader sizes its canvas from both, and a screen of no width with a
// frame of 18759 columns costs it 150 MB for an 80-byte file. Zero for a
// file that is not a GIF or has no frame.
std::int64_t gifFirstFrameCanvasPixels(std::string_view bytes);

}  // namespace tivolen

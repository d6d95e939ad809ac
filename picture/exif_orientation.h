// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// The EXIF orientation tag (1 to 8) of a JPEG file's header; 1 when it has
// none or the header is damaged, so a broken EXIF block never costs a picture.
int jpegOrientation(std::string_view bytes);

// The same tag read from a bare EXIF (TIFF) block, as PNG and WebP files
// carry it.
int tiffOrientation(std::string_view tiff);

// Orientations 5 to 8 turn the picture by a quarter: width and height swap.
inline bool swapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// The picture as the camera meant it to be seen.
Picture applyOrientation(Picture picture, int orientation);

// The part of an upright picture, in the stored picture's own orientation:
// scaling that part of the stored picture and applying the orientation to
// the result gives the upright part.
ScaledPart storedPart(const ScaledPart& upright, int orientation);

}  // namespace tivolen

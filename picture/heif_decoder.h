// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// True when the bytes start like an ISO media file of a HEIF brand (HEIC,
// HEIF, AVIF), whether or not a decoder for its codec is present.
bool looksLikeHeif(std::string_view bytes);

// The primary image through libheif (HEVC by libde265, AV1 by dav1d or aom),
// upright: libheif applies the container's rotation and mirroring (irot,
// imir) and cropping. An EXIF orientation in the file is not applied on top,
// since the container's boxes are the ones that count for these formats.
// Reduced like JPEG, by 1/2, 1/4 or 1/8 while the colours are converted,
// when the result still covers what the caller needs. Transparent parts are
// laid over black. A grid of HEVC tiles is decoded tile by tile unless
// `tilesTried` says that has failed already.
LoadedPicture decodeHeif(std::string_view bytes, const NeededSize& needed, bool tilesTried = false);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// TurboJPEG, at the largest power-of-two reduction whose output still covers
// what the caller needs: libjpeg-turbo's 1/2, 1/4 and 1/8 skip most of the
// inverse DCT, while its 3/8, 5/8 and 3/4 are slower than a full decode.
// `handled` is false for JPEGs it leaves to the general decoder (CMYK).
struct JpegResult {
  bool handled = true;
  LoadedPicture loaded;
};
JpegResult decodeJpeg(std::string_view bytes, const NeededSize& needed);

// The part of the JPEG that `plan` names, decoded row band by row band at
// the same reduction and scaled on a second thread as each band arrives, so
// the decoded picture is never held whole; rows the part does not need are
// skipped; a picture turned by its EXIF orientation is turned after scaling.
// Left to the general path (`handled` false): CMYK, no plan, or a part
// larger than the picture.
JpegResult decodeJpegScaled(std::string_view bytes, const ScalePlan& plan);

// What the markers alone show before any pixel is decoded: more scans than
// the picture's size warrants (refused as damaged: each scan is another
// pass over the whole picture, and a tiny file of thousands of them would
// keep the decoder busy for minutes), or more memory than kMaxDecodeBytes
// for the file, the decoder's coefficients and `outputBytes` of pixels
// (too large). `strict` also refuses a file cut short (no end marker) or
// with a scan that holds no data, for a decoder that shows such damage as
// grey instead of reporting it. Nothing when decoding may go ahead.
std::optional<LoadedPicture> refuseJpegByStructure(std::string_view bytes, std::int64_t outputBytes,
                                                   bool strict);

}  // namespace tivolen

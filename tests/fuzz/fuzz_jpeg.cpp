// SPDX-License-Identifier: GPL-3.0-or-later
// TurboJPEG with our header checks, EXIF orientation and warning rules, at
// full size and reduced, and the banded decoder with its own scaling, reduced
// and enlarged, and at an eighth from a progressive file's DC scans.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const tivolen::NeededSize& needed :
       {tivolen::NeededSize{}, tivolen::NeededSize([](tivolen::PictureSize) {
          return tivolen::PictureSize{16, 16};
        })}) {
    const tivolen::JpegResult result = tivolen::decodeJpeg(bytes, needed);
    if (result.handled && result.loaded.status.isOk() && result.loaded.pixels.empty()) std::abort();
  }
  // Banded: a third of the picture, its lower right part kept, turned by
  // whatever orientation the file claims.
  const tivolen::JpegResult banded =
      tivolen::decodeJpegScaled(bytes, [](tivolen::PictureSize natural) {
        const tivolen::PictureSize scaled{std::max(1, natural.width / 3),
                                          std::max(1, natural.height / 3)};
        return tivolen::ScaledPart{
            scaled,
            scaled.width / 2,
            scaled.height / 2,
            {scaled.width - scaled.width / 2, scaled.height - scaled.height / 2}};
      });
  if (banded.handled && banded.loaded.status.isOk() && banded.loaded.pixels.empty()) std::abort();
  // A ninth, as a preview asks: a progressive file is decoded from the scans
  // an eighth needs, rebuilt from its segments.
  const tivolen::JpegResult ninth =
      tivolen::decodeJpegScaled(bytes, [](tivolen::PictureSize natural) {
        const tivolen::PictureSize scaled{std::max(1, natural.width / 9),
                                          std::max(1, natural.height / 9)};
        return tivolen::ScaledPart{scaled, 0, 0, scaled};
      });
  if (ninth.handled && ninth.loaded.status.isOk() && ninth.loaded.pixels.empty()) std::abort();
  // Enlarged three times from bands of rows, a corner of at most 64 x 64 kept.
  const tivolen::JpegResult enlarged =
      tivolen::decodeJpegScaled(bytes, [](tivolen::PictureSize natural) {
        const tivolen::PictureSize scaled{natural.width * 3, natural.height * 3};
        return tivolen::ScaledPart{scaled,
                                   scaled.width / 3,
                                   0,
                                   {std::min(64, scaled.width / 2), std::min(64, scaled.height)}};
      });
  if (enlarged.handled && enlarged.loaded.status.isOk() && enlarged.loaded.pixels.empty()) {
    std::abort();
  }
  return 0;
}

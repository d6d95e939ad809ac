// SPDX-License-Identifier: GPL-3.0-or-later
// libwebp with our size budget, cropped and scaled to a part that falls on
// whole source pixels or between them (reduced), decoded whole and scaled
// (enlarged) or shown as it is, turned by whatever orientation the file's
// EXIF chunk claims. A picture that loads has the part's size and is opaque.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/webp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A third of the picture with its lower right part kept, a part of two
  // fifths a pixel off the crop's step, then three times the picture with
  // a corner of at most 64 x 64 kept.
  const tivolen::ScalePlan reduced = [](tivolen::PictureSize natural) {
    const tivolen::PictureSize scaled{std::max(1, natural.width / 3),
                                      std::max(1, natural.height / 3)};
    return tivolen::ScaledPart{
        scaled,
        scaled.width / 2,
        scaled.height / 2,
        {scaled.width - scaled.width / 2, scaled.height - scaled.height / 2}};
  };
  const tivolen::ScalePlan between = [](tivolen::PictureSize natural) {
    const tivolen::PictureSize scaled{std::max(1, natural.width * 2 / 5),
                                      std::max(1, natural.height * 2 / 5)};
    return tivolen::ScaledPart{scaled,
                               scaled.width > 2 ? 1 : 0,
                               scaled.height > 2 ? 1 : 0,
                               {std::max(1, scaled.width - 2), std::max(1, scaled.height - 2)}};
  };
  const tivolen::ScalePlan enlarged = [](tivolen::PictureSize natural) {
    const tivolen::PictureSize scaled{natural.width * 3, natural.height * 3};
    return tivolen::ScaledPart{
        scaled, scaled.width / 3, 0, {std::min(64, scaled.width / 2), std::min(64, scaled.height)}};
  };
  const tivolen::ScalePlan unscaled;
  for (const tivolen::ScalePlan& plan : {reduced, between, enlarged, unscaled}) {
    const tivolen::WebpResult result = tivolen::decodeWebpScaled(bytes, plan);
    if (!result.handled || !result.loaded.status.isOk()) continue;
    const tivolen::Picture& pixels = result.loaded.pixels;
    if (pixels.empty()) std::abort();
    const tivolen::PictureSize wanted =
        plan ? plan(result.loaded.natural)->kept : result.loaded.natural;
    if (pixels.size() != wanted) std::abort();
    for (std::int32_t y = 0; y < pixels.height(); ++y) {
      for (std::int32_t x = 0; x < pixels.width(); ++x) {
        if (pixels.at(x, y) >> 24 != 0xff) std::abort();
      }
    }
  }
  return 0;
}

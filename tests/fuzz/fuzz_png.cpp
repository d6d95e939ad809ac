// SPDX-License-Identifier: GPL-3.0-or-later
// libpng with our size budget, transforms and premultiplying, row by row
// into the area scaler (reduced) or the bilinear one (enlarged), interlaced
// pictures whole, turned by whatever orientation the file's eXIf chunk claims;
// and plain pictures inflated whole and unfiltered by our own code, which
// must end exactly as libpng's rows do: the same pixels or the same error.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A third of the picture with its lower right part kept, then three
  // times the picture with a corner of at most 64 x 64 kept.
  const tivolen::ScalePlan reduced = [](tivolen::PictureSize natural) {
    const tivolen::PictureSize scaled{std::max(1, natural.width / 3),
                                      std::max(1, natural.height / 3)};
    return tivolen::ScaledPart{
        scaled,
        scaled.width / 2,
        scaled.height / 2,
        {scaled.width - scaled.width / 2, scaled.height - scaled.height / 2}};
  };
  const tivolen::ScalePlan enlarged = [](tivolen::PictureSize natural) {
    const tivolen::PictureSize scaled{natural.width * 3, natural.height * 3};
    return tivolen::ScaledPart{
        scaled, scaled.width / 3, 0, {std::min(64, scaled.width / 2), std::min(64, scaled.height)}};
  };
  const tivolen::ScalePlan unscaled;
  for (const tivolen::ScalePlan& plan : {reduced, enlarged, unscaled}) {
    const tivolen::PngResult result = tivolen::decodePngScaled(bytes, plan);
    if (result.handled && result.loaded.status.isOk() && result.loaded.pixels.empty()) std::abort();
    const tivolen::PngResult rows =
        tivolen::decodePngScaled(bytes, plan, tivolen::PngInflate::RowByRow);
    if (rows.handled != result.handled ||
        rows.loaded.status.isOk() != result.loaded.status.isOk() ||
        rows.loaded.status.message != result.loaded.status.message ||
        rows.loaded.pixels.size() != result.loaded.pixels.size()) {
      std::abort();
    }
    for (int y = 0; y < rows.loaded.pixels.height(); ++y) {
      if (!std::equal(rows.loaded.pixels.row(y),
                      rows.loaded.pixels.row(y) + rows.loaded.pixels.width(),
                      result.loaded.pixels.row(y))) {
        std::abort();
      }
    }
  }
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/preview.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tivolen::manager {

PictureSize FitInside(PictureSize natural, PictureSize box) {
  if (natural.width <= 0 || natural.height <= 0 || box.width <= 0 || box.height <= 0) return {};
  const double scale = std::min(static_cast<double>(box.width) / natural.width,
                                static_cast<double>(box.height) / natural.height);
  // A picture smaller than the box is shown at its own size, not blown up.
  const double used = std::min(scale, 1.0);
  return {std::max(1, static_cast<int>(std::lround(natural.width * used))),
          std::max(1, static_cast<int>(std::lround(natural.height * used)))};
}

PreviewPicture LoadPreview(Pictures& pictures, const std::string& path, PictureSize box) {
  // Scaled while it is decoded where the back-end can: a progressive or
  // turned photo then never exists at full size either.
  LoadedPicture loaded =
      pictures.loadScaled(path, [box](PictureSize natural) -> std::optional<ScaledPart> {
        const PictureSize fit = FitInside(natural, box);
        if (fit == natural || fit.width <= 0) return std::nullopt;
        return ScaledPart{fit, 0, 0, fit};
      });
  if (!loaded.status.isOk()) return {std::move(loaded.status), {}};
  const PictureSize target = FitInside(loaded.natural, box);
  if (loaded.pixels.empty() || target.width <= 0) {
    return {Status::failedAt(path, "no pixels"), {}};
  }
  if (loaded.pixels.size() == target) return {Status::ok(), std::move(loaded.pixels)};
  const SourceRect whole{0, 0, static_cast<double>(loaded.pixels.width()),
                         static_cast<double>(loaded.pixels.height())};
  return {Status::ok(), pictures.drawScaled(loaded.pixels, whole, target)};
}

}  // namespace tivolen::manager

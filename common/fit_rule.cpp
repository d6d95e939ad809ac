// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/fit_rule.h"

#include <algorithm>
#include <cmath>

#include "common/list_file.h"

namespace tivolen {
namespace {

std::int32_t scaledSide(std::int32_t side, std::int32_t numerator, std::int32_t denominator) {
  // The scale is numerator / denominator; multiplying first keeps the side
  // that matches the screen exact.
  const double exact = static_cast<double>(side) * numerator / denominator;
  return static_cast<std::int32_t>(std::max(1.0, std::round(exact)));
}

}  // namespace

Fit FitPicture(std::int32_t width, std::int32_t height, std::int32_t screenWidth,
               std::int32_t screenHeight, int style) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const float sw = static_cast<float>(screenWidth);
  const float sh = static_cast<float>(screenHeight);

  if (sw / 4.0F > w || sh / 4.0F > h) return {FitKind::Tile, width, height, 1};
  if (std::fabs(1.0F - w / sw) < 0.01F && std::fabs(1.0F - h / sh) < 0.01F) {
    return {FitKind::Centre, width, height, 0};
  }

  // Equal aspect ratios count as "taller or equal".
  const bool wider = sh / sw > h / w;
  const bool byHeight = (style == kStyleFit) != wider;  // s = sh / h, else s = sw / w
  if (byHeight) {
    return {FitKind::Scale, scaledSide(width, screenHeight, height), screenHeight, 0};
  }
  return {FitKind::Scale, screenWidth, scaledSide(height, screenWidth, width), 0};
}

}  // namespace tivolen

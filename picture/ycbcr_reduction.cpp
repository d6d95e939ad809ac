// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/ycbcr_reduction.h"

#include <algorithm>

namespace tivolen {
namespace {

std::uint32_t clampToByte(float value) {
  return static_cast<std::uint32_t>(std::clamp(value + 0.5F, 0.0F, 255.0F));
}

}  // namespace

Span span(int out, int denominator, int subsampling, int size) {
  const int first = std::min(out * denominator / subsampling, size - 1);
  const int last = std::clamp((out + 1) * denominator / subsampling, first + 1, size);
  return {first, last};
}

int divideUp(int side, int denominator) {
  return (side + denominator - 1) / denominator;
}

int reduction(PictureSize natural, const NeededSize& needed, int largest) {
  if (!needed) return 1;
  const PictureSize want = needed(natural);
  for (const int candidate : {8, 4, 2}) {
    if (candidate <= largest && divideUp(natural.width, candidate) >= want.width &&
        divideUp(natural.height, candidate) >= want.height) {
      return candidate;
    }
  }
  return 1;
}

std::optional<ColourMatrix> colourMatrix(int matrixCoefficients, bool fullRange) {
  float kr = 0.299F;
  float kb = 0.114F;
  switch (matrixCoefficients) {
    case 1:  // BT.709
      kr = 0.2126F;
      kb = 0.0722F;
      break;
    case 2:  // unspecified
    case 5:  // BT.470 B/G
    case 6:  // BT.601
      break;
    case 9:  // BT.2020, non-constant luminance
      kr = 0.2627F;
      kb = 0.0593F;
      break;
    default:
      return std::nullopt;
  }
  const float kg = 1.0F - kr - kb;
  return ColourMatrix{2.0F * (1.0F - kr),
                      -2.0F * kb * (1.0F - kb) / kg,
                      -2.0F * kr * (1.0F - kr) / kg,
                      2.0F * (1.0F - kb),
                      fullRange ? 0.0F : 16.0F,
                      fullRange ? 1.0F : 255.0F / 219.0F,
                      fullRange ? 1.0F : 255.0F / 224.0F};
}

void reduceYCbCr(const YCbCrPlanes& planes, const ColourMatrix& m, int denominator,
                 ReducedRange range, const Destination& destination) {
  const Plane& luma = planes.luma;
  const Plane& cb = planes.cb;
  const Plane& cr = planes.cr;
  for (int y = range.firstY; y < range.lastY; ++y) {
    const Span lumaRows = span(y, denominator, 1, luma.height);
    const Span chromaRows = span(y, denominator, planes.subsampleY, cb.height);
    std::uint32_t* out = destination.origin + (y - range.firstY) * destination.stepY;
    for (int x = range.firstX; x < range.lastX; ++x, out += destination.stepX) {
      const Span lumaColumns = span(x, denominator, 1, luma.width);
      const Span chromaColumns = span(x, denominator, planes.subsampleX, cb.width);
      int lumaSum = 0;
      for (int sy = lumaRows.first; sy < lumaRows.last; ++sy) {
        const std::uint8_t* source = luma.data + static_cast<std::ptrdiff_t>(sy) * luma.stride;
        for (int sx = lumaColumns.first; sx < lumaColumns.last; ++sx) lumaSum += source[sx];
      }
      int cbSum = 0;
      int crSum = 0;
      for (int sy = chromaRows.first; sy < chromaRows.last; ++sy) {
        const std::uint8_t* blue = cb.data + static_cast<std::ptrdiff_t>(sy) * cb.stride;
        const std::uint8_t* red = cr.data + static_cast<std::ptrdiff_t>(sy) * cr.stride;
        for (int sx = chromaColumns.first; sx < chromaColumns.last; ++sx) {
          cbSum += blue[sx];
          crSum += red[sx];
        }
      }
      const int lumaCount =
          (lumaRows.last - lumaRows.first) * (lumaColumns.last - lumaColumns.first);
      const int chromaCount =
          (chromaRows.last - chromaRows.first) * (chromaColumns.last - chromaColumns.first);
      const float yy =
          (static_cast<float>(lumaSum) / static_cast<float>(lumaCount) - m.lumaOffset) *
          m.lumaScale;
      const float u =
          (static_cast<float>(cbSum) / static_cast<float>(chromaCount) - 128.0F) * m.chromaScale;
      const float v =
          (static_cast<float>(crSum) / static_cast<float>(chromaCount) - 128.0F) * m.chromaScale;
      *out = 0xff000000U | clampToByte(yy + m.crToRed * v) << 16 |
             clampToByte(yy + m.cbToGreen * u + m.crToGreen * v) << 8 |
             clampToByte(yy + m.cbToBlue * u);
    }
  }
}

}  // namespace tivolen

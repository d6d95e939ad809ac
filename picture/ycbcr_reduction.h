// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "picture/picture.h"

namespace tivolen {

// The largest of 1/8, 1/4, 1/2 that still covers the need, as for JPEG, and
// no larger than `largest` (a power of two).
int reduction(PictureSize natural, const NeededSize& needed, int largest = 8);

int divideUp(int side, int denominator);

// The span [first, last) of source samples that output sample `out` covers
// at `denominator` source samples per output sample, on a plane of `size`
// samples that has `subsampling` luma samples per sample.
struct Span {
  int first;
  int last;
};
Span span(int out, int denominator, int subsampling, int size);

// YCbCr to RGB by the matrix a file names (ITU-T H.273 numbers).
struct ColourMatrix {
  float crToRed;
  float cbToGreen;
  float crToGreen;
  float cbToBlue;
  float lumaOffset;
  float lumaScale;
  float chromaScale;
};
// Nothing for a matrix the conversion below does not know.
std::optional<ColourMatrix> colourMatrix(int matrixCoefficients, bool fullRange);

struct Plane {
  const std::uint8_t* data = nullptr;
  int stride = 0;
  int width = 0;
  int height = 0;
};

struct YCbCrPlanes {
  Plane luma;
  Plane cb;
  Plane cr;
  int subsampleX = 2;  // luma samples per chroma sample
  int subsampleY = 2;
};

// Where reduced pixel (x, y) goes: origin + x * stepX + y * stepY. The
// steps turn and mirror the result on the way out.
struct Destination {
  std::uint32_t* origin;
  std::ptrdiff_t stepX;
  std::ptrdiff_t stepY;
};

// The reduced pixels [firstX, lastX) x [firstY, lastY) of `planes`, each the
// box average of its `denominator` x `denominator` samples (fewer at the
// edges), converted to 0xffRRGGBB. Averaging before the conversion equals
// averaging the converted colours, since it is linear, at a fraction of the
// work.
struct ReducedRange {
  int firstX;
  int lastX;
  int firstY;
  int lastY;
};
void reduceYCbCr(const YCbCrPlanes& planes, const ColourMatrix& matrix, int denominator,
                 ReducedRange range, const Destination& destination);

}  // namespace tivolen

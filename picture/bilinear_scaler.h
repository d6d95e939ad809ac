// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "picture/picture.h"

namespace tivolen {

// The kept part of `source` scaled whole to `part.scaled`, bilinear, as Qt's
// smooth transformation enlarges, on pixman's SIMD paths: only the kept
// pixels are computed, straight into a picture of kept size, so the
// enlarged picture is never held whole. Meant for enlarging; a reduction
// by more than a little is better served by AreaScaler, which averages
// every source pixel instead of sampling four. An empty picture when pixman
// cannot take the sizes.
Picture scaleBilinear(const Picture& source, const ScaledPart& part);

// The kept part of `source` scaled whole to `part.scaled` with whichever of
// the two suits: area averaging where both sides shrink, bilinear where one
// grows.
Picture scaleToPart(const Picture& source, const ScaledPart& part);

}  // namespace tivolen

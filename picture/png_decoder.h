// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// libpng, without Qt: the part of the PNG that `plan` names, at its kept
// size. A reduced picture is scaled by area averaging row by row as libpng
// hands the rows out, so the whole picture is never held; an enlarged or
// interlaced one is decoded whole once and then scaled. Transparent parts
// show black, as Qt's premultiplied pixels do. The memory budget is the
// general decoder's (8 bytes a pixel for 16-bit channels), so a picture is
// refused or shown alike on either path. `handled` is false for what it
// leaves to the general decoder: no plan, no part, or no PNG signature.
struct PngResult {
  bool handled = true;
  LoadedPicture loaded;
};
PngResult decodePngScaled(std::string_view bytes, const ScalePlan& plan);

}  // namespace tivolen

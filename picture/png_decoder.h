// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// libpng, without Qt: the part of the PNG that `plan` names, at its kept
// size, or the whole picture unscaled where there is no plan or it names no
// part (centred, tiled, or already the screen's size). A reduced picture is
// scaled by area averaging row by row as the rows come, so the whole
// picture is never held; an enlarged one is sampled from a band of rows, an
// interlaced one decoded whole and then scaled. Transparent parts show
// black, as Qt's premultiplied pixels do. The memory budget is the general
// decoder's (8 bytes a pixel for 16-bit channels), so a picture is refused
// or shown alike on either path. `handled` is false for what it leaves to
// the general decoder: an empty part, or no PNG signature.
// An 8-bit RGB or RGBA picture that is not interlaced has its data inflated
// whole first (see InflatedPng); `RowByRow` keeps to libpng alone, as the
// tests that compare the two paths do.
struct PngResult {
  bool handled = true;
  LoadedPicture loaded;
};
enum class PngInflate { WholeWhenPlain, RowByRow };
PngResult decodePngScaled(std::string_view bytes, const ScalePlan& plan,
                          PngInflate inflate = PngInflate::WholeWhenPlain);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "picture/picture.h"

namespace tivolen {

// libwebp, without Qt: the part of a still WebP that `plan` names, at its
// kept size, or the whole picture unscaled where there is no plan or it
// names no part (centred, tiled, or already the screen's size). A reduced
// picture is cropped and scaled by libwebp while it decodes, so neither the
// picture at its natural size nor the part outside the screen is ever made;
// an enlarged one is decoded at its natural size and then scaled. The EXIF
// chunk's orientation is applied, transparent parts show black as Qt's
// premultiplied pixels do, and the memory budget is the general decoder's.
// `handled` is false for what it leaves to the general decoder: no WebP
// header, an animation (Qt shows its first frame over the canvas), or an
// empty part.
struct WebpResult {
  bool handled = true;
  LoadedPicture loaded;
};
WebpResult decodeWebpScaled(std::string_view bytes, const ScalePlan& plan);

// RIFF....WEBP: whether `bytes` start as a WebP file does.
bool looksLikeWebp(std::string_view bytes);

}  // namespace tivolen

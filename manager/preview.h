// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/pictures.h"

namespace tivolen::manager {

struct PreviewPicture {
  Status status;   // why nothing can be shown, for standard error
  Picture pixels;  // fitted whole inside the box, upright
};

// The size that shows all of `natural` inside `box`, keeping its shape.
PictureSize FitInside(PictureSize natural, PictureSize box);

// The preview of one picture file for a box of `box` pixels. The decoder is
// asked for no more than the box needs, so a 24 MP photo is decoded at an
// eighth of its size. Safe to run off the window's thread: it touches only
// the file and its own pixels.
PreviewPicture LoadPreview(Pictures& pictures, const std::string& path, PictureSize box);

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tivolen {

// How an automatic style (3 "オート1", 4 "オート2") lays a picture on the screen.
enum class FitKind {
  Tile,    // small picture: saved unscaled and tiled
  Centre,  // within 1 % of the screen's size: saved unscaled and centred
  Scale,   // scaled to width x height, then centred
};

struct Fit {
  FitKind kind = FitKind::Centre;
  std::int32_t width = 0;  // the size of the saved picture
  std::int32_t height = 0;
  int style = 0;  // the style the result is applied with: 1 for Tile, else 0
};

// The one rule the changer's renderer and the manager's automatic style share.
// Sizes are pixels held in 32 bits: the screen sizes of old were 16-bit
// twips, which refused every screen wider than 2184 pixels. The thresholds
// and the aspect comparison are made in single precision as they always were,
// so borderline pictures fall the same way. `style` 3 fits the whole picture
// inside the screen, any other value covers the screen. Every size must be
// positive.
Fit FitPicture(std::int32_t width, std::int32_t height, std::int32_t screenWidth,
               std::int32_t screenHeight, int style);

}  // namespace tivolen

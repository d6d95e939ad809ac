// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

#include "picture/heif_boxes.h"
#include "picture/picture.h"

namespace tivolen {

// A HEIF picture made of a grid of 8-bit HEVC tiles, as phones save their
// photos, decoded tile by tile through libde265 on up to two threads. Each
// tile is reduced straight into the result while its colours are
// converted, so the full-size picture never exists: memory is a few tiles
// and the result. Rotation, mirroring and cropping of the grid are applied
// as the file says. Tiles are read from the file as they are decoded.
//
// Nothing when the file is anything else (one image, another codec, more
// than 8 bits, transparency) or a tile does not decode: the caller then
// decodes it another way, which also tells what is wrong with it. A failure
// when a size the file's coded streams or grid claim is above the pixel
// limit or other than the file says: no other way should decode it either.
std::optional<LoadedPicture> decodeHeifGrid(const HeifFile& file, const NeededSize& needed);
std::optional<LoadedPicture> decodeHeifGrid(std::string_view bytes, const NeededSize& needed);

}  // namespace tivolen

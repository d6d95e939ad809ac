// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tivolen {

// Writes HEIC files the way phones do: the picture cut into tiles, each
// tile coded as its own hidden HEVC item (by libheif's encoder), and a grid
// item as the primary picture that names them. Debian's encoders write one
// single image, so the tests and benchmarks make their phone-like photos
// with this.
struct HeifGridOptions {
  int tileWidth = 512;
  int tileHeight = 512;
  int quality = 80;
  // Property boxes (heifRotation and the like) given to the grid item, in
  // the order they apply.
  std::vector<std::string> transforms;

  // What crafted files do, for the tests of what they may cost: all but
  // zero leave an honest file.
  struct Hostile {
    int codedWidth = 0;  // the coded streams claim this size, the boxes keep theirs
    int codedHeight = 0;
    bool inDataOnly = false;  // the claim in the item's own bytes, not its configuration
    int gridWidth = 0;        // the grid's description claims this size, its ispe keeps its own
    int gridHeight = 0;
    bool oneTile = false;  // every tile is one item, the first (rgb need hold only that)
    int extraItems = 0;    // hidden items of no data before the tiles
    int tileLinks = 0;     // the first tile's configuration and size named this many times more
  } hostile;
};

// `rgb`: `width` x `height` pixels of 3 bytes, rows `stride` bytes apart.
// Empty when the encoder fails.
std::string writeHeifGrid(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                          const HeifGridOptions& options);

// One picture, one item, coded by libheif's encoder for `codec` (a
// heif_compression_format); the options' tile size and transforms do not
// apply, their hostile coded size does.
std::string writeHeifImage(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                           int codec, const HeifGridOptions& options);

// Turned `quarterTurns` quarters anticlockwise (irot).
std::string heifRotation(int quarterTurns);
// Mirrored top to bottom (0) or left to right (1) (imir).
std::string heifMirror(int axis);
// Cropped to `width` x `height` around the centre moved by the offsets (clap).
std::string heifCrop(int width, int height, int horizontalOffset, int verticalOffset);

}  // namespace tivolen

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
};

// `rgb`: `width` x `height` pixels of 3 bytes, rows `stride` bytes apart.
// Empty when the encoder fails.
std::string writeHeifGrid(const std::uint8_t* rgb, int width, int height, std::ptrdiff_t stride,
                          const HeifGridOptions& options);

// Turned `quarterTurns` quarters anticlockwise (irot).
std::string heifRotation(int quarterTurns);
// Mirrored top to bottom (0) or left to right (1) (imir).
std::string heifMirror(int axis);
// Cropped to `width` x `height` around the centre moved by the offsets (clap).
std::string heifCrop(int width, int height, int horizontalOffset, int verticalOffset);

}  // namespace tivolen

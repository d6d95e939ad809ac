// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a camera-like JPEG for the speed comparisons: smooth colour fields,
// mid-sized texture and sensor grain, so it compresses about as a real
// photograph does. Cameras and phones save 4:4:4 or 4:2:0 at quality 90 or
// so; 4:4:4 costs the decoder most, which is what users' photos ask of it.
// A name ending in .heic makes a HEIC as phones save it instead: a grid of
// 512 x 512 HEVC tiles at QUALITY (4:2:0), of the picture the JPEG of the
// same size and sampling at quality 90 shows, so that it is the same
// picture as that JPEG and as a HEIC made from it.
// Usage: make_photo WIDTH HEIGHT OUTPUT.jpg|OUTPUT.heic [444|420] [QUALITY] [progressive]
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/heif_grid_writer.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc > 7) {
    std::fprintf(
        stderr, "usage: %s WIDTH HEIGHT OUTPUT.jpg|OUTPUT.heic [444|420] [QUALITY] [progressive]\n",
        argv[0]);
    return 2;
  }
  const int width = std::atoi(argv[1]);
  const int height = std::atoi(argv[2]);
  const std::string_view sampling = argc > 4 ? argv[4] : "420";
  const int quality = argc > 5 ? std::atoi(argv[5]) : 92;
  const bool progressive = argc > 6 && std::string_view(argv[6]) == "progressive";
  if (width <= 0 || height <= 0 || quality < 1 || quality > 100 ||
      (sampling != "444" && sampling != "420")) {
    return 2;
  }

  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  std::mt19937 random(12345);
  std::normal_distribution<float> grain(0.0F, 6.0F);
  const float fx = 6.2831853F / static_cast<float>(width);
  const float fy = 6.2831853F / static_cast<float>(height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float u = static_cast<float>(x) * fx;
      const float v = static_cast<float>(y) * fy;
      // Large fields (sky, ground), medium texture (foliage), fine detail.
      const float field = 0.5F + 0.35F * std::sin(u * 0.7F + 1.3F) * std::cos(v * 0.9F);
      const float texture = 0.12F * std::sin(u * 37.0F + std::sin(v * 23.0F) * 3.0F) *
                            std::cos(v * 41.0F + std::sin(u * 19.0F) * 2.0F);
      const float detail = 0.05F * std::sin(u * 310.0F + v * 170.0F);
      const float base = (field + texture + detail) * 255.0F;
      unsigned char* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      const float tint[3] = {1.05F - 0.3F * static_cast<float>(y) / static_cast<float>(height),
                             0.95F,
                             0.7F + 0.4F * static_cast<float>(y) / static_cast<float>(height)};
      for (int c = 0; c < 3; ++c) {
        const float value = base * tint[c] + grain(random);
        pixel[c] = static_cast<unsigned char>(std::clamp(value, 0.0F, 255.0F));
      }
    }
  }

  const bool heic = std::string_view(argv[3]).ends_with(".heic");
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
  if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                  sampling == "444" ? TJSAMP_444 : TJSAMP_420, heic ? 90 : quality, flags) != 0) {
    std::fprintf(stderr, "%s\n", tjGetErrorStr2(handle));
    return 1;
  }
  tjDestroy(handle);
  if (heic) {
    tjhandle decoder = tjInitDecompress();
    if (tjDecompress2(decoder, jpeg, size, rgb.data(), width, 0, height, TJPF_RGB, 0) != 0) {
      std::fprintf(stderr, "%s\n", tjGetErrorStr2(decoder));
      return 1;
    }
    tjDestroy(decoder);
    tjFree(jpeg);
    tivolen::HeifGridOptions options;
    options.quality = quality;
    const std::string grid =
        tivolen::writeHeifGrid(rgb.data(), width, height, std::ptrdiff_t{width} * 3, options);
    FILE* out = std::fopen(argv[3], "wb");
    if (grid.empty() || out == nullptr ||
        std::fwrite(grid.data(), 1, grid.size(), out) != grid.size() || std::fclose(out) != 0) {
      std::fprintf(stderr, "%s: could not write\n", argv[3]);
      return 1;
    }
    return 0;
  }

  FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr || std::fwrite(jpeg, 1, size, out) != size || std::fclose(out) != 0) {
    std::perror(argv[3]);
    return 1;
  }
  tjFree(jpeg);
  return 0;
}

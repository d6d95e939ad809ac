// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC photos as phones save them, a grid of HEVC tiles, decoded tile by
// tile: the same picture as libheif's own decode of the file, turned,
// mirrored and cropped alike; anything else left to libheif.
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "picture/heif_boxes.h"
#include "picture/heif_decoder.h"
#include "picture/heif_grid_decoder.h"
#include "platform/linux/linux_pictures.h"
#include "tests/temp_dir.h"
#include "tools/heif_grid_writer.h"

namespace tivolen {
namespace {

// A smooth picture whose colours tell every corner apart: red grows to the
// right, green downwards, so a turn or a mirror shows in any pixel.
std::vector<std::uint8_t> gradient(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      pixel[0] = static_cast<std::uint8_t>(20 + 215 * x / (width - 1));
      pixel[1] = static_cast<std::uint8_t>(20 + 215 * y / (height - 1));
      pixel[2] = 90;
    }
  }
  return rgb;
}

std::string gridFile(int width, int height, std::vector<std::string> transforms = {}) {
  const auto rgb = gradient(width, height);
  HeifGridOptions options;
  options.tileWidth = 64;
  options.tileHeight = 64;
  options.quality = 90;
  options.transforms = std::move(transforms);
  return writeHeifGrid(rgb.data(), width, height, std::ptrdiff_t{width} * 3, options);
}

// libheif's decode of the whole file: the independent judge of what the
// file shows. Pixels 0xffRRGGBB, row by row.
struct Reference {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
Reference libheifDecode(const std::string& file) {
  Reference out;
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code ==
          heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
      heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
              .code == heif_error_Ok) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    out.width = heif_image_get_width(image, heif_channel_interleaved);
    out.height = heif_image_get_height(image, heif_channel_interleaved);
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) {
        const std::uint8_t* p = plane + static_cast<std::ptrdiff_t>(y) * stride + x * 3;
        out.pixels.push_back(0xff000000U | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 |
                             p[2]);
      }
    }
  }
  if (image != nullptr) heif_image_release(image);
  if (handle != nullptr) heif_image_handle_release(handle);
  heif_context_free(context);
  return out;
}

int channelDistance(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (const int shift : {0, 8, 16}) {
    most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xffU) -
                                   static_cast<int>((b >> shift) & 0xffU)));
  }
  return most;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(testing::FromUtf8(path), std::ios::binary) << bytes;
}

TEST(HeifGrid, TilesDecodeAsLibheifShowsTheFileTurnedMirroredAndCropped) {
  struct Case {
    const char* name;
    std::vector<std::string> transforms;
  };
  // 200 x 136 on 64 x 64 tiles: the last column and row reach past it.
  const Case cases[] = {
      {"plain", {}},
      {"quarter turn", {heifRotation(1)}},
      {"three quarters, mirrored left-right", {heifRotation(3), heifMirror(1)}},
      {"mirrored top-bottom", {heifMirror(0)}},
      {"odd crop, then turned", {heifCrop(151, 99, -7, 5), heifRotation(1)}},
      {"turned, then cropped", {heifRotation(1), heifCrop(99, 151, 3, -4)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = gridFile(200, 136, c.transforms);
    const Reference expected = libheifDecode(file);
    ASSERT_GT(expected.width, 0) << "libheif reads the grid file";
    for (const int denominator : {1, 2, 4}) {
      SCOPED_TRACE(denominator);
      const auto decoded = decodeHeifGrid(file, [&](PictureSize natural) {
        return PictureSize{natural.width / denominator, natural.height / denominator};
      });
      ASSERT_TRUE(decoded.has_value()) << "decoded tile by tile";
      ASSERT_TRUE(decoded->status.isOk()) << decoded->status.message;
      ASSERT_EQ(decoded->natural, (PictureSize{expected.width, expected.height}));
      const Picture& pixels = decoded->pixels;
      ASSERT_EQ(pixels.size(), (PictureSize{(expected.width + denominator - 1) / denominator,
                                            (expected.height + denominator - 1) / denominator}));
      // Each reduced pixel against the libheif pixel at its block's centre:
      // the gradient changes by under 2 levels a pixel, so a block's
      // average stays within a few levels of it.
      int worst = 0;
      for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
          const int sx = std::min(x * denominator + denominator / 2, expected.width - 1);
          const int sy = std::min(y * denominator + denominator / 2, expected.height - 1);
          worst = std::max(
              worst,
              channelDistance(pixels.at(x, y),
                              expected.pixels[static_cast<std::size_t>(sy) * expected.width + sx]));
        }
      }
      EXPECT_LE(worst, 3 + 2 * denominator);
    }
  }
  // The changer's decoder takes the tile path for such files.
  const std::string plain = gridFile(200, 136);
  const LoadedPicture loaded = decodeHeif(plain, {});
  const auto tiled = decodeHeifGrid(plain, {});
  ASSERT_TRUE(loaded.status.isOk() && tiled.has_value());
  EXPECT_EQ(loaded.pixels.at(150, 100), tiled->pixels.at(150, 100));
}

TEST(HeifGrid, FromAFileTheTilesAreReadAsTheyAreDecoded) {
  // Grain keeps the tiles from compressing to nothing: most of them lie
  // past the first bytes read to recognise the file.
  std::vector<std::uint8_t> rgb = gradient(400, 272);
  std::uint32_t state = 12345;
  for (std::uint8_t& channel : rgb) {
    state = state * 1103515245U + 12345U;
    channel = static_cast<std::uint8_t>(std::clamp<int>(channel + int(state >> 28) - 8, 0, 255));
  }
  HeifGridOptions options;
  options.tileWidth = 64;
  options.tileHeight = 64;
  options.quality = 90;
  const std::string file = writeHeifGrid(rgb.data(), 400, 272, 400 * 3, options);
  ASSERT_GT(file.size(), 64U * 1024);
  const auto whole = decodeHeifGrid(file, {});
  ASSERT_TRUE(whole.has_value());

  std::size_t read = 0;
  const ReadAt readAt = [&](std::uint64_t offset, char* out, std::size_t count) {
    if (offset > file.size() || count > file.size() - offset) return false;
    file.copy(out, count, offset);
    read += count;
    return true;
  };
  const std::optional<std::uint64_t> metaEnd = heifMetaEnd(file.size(), readAt);
  ASSERT_TRUE(metaEnd.has_value());
  const auto streamed =
      decodeHeifGrid(HeifFile(std::string_view(file).substr(0, *metaEnd), file.size(), readAt), {});
  ASSERT_TRUE(streamed.has_value());
  EXPECT_GT(read, file.size() / 2);
  for (int y = 0; y < whole->pixels.height(); ++y) {
    for (int x = 0; x < whole->pixels.width(); ++x) {
      ASSERT_EQ(streamed->pixels.at(x, y), whole->pixels.at(x, y)) << x << ", " << y;
    }
  }

  // The changer's reading of a file takes the same way.
  const testing::TempDir dir;
  const std::string path = dir / "グリッド.heic";
  writeFile(path, file);
  const LoadedPicture fromFile = LinuxPictures().load(path);
  ASSERT_TRUE(fromFile.status.isOk()) << fromFile.status.message;
  ASSERT_EQ(fromFile.pixels.size(), whole->pixels.size());
  for (int y = 0; y < whole->pixels.height(); ++y) {
    for (int x = 0; x < whole->pixels.width(); ++x) {
      ASSERT_EQ(fromFile.pixels.at(x, y), whole->pixels.at(x, y)) << x << ", " << y;
    }
  }
}

TEST(HeifGrid, TheMetaBoxIsFoundFromTheBoxHeadersAlone) {
  const auto box = [](const char* type, std::uint32_t size) {
    std::string out(size, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(size >> (24 - 8 * i));
    out.replace(4, 4, type);
    return out;
  };
  std::string large = box("free", 24);  // 64-bit size: 1, then 24
  large.replace(0, 4, std::string("\0\0\0\1", 4));
  large.replace(8, 8, std::string("\0\0\0\0\0\0\0\x18", 8));
  struct Case {
    const char* name;
    std::string file;
    std::optional<std::uint64_t> end;
  };
  const Case cases[] = {
      {"after ftyp", box("ftyp", 16) + box("meta", 40) + box("mdat", 100), 56},
      {"after a box of 64-bit size and the data",
       box("ftyp", 16) + large + box("mdat", 100) + box("meta", 40), 180},
      {"running past the file", box("ftyp", 16) + box("meta", 40).substr(0, 39), std::nullopt},
      {"a box smaller than its header", box("ftyp", 16) + box("free", 4) + box("meta", 40),
       std::nullopt},
      {"none", box("ftyp", 16) + box("mdat", 100), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string& file = c.file;
    EXPECT_EQ(heifMetaEnd(file.size(),
                          [&](std::uint64_t offset, char* out, std::size_t count) {
                            if (offset > file.size() || count > file.size() - offset) return false;
                            file.copy(out, count, offset);
                            return true;
                          }),
              c.end);
  }
}

TEST(HeifGrid, FilesTheTilePathDoesNotTakeStillDecodeOrFailCleanly) {
  const std::string grid = gridFile(200, 136);
  const auto patched = [&](const std::string& from, const std::string& to, std::size_t skip) {
    std::string file = grid;
    std::size_t at = file.find(from);
    for (std::size_t i = 0; i < skip && at != std::string::npos; ++i) {
      at = file.find(from, at + 1);
    }
    if (at != std::string::npos) file.replace(at, to.size(), to);
    return file;
  };
  std::string tenBit = grid;
  tenBit[tenBit.find("hvcC") + 4 + 17] |= 2;  // bitDepthLumaMinus8
  struct Case {
    const char* name;
    std::string file;
    bool decodes;
  };
  const Case cases[] = {
      {"a tile that is not HEVC", patched("hvc1", "av01", 0), false},
      {"tiles said to be 10-bit", tenBit, false},
      {"cut short in the tiles", grid.substr(0, grid.size() * 2 / 3), false},
      {"grid description cut", patched("idat", "idaX", 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decodeHeifGrid(c.file, {}).has_value());
    const LoadedPicture loaded = decodeHeif(c.file, {});
    EXPECT_EQ(loaded.status.isOk(), c.decodes) << loaded.status.message;
    const testing::TempDir dir;
    writeFile(dir / "photo.heic", c.file);
    EXPECT_EQ(LinuxPictures().load(dir / "photo.heic").status.isOk(), c.decodes);
  }
}

// How loading a file went in a process of its own: its peak memory is its
// own, and a decoder that runs away is stopped, at a time or memory bound,
// before it takes the test or the machine with it.
struct Cost {
  bool finished = false;  // not stopped
  bool refused = false;
  double seconds = 0;
  long peakMegabytes = 0;
};
long residentMegabytes(pid_t child) {
  std::ifstream statm("/proc/" + std::to_string(child) + "/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}
Cost loadInChild(const std::string& path, double seconds, const NeededSize& needed = {}) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const LoadedPicture loaded = LinuxPictures().load(path, needed);
    _exit(!loaded.status.isOk() && loaded.pixels.empty() ? 0 : 1);
  }
  Cost cost;
  if (child < 0) return cost;
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, WNOHANG, &usage) == 0) {
    cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.peakMegabytes = std::max(cost.peakMegabytes, residentMegabytes(child));
    if (cost.seconds > seconds || cost.peakMegabytes > 1024) {
      kill(child, SIGKILL);
      wait4(child, &status, 0, &usage);
      return cost;
    }
    usleep(20000);
  }
  cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.finished = WIFEXITED(status);
  cost.refused = cost.finished && WEXITSTATUS(status) == 0;
  cost.peakMegabytes = std::max(cost.peakMegabytes, usage.ru_maxrss / 1024);
  return cost;
}

std::string hostileGrid(int width, int height, int tileSide, HeifGridOptions::Hostile hostile) {
  const auto rgb = gradient(width, height);
  HeifGridOptions options;
  options.tileWidth = tileSide;
  options.tileHeight = tileSide;
  options.quality = 50;
  options.hostile = hostile;
  return writeHeifGrid(rgb.data(), width, height, std::ptrdiff_t{width} * 3, options);
}

std::string hostileImage(int width, int height, heif_compression_format codec,
                         HeifGridOptions::Hostile hostile, bool flat = false) {
  auto rgb = gradient(width, height);
  if (flat) std::fill(rgb.begin(), rgb.end(), std::uint8_t{100});
  HeifGridOptions options;
  options.quality = 50;
  options.hostile = hostile;
  return writeHeifImage(rgb.data(), width, height, std::ptrdiff_t{width} * 3, codec, options);
}

// Sizes come from 32-bit fields: two sides near 2^32 multiply past 64 bits
// and, wrapped, looked small enough (found by fuzzing).
TEST(HeifGrid, SidesNearTheirFieldLimitAreTooLargeNotWrapped) {
  constexpr std::int64_t kCap = std::int64_t{1} << 26;
  const std::int64_t huge = 4294967295;
  const std::int64_t nearlyHuge = 4294967061;
  EXPECT_FALSE(heifCodedSizeFits({huge, nearlyHuge}, huge, nearlyHuge, kCap));
  EXPECT_FALSE(heifCodedSizeFits({kCap + 1, 1}, kCap + 1, 1, kCap));
  EXPECT_TRUE(heifCodedSizeFits({1024, 768}, 1000, 750, kCap));
}

TEST(HeifGrid, TinyFilesClaimingHugePicturesAreRefusedQuicklyInLittleMemory) {
  HeifGridOptions::Hostile claiming16384;
  claiming16384.codedWidth = 16384;
  claiming16384.codedHeight = 16384;
  HeifGridOptions::Hostile inTheTile = claiming16384;
  inTheTile.inDataOnly = true;
  HeifGridOptions::Hostile claiming32768;
  claiming32768.codedWidth = 32768;
  claiming32768.codedHeight = 32768;
  HeifGridOptions::Hostile hugeGrid;
  hugeGrid.gridWidth = 32640;
  hugeGrid.gridHeight = 32640;
  struct Case {
    const char* name;
    std::string file;
    bool refused;
  };
  const Case cases[] = {
      {"grid whose tile's stream claims 16384 x 16384", hostileGrid(64, 64, 64, claiming16384),
       true},
      {"grid whose tile's own bytes claim 16384 x 16384", hostileGrid(64, 64, 64, inTheTile), true},
      // Flat pictures: their slices still read at the claimed size, so the
      // decoders allocate it and decode it to the end.
      {"one HEVC picture whose stream claims 16384 x 16384",
       hostileImage(64, 64, heif_compression_HEVC, claiming16384, true), true},
      {"AVIF whose sequence header claims 32768 x 32768",
       hostileImage(64, 64, heif_compression_AV1, claiming32768, true), true},
      {"grid drawn 32640 x 32640 for a picture said to be 64 x 64",
       hostileGrid(64, 64, 64, hugeGrid), true},
      // Honest files the size checks must let through: x265 codes 1000 x 750
      // as 1000 x 752 and shows 750 rows.
      {"honest HEVC of a size not of whole blocks",
       hostileImage(1000, 750, heif_compression_HEVC, {}), false},
      {"honest AVIF of an odd size", hostileImage(201, 137, heif_compression_AV1, {}), false},
  };
  const testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.empty()) << "the encoder wrote the file";
    if (c.refused) {
      ASSERT_LT(c.file.size(), 1024U);
    }
    const std::string path = dir / "hostile.heic";
    writeFile(path, c.file);
    const Cost cost = loadInChild(path, 10);
    EXPECT_TRUE(cost.finished) << "stopped after " << cost.seconds << " s at " << cost.peakMegabytes
                               << " MB";
    EXPECT_EQ(cost.refused, c.refused);
    EXPECT_LT(cost.seconds, 5.0);
    EXPECT_LT(cost.peakMegabytes, 400);
  }
}

TEST(HeifGrid, GridsNamingManyItemsOrLinksAreReadInLinearTime) {
  // 128 x 128 tiles of 64 x 64, the most the pixel limit allows, every one
  // the same item; only that tile is coded, so the picture is flat.
  const std::vector<std::uint8_t> flat(64 * 64 * 3, 100);
  HeifGridOptions options;
  options.tileWidth = 64;
  options.tileHeight = 64;
  options.hostile.oneTile = true;
  HeifGridOptions::Hostile manyItems = options.hostile;
  manyItems.extraItems = 200000;
  HeifGridOptions::Hostile manyLinks = options.hostile;
  manyLinks.tileLinks = 4000 * 255;
  struct Case {
    const char* name;
    HeifGridOptions::Hostile hostile;
  };
  const Case cases[] = {{"200,000 items", manyItems},
                        {"4,000 association entries for one tile", manyLinks}};
  const testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    options.hostile = c.hostile;
    const std::string file = writeHeifGrid(flat.data(), 8192, 8192, 64 * 3, options);
    ASSERT_FALSE(file.empty());
    const std::string path = dir / "many.heic";
    writeFile(path, file);
    // Reduced to a screen's size, as the changer does.
    const Cost cost = loadInChild(path, 30, [](PictureSize) { return PictureSize{1024, 1024}; });
    EXPECT_TRUE(cost.finished) << "stopped after " << cost.seconds << " s at " << cost.peakMegabytes
                               << " MB";
    EXPECT_FALSE(cost.refused);
    EXPECT_LT(cost.seconds, 10.0);
    EXPECT_LT(cost.peakMegabytes, 400);
  }
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG decoder's two ways of reading the image data, libpng row by row
// and the whole stream inflated at once and unfiltered here, on pictures
// whose every row uses another filter.
#include "picture/png_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/png_inflated.h"

namespace tivolen {
namespace {

std::string bigEndian32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string chunk(const std::string& type, const std::string& data) {
  const std::string typed = type + data;
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
  return bigEndian32(static_cast<std::uint32_t>(data.size())) + typed + bigEndian32(crc);
}

int paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// A picture of noise and gradients, `channels` 3 (RGB) or 4 (RGBA, with
// alpha running through 0 and 255), as the raw bytes of its rows.
std::vector<std::vector<std::uint8_t>> noisePicture(int width, int height, int channels) {
  std::vector<std::vector<std::uint8_t>> rows(static_cast<std::size_t>(height));
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    auto& row = rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245U + 12345U;
      const auto noise = static_cast<int>((seed >> 16) & 0x3f);
      row.push_back(static_cast<std::uint8_t>(x * 7 + noise));
      row.push_back(static_cast<std::uint8_t>(y * 11 - noise));
      row.push_back(static_cast<std::uint8_t>((x ^ y) * 3 + noise * 2));
      if (channels == 4) row.push_back(static_cast<std::uint8_t>(x % 3 == 0 ? 255 : x * 29 + y));
    }
  }
  return rows;
}

// The PNG of `rows`, row y filtered with filter y % 5 (None, Sub, Up,
// Average, Paeth), its data cut into chunks of `chunkBytes`.
std::string encodePng(const std::vector<std::vector<std::uint8_t>>& rows, int width, int channels,
                      std::size_t chunkBytes, int firstFilter = 0) {
  std::string raw;
  const std::vector<std::uint8_t> zeros(rows.front().size(), 0);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    const auto& row = rows[y];
    const auto& above = y == 0 ? zeros : rows[y - 1];
    const int filter = static_cast<int>((y + static_cast<std::size_t>(firstFilter)) % 5);
    raw += static_cast<char>(filter);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0;
      const int b = above[i];
      const int c = i >= static_cast<std::size_t>(channels) ? above[i - channels] : 0;
      const int predicted = filter == 1   ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? paeth(a, b, c)
                                          : 0;
      raw += static_cast<char>(row[i] - predicted);
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string compressed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
  compressed.resize(size);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  png += chunk("IHDR", bigEndian32(static_cast<std::uint32_t>(width)) +
                           bigEndian32(static_cast<std::uint32_t>(rows.size())) +
                           std::string{8, static_cast<char>(channels == 4 ? 6 : 2), 0, 0, 0});
  png += chunk("tEXt", std::string("Comment\0noise", 13));
  for (std::size_t at = 0; at < compressed.size(); at += chunkBytes) {
    png += chunk("IDAT", compressed.substr(at, chunkBytes));
  }
  return png + chunk("IEND", "");
}

std::uint32_t expectedPixel(const std::vector<std::uint8_t>& row, int x, int channels) {
  const auto* p = row.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(channels);
  const std::uint32_t alpha = channels == 4 ? p[3] : 255;
  const auto times = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
  return 0xff000000U | times(p[0]) << 16 | times(p[1]) << 8 | times(p[2]);
}

const ScalePlan kWhole = [](PictureSize natural) { return ScaledPart{natural, 0, 0, natural}; };
const ScalePlan kReduced = [](PictureSize natural) {
  const PictureSize scaled{natural.width * 2 / 3, natural.height * 2 / 3};
  return ScaledPart{scaled, 1, 2, {scaled.width - 3, scaled.height - 4}};
};
const ScalePlan kEnlarged = [](PictureSize natural) {
  const PictureSize scaled{natural.width * 5 / 2, natural.height * 5 / 2};
  return ScaledPart{scaled, 7, 3, {scaled.width - 9, scaled.height - 8}};
};

void expectSamePictures(const PngResult& fast, const PngResult& libpng) {
  ASSERT_TRUE(fast.handled);
  ASSERT_TRUE(libpng.handled);
  ASSERT_EQ(fast.loaded.status.isOk(), libpng.loaded.status.isOk()) << fast.loaded.status.message;
  EXPECT_EQ(fast.loaded.status.message, libpng.loaded.status.message);
  ASSERT_EQ(fast.loaded.pixels.size(), libpng.loaded.pixels.size());
  for (int y = 0; y < fast.loaded.pixels.height(); ++y) {
    for (int x = 0; x < fast.loaded.pixels.width(); ++x) {
      ASSERT_EQ(fast.loaded.pixels.row(y)[x], libpng.loaded.pixels.row(y)[x])
          << "at " << x << ", " << y;
    }
  }
}

TEST(PngInflatedWhole, EveryFilterUndoneToTheExactPixels) {
  for (const int channels : {3, 4}) {
    for (const int width : {1, 2, 37}) {
      SCOPED_TRACE("channels " + std::to_string(channels) + ", width " + std::to_string(width));
      const int height = 23;
      const auto rows = noisePicture(width, height, channels);
      for (const int firstFilter : {0, 1, 2, 3, 4}) {
        // A single data chunk and one cut into pieces of 50 bytes.
        for (const std::size_t chunkBytes : {std::size_t{1} << 20, std::size_t{50}}) {
          const std::string png = encodePng(rows, width, channels, chunkBytes, firstFilter);
          ASSERT_TRUE(InflatedPng::inflate(png, png.size() * 1000).has_value()) << "left to libpng";
          const PngResult result = decodePngScaled(png, kWhole);
          ASSERT_TRUE(result.loaded.status.isOk()) << result.loaded.status.message;
          ASSERT_EQ(result.loaded.pixels.size(), (PictureSize{width, height}));
          for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
              ASSERT_EQ(result.loaded.pixels.row(y)[x],
                        expectedPixel(rows[static_cast<std::size_t>(y)], x, channels))
                  << "at " << x << ", " << y << ", first filter " << firstFilter;
            }
          }
        }
      }
    }
  }
}

TEST(PngInflatedWhole, ScaledAsLibpngsRowsAre) {
  for (const int channels : {3, 4}) {
    const auto rows = noisePicture(61, 47, channels);
    const std::string png = encodePng(rows, 61, channels, 100);
    for (const ScalePlan& plan : {kReduced, kEnlarged}) {
      expectSamePictures(decodePngScaled(png, plan),
                         decodePngScaled(png, plan, PngInflate::RowByRow));
    }
  }
}

// Damage found only on inflating or unfiltering: the picture is refused
// with libpng's words, or shown as libpng shows it, never half-filled.
TEST(PngInflatedWhole, DamageEndsAsItDoesWithLibpng) {
  const auto rows = noisePicture(40, 30, 3);
  const std::string good = encodePng(rows, 40, 3, 1 << 20);
  const std::size_t data = good.find("IDAT") + 4;
  const std::size_t dataBytes = static_cast<std::size_t>(static_cast<std::uint8_t>(good[data - 6]))
                                    << 8 |
                                static_cast<std::uint8_t>(good[data - 5]);
  const auto withData = [&](const std::string& compressed) {
    const std::size_t start = good.find("IDAT") - 4;
    return good.substr(0, start) + chunk("IDAT", compressed) + good.substr(start + 12 + dataBytes);
  };
  const std::string compressed = good.substr(data, dataBytes);

  std::string flipped = compressed;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  // A stream that stops a third of the way, one with bytes after its end,
  // and a row naming filter 9.
  std::string badFilter;
  {
    std::string raw(std::size_t{30} * 121, '\0');
    raw[std::size_t{121} * 5] = 9;
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    badFilter.resize(size);
    compress2(reinterpret_cast<Bytef*>(badFilter.data()), &size,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
    badFilter.resize(size);
  }
  const std::vector<std::string> damaged = {
      withData(flipped), withData(compressed.substr(0, compressed.size() / 3)),
      withData(compressed + "trailing bytes"), withData(badFilter)};
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    for (const ScalePlan& plan : {kWhole, kReduced}) {
      expectSamePictures(decodePngScaled(damaged[i], plan),
                         decodePngScaled(damaged[i], plan, PngInflate::RowByRow));
    }
  }
  EXPECT_FALSE(decodePngScaled(damaged[3], kWhole).loaded.status.isOk());
}

}  // namespace
}  // namespace tivolen

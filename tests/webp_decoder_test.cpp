// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP decoder that crops and scales while it decodes, against Qt's
// decoding of the same file scaled afterwards as every other picture is:
// lossy and lossless, opaque and transparent, reduced with the part's edges
// on whole source pixels and between them, enlarged and unscaled.
#include "picture/webp_decoder.h"

#include <gtest/gtest.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/bilinear_scaler.h"

namespace tivolen {
namespace {

enum class Coding { Lossy, Lossless, LosslessAlphaUnannounced };

// Gradients under a checkerboard of 8-pixel squares, so that a part taken a
// pixel off its place differs along every square's edge; where `alpha`,
// columns run from transparent to opaque.
std::vector<std::uint8_t> patternBgra(int width, int height, bool alpha) {
  std::vector<std::uint8_t> bgra;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool light = ((x / 8) + (y / 8)) % 2 == 0;
      bgra.push_back(static_cast<std::uint8_t>(light ? 200 : 40));
      bgra.push_back(static_cast<std::uint8_t>(y * 255 / height));
      bgra.push_back(static_cast<std::uint8_t>(x * 255 / width));
      bgra.push_back(alpha ? static_cast<std::uint8_t>((x * 7) % 256) : 0xff);
    }
  }
  return bgra;
}

std::string encodeWebp(int width, int height, Coding coding, bool alpha) {
  const std::vector<std::uint8_t> bgra = patternBgra(width, height, alpha);
  std::uint8_t* out = nullptr;
  const std::size_t size = coding != Coding::Lossy
                               ? WebPEncodeLosslessBGRA(bgra.data(), width, height, width * 4, &out)
                               : WebPEncodeBGRA(bgra.data(), width, height, width * 4, 90, &out);
  std::string file(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  // The header's alpha bit is only a hint: clear, the alpha values the
  // pixels still carry are ignored.
  if (coding == Coding::LosslessAlphaUnannounced) file[24] = static_cast<char>(file[24] & ~0x10);
  return file;
}

// What the general decoder made of the file: Qt's pixels, premultiplied
// (transparent parts black) and opaque, scaled to the part.
Picture throughQt(const std::string& file, const std::optional<ScaledPart>& part) {
  QImage image = QImage::fromData(QByteArray::fromStdString(file), "webp")
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Picture whole(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) whole.row(y)[x] = row[x] | 0xff000000U;
  }
  return part ? scaleToPart(whole, *part) : std::move(whole);
}

struct Difference {
  double mean = 0;
  int most = 0;
};

Difference compare(const Picture& a, const Picture& b) {
  Difference difference;
  double sum = 0;
  for (std::int32_t y = 0; y < a.height(); ++y) {
    for (std::int32_t x = 0; x < a.width(); ++x) {
      for (int shift : {0, 8, 16, 24}) {
        const int d = std::abs(static_cast<int>((a.at(x, y) >> shift) & 0xff) -
                               static_cast<int>((b.at(x, y) >> shift) & 0xff));
        sum += d;
        difference.most = std::max(difference.most, d);
      }
    }
  }
  difference.mean = sum / (4.0 * a.width() * a.height());
  return difference;
}

struct PartCase {
  const char* name = "";
  std::optional<ScaledPart> part;  // of a 400 x 300 picture; none: unscaled
  // The most a channel may differ from Qt's way on average: libwebp scales
  // a lossy picture's colour planes, at half size, before turning them into
  // RGB, and may round a premultiplied channel the other way. A part a pixel
  // off its place, or colour planes half a pixel off, differ by more.
  double lossyMean = 0;
  double losslessMean = 0;
};

const PartCase kParts[] = {
    // A 160 x 100 screen covered: the crop falls on whole source pixels.
    {"cover_on_whole_pixels", ScaledPart{{160, 120}, 0, 10, {160, 100}}, 4.5, 0.6},
    // Edges between source pixels: cropped wider, then the part cut out.
    {"part_between_pixels", ScaledPart{{150, 113}, 34, 7, {90, 61}}, 4.5, 0.6},
    // Sizes that share no pixel boundary: the whole picture scaled.
    {"no_common_boundary", ScaledPart{{157, 117}, 20, 17, {100, 80}}, 4.5, 0.6},
    // Centred on a smaller screen: cropped, not scaled.
    {"centred_part", ScaledPart{{400, 300}, 41, 32, {200, 150}}, 0.5, 0.5},
    {"enlarged", ScaledPart{{1000, 750}, 350, 275, {300, 200}}, 0.5, 0.5},
    {"unscaled", std::nullopt, 0.5, 0.5},
};

TEST(WebpDecoder, MatchesQtsDecodingScaledAfterwards) {
  struct Kind {
    const char* name = "";
    Coding coding = Coding::Lossy;
    bool alpha = false;
    // libwebp's scaler weighs colours by alpha the header did not announce;
    // Qt's decoding ignores it before scaling.
    double slack = 0;
  };
  for (const Kind& kind :
       {Kind{"lossy", Coding::Lossy, false}, Kind{"lossy_transparent", Coding::Lossy, true},
        Kind{"lossless_transparent", Coding::Lossless, true},
        Kind{"lossless_alpha_unannounced", Coding::LosslessAlphaUnannounced, true, 1.0}}) {
    const std::string file = encodeWebp(400, 300, kind.coding, kind.alpha);
    for (const PartCase& c : kParts) {
      SCOPED_TRACE(std::string(kind.name) + " " + c.name);
      const ScalePlan plan = c.part ? ScalePlan([&c](PictureSize) { return c.part; }) : ScalePlan();
      const WebpResult result = decodeWebpScaled(file, plan);
      ASSERT_TRUE(result.handled);
      ASSERT_TRUE(result.loaded.status.isOk()) << result.loaded.status.message;
      EXPECT_EQ(result.loaded.natural, (PictureSize{400, 300}));
      const Picture expected = throughQt(file, c.part);
      ASSERT_EQ(result.loaded.pixels.size(), expected.size());
      const Difference difference = compare(result.loaded.pixels, expected);
      EXPECT_LE(difference.mean,
                (kind.coding == Coding::Lossy ? c.lossyMean : c.losslessMean) + kind.slack);
      // Unscaled, cropped or enlarged, the same pixels are decoded and only the
      // rounding of premultiplied channels differs.
      if (!c.part || c.part->scaled.width >= 400) {
        EXPECT_LE(difference.most, 1);
      }
    }
  }
}

// Two frames of 64 x 48, the first of them the pattern.
std::string animatedWebp() {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(64, 48, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  int timestamp = 0;
  for (bool alpha : {false, true}) {
    std::vector<std::uint8_t> bgra = patternBgra(64, 48, alpha);
    WebPPicture frame;
    WebPPictureInit(&frame);
    frame.width = 64;
    frame.height = 48;
    frame.use_argb = 1;
    WebPPictureImportBGRA(&frame, bgra.data(), 64 * 4);
    WebPAnimEncoderAdd(encoder, &frame, timestamp, &config);
    WebPPictureFree(&frame);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(encoder, &data);
  WebPAnimEncoderDelete(encoder);
  std::string file(reinterpret_cast<const char*>(data.bytes), data.size);
  WebPDataClear(&data);
  return file;
}

TEST(WebpDecoder, LeavesWhatIsNoStillWebpToTheGeneralDecoder) {
  // libwebp alone refuses an animation; Qt shows its first frame.
  const std::string animated = animatedWebp();
  ASSERT_FALSE(QImage::fromData(QByteArray::fromStdString(animated), "webp").isNull());
  EXPECT_FALSE(decodeWebpScaled(animated, {}).handled);
  EXPECT_FALSE(decodeWebpScaled("RIFF\x10\0\0\0WEBX0123", {}).handled);
  EXPECT_FALSE(decodeWebpScaled(std::string("\x89PNG\r\n\x1a\n", 8), {}).handled);
}

}  // namespace
}  // namespace tivolen

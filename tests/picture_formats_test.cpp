// SPDX-License-Identifier: GPL-3.0-or-later
// PNG, WebP, HEIC/HEIF and AVIF pictures: decoded, turned upright, fitted,
// transparent parts laid over black, damaged files refused. Every file is
// written here by Qt's or libheif's own encoders.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "changer/render.h"
#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "platform/linux/linux_pictures.h"
#include "tests/picture_files.h"
#include "tests/render_reported.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

// --- writers -----------------------------------------------------------------

std::string heifFile(const QImage& image, heif_compression_format codec, int orientation) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  std::string bytes;
  if (heif_context_get_encoder_for_format(context, codec, &encoder).code == heif_error_Ok) {
    heif_encoder_set_lossy_quality(encoder, 90);
    if (codec == heif_compression_AV1) heif_encoder_set_parameter(encoder, "speed", "9");
    const bool alpha = image.hasAlphaChannel();
    heif_image* picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y) {
      std::uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * stride;
      for (int x = 0; x < image.width(); ++x) {
        const QRgb colour = image.pixel(x, y);
        *out++ = static_cast<std::uint8_t>(qRed(colour));
        *out++ = static_cast<std::uint8_t>(qGreen(colour));
        *out++ = static_cast<std::uint8_t>(qBlue(colour));
        if (alpha) *out++ = static_cast<std::uint8_t>(qAlpha(colour));
      }
    }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_context_encode_image(context, picture, encoder, options, nullptr);
    heif_encoding_options_free(options);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* target) {
                         static_cast<std::string*>(target)->append(static_cast<const char*>(data),
                                                                   size);
                         return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &bytes);
  }
  heif_context_free(context);
  return bytes;
}

// The TIFF block of an EXIF record naming only the orientation.
std::string exifBlock(int orientation) {
  std::string tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
  tiff += static_cast<char>(orientation);
  tiff += std::string("\0\0\0\0\0\0", 6);
  return tiff;
}

std::uint32_t crc32(std::string_view bytes) {
  std::uint32_t crc = 0xffffffffU;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
  }
  return ~crc;
}

std::string bigEndian32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}
std::string littleEndian(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}

// A PNG from Qt with an eXIf chunk after its header chunk.
std::string pngFile(const QImage& image, int orientation) {
  const std::string png = testing::encode(image, "png");
  if (orientation == 1) return png;
  const std::string chunk = "eXIf" + exifBlock(orientation);
  return png.substr(0, 33) + bigEndian32(static_cast<std::uint32_t>(chunk.size() - 4)) + chunk +
         bigEndian32(crc32(chunk)) + png.substr(33);
}

// A WebP from Qt, made an extended file (VP8X) so that it may carry EXIF.
std::string webpFile(const QImage& image, int orientation) {
  const std::string webp = testing::encode(image, "webp", 95);
  if (orientation == 1) return webp;
  const std::string tiff = exifBlock(orientation);
  const std::string exif = tiff + std::string(tiff.size() % 2, '\0');  // chunks are padded
  std::string body = "WEBPVP8X" + littleEndian(10, 4) + littleEndian(0x08, 4) +
                     littleEndian(static_cast<std::uint32_t>(image.width() - 1), 3) +
                     littleEndian(static_cast<std::uint32_t>(image.height() - 1), 3);
  body += webp.substr(12);  // the image chunk
  body += "EXIF" + littleEndian(static_cast<std::uint32_t>(tiff.size()), 4) + exif;
  return "RIFF" + littleEndian(static_cast<std::uint32_t>(body.size()), 4) + body;
}

std::string encoded(const std::string& type, const QImage& image, int orientation) {
  if (type == "png") return pngFile(image, orientation);
  if (type == "webp") return webpFile(image, orientation);
  return heifFile(image, type == "avif" ? heif_compression_AV1 : heif_compression_HEVC,
                  orientation);
}

class PictureFormats : public ::testing::Test {
 protected:
  TempDir dir;
  fake::FakePlatform fake{dir.path()};
  RunState state;
  LinuxPictures pictures;
};

// --- decoded, upright and fitted ----------------------------------------------

TEST_F(PictureFormats, EachTypeIsTurnedUprightAndFittedOnTheScreen) {
  struct Case {
    const char* file;
    int orientation;
    // Where the source's red left half ends up, and the fitted bitmap.
    enum Side { Left, Right, Top, Bottom } red;
    int bitmapWidth, bitmapHeight;
  };
  // A 400 x 200 source (red left, blue right) on a 320 x 240 screen, whole
  // picture fitted: landscape gives 320 x 160, portrait 120 x 240.
  const Case cases[] = {
      {"plain.png", 1, Case::Left, 320, 160},      {"turned.PNG", 6, Case::Top, 120, 240},
      {"plain.webp", 1, Case::Left, 320, 160},     {"turned.webp", 8, Case::Bottom, 120, 240},
      {"phone.HEIC", 6, Case::Top, 120, 240},      {"upside.heic", 3, Case::Right, 320, 160},
      {"still.heif", 1, Case::Left, 320, 160},     {"phone.avif", 6, Case::Top, 120, 240},
      {"mirrored.avif", 2, Case::Right, 320, 160},
  };
  fake.screen.screen = ScreenSize{320, 240};
  const QImage source = testing::twoColourImage(400, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string name = c.file;
    std::string type = name.substr(name.rfind('.') + 1);
    for (char& ch : type) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const std::string path = testing::writeBytes(
        dir / c.file, encoded(type == "heif" ? "heic" : type, source, c.orientation));
    state.currentStyle = 3;
    ASSERT_TRUE(testing::RenderReported(fake.platform(), state, path).isOk())
        << (fake.messages.shown.empty() ? "" : fake.messages.shown.back());
    const QImage bitmap(QString::fromStdString(dir / "wallpaper.bmp"));
    ASSERT_EQ(bitmap.size(), QSize(c.bitmapWidth, c.bitmapHeight));
    const int w = c.bitmapWidth;
    const int h = c.bitmapHeight;
    const QRgb first = c.red == Case::Left || c.red == Case::Right ? bitmap.pixel(w / 8, h / 2)
                                                                   : bitmap.pixel(w / 2, h / 8);
    const QRgb second = c.red == Case::Left || c.red == Case::Right
                            ? bitmap.pixel(w - w / 8, h / 2)
                            : bitmap.pixel(w / 2, h - h / 8);
    const bool redFirst = c.red == Case::Left || c.red == Case::Top;
    EXPECT_TRUE(testing::isRed(redFirst ? first : second)) << std::hex << first << " " << second;
    EXPECT_TRUE(testing::isBlue(redFirst ? second : first)) << std::hex << first << " " << second;
  }
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(PictureFormats, HeifDecodesReducedWhenTheFitShrinksIt) {
  const std::string path = testing::writeBytes(
      dir / "big.heic", heifFile(testing::twoColourImage(1600, 1200), heif_compression_HEVC, 1));
  struct Case {
    int neededWidth, neededHeight;
    int decodedWidth, decodedHeight;
  };
  const Case cases[] = {{200, 150, 200, 150}, {201, 150, 400, 300}, {1000, 700, 1600, 1200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.neededWidth);
    const LoadedPicture loaded = pictures.load(path, [&](PictureSize) {
      return PictureSize{c.neededWidth, c.neededHeight};
    });
    ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
    EXPECT_EQ(loaded.natural, (PictureSize{1600, 1200}));
    EXPECT_EQ(loaded.pixels.size(), (PictureSize{c.decodedWidth, c.decodedHeight}));
    EXPECT_TRUE(testing::isRed(loaded.pixels.at(c.decodedWidth / 8, c.decodedHeight / 2)));
    EXPECT_TRUE(testing::isBlue(loaded.pixels.at(c.decodedWidth * 7 / 8, c.decodedHeight / 2)));
  }
}

TEST_F(PictureFormats, TransparentPartsShowBlack) {
  // Left half fully transparent white, right half opaque blue.
  QImage image(64, 32, QImage::Format_ARGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x)
      image.setPixel(x, y, x < 32 ? qRgba(255, 255, 255, 0) : qRgb(0, 0, 255));
  }
  for (const char* type : {"png", "webp", "heic"}) {
    SCOPED_TRACE(type);
    const LoadedPicture loaded = pictures.load(
        testing::writeBytes(dir / (std::string("clear.") + type), encoded(type, image, 1)));
    ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
    const QRgb left = loaded.pixels.at(8, 16);
    EXPECT_LT(qRed(left) + qGreen(left) + qBlue(left), 30) << std::hex << left;
    EXPECT_TRUE(testing::isBlue(loaded.pixels.at(56, 16)));
  }
}

TEST_F(PictureFormats, ADamagedFileOfEachTypeEndsWithTheMessage) {
  const QImage source = testing::twoColourImage(400, 200);
  const std::string heic = encoded("heic", source, 1);
  // The image's stated size (its ispe box) made larger than memory allows,
  // beyond and within libheif's own limit of 32768 a side.
  const auto claiming = [&](std::uint32_t side) {
    std::string bomb = heic;
    if (const auto ispe = bomb.find("ispe"); ispe != std::string::npos) {
      bomb.replace(ispe + 8, 8, bigEndian32(side) + bigEndian32(side));
    }
    return bomb;
  };
  const std::string png = encoded("png", source, 1);
  std::string badCrcData = png;
  badCrcData[png.find("IDAT") + 20] ^= 0x55;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"cut.png", png.substr(0, png.size() / 2)},
      {"scrambled.png", badCrcData},
      {"cut.webp", encoded("webp", source, 1).substr(0, 200)},
      {"cut.heic", heic.substr(0, heic.size() * 2 / 3)},  // a download cut short
      {"cut.avif", encoded("avif", source, 1).substr(0, 400)},
      {"text.heif", "not a picture at all"},
      {"bomb.heic", claiming(40000)},
      {"bomb.HEIF", claiming(20000)},
  };
  for (const auto& [file, bytes] : cases) {
    SCOPED_TRACE(file);
    fake.messages.shown.clear();
    fake.messages.details.clear();
    const std::string path = testing::writeBytes(dir / file, bytes);
    state.currentStyle = 4;
    const auto rendered = testing::RenderReported(fake.platform(), state, path);
    // The technical line goes through the platform's messages to stderr.
    ASSERT_EQ(fake.messages.details.size(), 1U);
    const std::string& errors = fake.messages.details[0];
    EXPECT_FALSE(rendered.isOk());
    ASSERT_EQ(fake.messages.shown.size(), 1U);
    EXPECT_TRUE(
        fake.messages.shown[0].starts_with(std::string(text::kCannotLoadPicture) + "\r\n" + path));
    EXPECT_NE(errors.find(path), std::string::npos) << errors;
  }
  EXPECT_FALSE(dir.exists("wallpaper.bmp"));
}

}  // namespace
}  // namespace tivolen

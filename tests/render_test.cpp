// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/render.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/resource.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "changer/apply.h"
#include "common/list_file.h"
#include "common/texts.h"
#include "picture/bilinear_scaler.h"
#include "picture/bitmap_file.h"
#include "picture/jpeg_decoder.h"
#include "picture/jpeg_structure.h"
#include "platform/fake/fake_platform.h"
#include "platform/linux/linux_pictures.h"
#include "tests/picture_files.h"
#include "tests/render_reported.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

class RenderTest : public ::testing::Test {
 protected:
  TempDir dir;
  fake::FakePlatform fake{dir.path()};
  RunState state;

  std::optional<std::string> render(const std::string& picture, int style) {
    state.currentStyle = style;
    auto rendered = testing::RenderReported(fake.platform(), state, picture);
    if (!rendered) return std::nullopt;
    return rendered->path;
  }
};

struct SizeCase {
  const char* name;
  const char* file;
  const char* format;
  int width, height, style;
  int screenWidth, screenHeight;
  int bitmapWidth, bitmapHeight, styleAfter;
};

class RenderSizeTest : public RenderTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(RenderSizeTest, WritesBitmapOfFittedSize) {
  const SizeCase& c = GetParam();
  fake.screen.screen = ScreenSize{c.screenWidth, c.screenHeight};
  const std::string picture = testing::writeBytes(
      dir / c.file, testing::encode(testing::twoColourImage(c.width, c.height), c.format));

  const auto rendered = render(picture, c.style);
  ASSERT_TRUE(rendered.has_value());
  EXPECT_EQ(*rendered, dir / "wallpaper.bmp");
  const testing::BitmapHeader header = testing::readBitmapHeader(*rendered);
  EXPECT_EQ(std::string(header.magic, 2), "BM");
  EXPECT_EQ(header.bitsPerPixel, 24);
  EXPECT_EQ(header.width, c.bitmapWidth);
  EXPECT_EQ(header.height, c.bitmapHeight);
  const std::size_t rowBytes = (static_cast<std::size_t>(c.bitmapWidth) * 3 + 3) / 4 * 4;
  EXPECT_EQ(header.fileSize, 54 + rowBytes * c.bitmapHeight);
  EXPECT_EQ(state.currentStyle, c.styleAfter);
  EXPECT_TRUE(fake.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderSizeTest,
    ::testing::Values(
        // Cover: 1536 x 768 centred, so 256 columns on each side are cut.
        SizeCase{"wide_jpeg_cover", "wide.jpg", "jpg", 2000, 1000, 4, 1024, 768, 1024, 768, 0},
        SizeCase{"wide_jpeg_fit", "wide.jpeg", "jpg", 2000, 1000, 3, 1024, 768, 1024, 512, 0},
        SizeCase{"same_ratio_jpeg", "same.JPG", "jpg", 1600, 1200, 3, 1024, 768, 1024, 768, 0},
        // Reduced to a half while decoding, then scaled to the exact size.
        SizeCase{"large_jpeg_cover", "large.jpg", "jpg", 4000, 3000, 4, 1024, 768, 1024, 768, 0},
        SizeCase{"large_jpeg_odd_screen", "odd.jpg", "jpg", 4001, 2999, 4, 1366, 768, 1366, 768, 0},
        SizeCase{"progressive_jpeg_cover", "progressive.jpg", "progressive", 2000, 1000, 4, 1024,
                 768, 1024, 768, 0},
        SizeCase{"small_gif_tiled", "small.gif", "gif", 200, 150, 3, 1024, 768, 200, 150, 1},
        SizeCase{"screen_sized_bmp", "screen.bmp", "bmp", 1020, 765, 3, 1024, 768, 1020, 765, 0},
        // What the screen cannot show is not written.
        SizeCase{"centred_style_cut_to_screen", "centre.jpg", "jpg", 3000, 2000, 0, 1024, 768, 1024,
                 768, 0},
        SizeCase{"tiled_style_cut_to_screen", "tile.gif", "gif", 1500, 300, 1, 1024, 768, 1024, 300,
                 1},
        SizeCase{"stretched_style_to_screen", "big.bmp", "bmp", 2000, 500, 2, 1024, 768, 1024, 768,
                 2},
        SizeCase{"stretched_style_unscaled", "stretch.gif", "gif", 640, 480, 2, 1024, 768, 640, 480,
                 2},
        SizeCase{"icon_tiled", "icon.ico", "ico", 64, 64, 4, 1024, 768, 64, 64, 1},
        SizeCase{"uhd_screen", "uhd.jpg", "jpg", 6000, 4000, 4, 3840, 2160, 3840, 2160, 0},
        SizeCase{"odd_width_rows_padded", "odd.bmp", "bmp", 1021, 3, 1, 1024, 768, 1021, 3, 1}),
    [](const ::testing::TestParamInfo<SizeCase>& tested) {
      return std::string(tested.param.name);
    });

TEST_F(RenderTest, CoverKeepsPictureContentInPlace) {
  // Left half red, right half blue, green top quarter: after scaling the
  // halves and the band must still be where they were.
  const std::string picture = testing::writeBytes(
      dir / "colours.jpg", testing::encode(testing::twoColourImage(4000, 2000, true), "jpg"));
  // Scaled to 1536 x 768, then the middle 1024 columns kept.
  ASSERT_TRUE(render(picture, 4));
  const QImage bitmap(QString::fromStdString(dir / "wallpaper.bmp"));
  ASSERT_EQ(bitmap.size(), QSize(1024, 768));
  EXPECT_TRUE(testing::isGreen(bitmap.pixel(100, 20)));
  EXPECT_TRUE(testing::isRed(bitmap.pixel(100, 600)));
  EXPECT_TRUE(testing::isRed(bitmap.pixel(500, 600)));
  EXPECT_TRUE(testing::isBlue(bitmap.pixel(530, 600)));
  EXPECT_TRUE(testing::isBlue(bitmap.pixel(1000, 600)));
  EXPECT_TRUE(testing::isGreen(bitmap.pixel(1000, 20)));
}

// The most memory the process held at once since the last reset, and the
// reset itself (the kernel's peak resident size, in KiB).
long peakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return -1;
}
void resetPeakResident() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct CloseToScreenCase {
  const char* name;
  const char* file;
  const char* format;
  int width, height;
  int screenWidth, screenHeight;
  bool decodedHeld;  // the picture at its decoded size is held beside the result
};

class CloseToScreenTest : public RenderTest,
                          public ::testing::WithParamInterface<CloseToScreenCase> {};

// Typical wallpapers are a little larger or smaller than the screen. Cover
// keeps the middle of the picture scaled whole; neither the decoded picture
// nor the picture scaled whole is ever held beside it, enlarged or reduced:
// at most the file and the screen-sized result (and the decoded picture
// where a decoder needs it whole).
TEST_P(CloseToScreenTest, CoverHoldsAtMostTheDecodedPictureAndTheResult) {
  const CloseToScreenCase& c = GetParam();
  fake.screen.screen = ScreenSize{c.screenWidth, c.screenHeight};
  const std::string picture = testing::writeBytes(
      dir / c.file, testing::encode(testing::twoColourImage(c.width, c.height, true), c.format,
                                    std::string_view(c.format) == "png" ? 0 : 90));
  resetPeakResident();
  const long before = peakResidentKilobytes();
  ASSERT_TRUE(render(picture, 4));
  const long grown = peakResidentKilobytes() - before;
  const long result = long{c.screenWidth} * c.screenHeight * 4 / 1024;
  const long decoded = c.decodedHeld ? long{c.width} * c.height * 4 / 1024 : 0;
  const auto file = static_cast<long>(std::filesystem::file_size(picture) / 1024);
  EXPECT_LT(grown, file + result + decoded + 8L * 1024) << "KiB beyond the start";

  const QImage bitmap(QString::fromStdString(dir / "wallpaper.bmp"));
  ASSERT_EQ(bitmap.size(), QSize(c.screenWidth, c.screenHeight));
  const int w = c.screenWidth;
  const int h = c.screenHeight;
  EXPECT_TRUE(testing::isGreen(bitmap.pixel(w / 10, h / 20)));
  EXPECT_TRUE(testing::isRed(bitmap.pixel(w / 10, h * 3 / 4)));
  EXPECT_TRUE(testing::isRed(bitmap.pixel(w / 2 - w / 50, h * 3 / 4)));
  EXPECT_TRUE(testing::isBlue(bitmap.pixel(w / 2 + w / 50, h * 3 / 4)));
  EXPECT_TRUE(testing::isBlue(bitmap.pixel(w - 1, h - 1)));
  EXPECT_TRUE(testing::isGreen(bitmap.pixel(w - w / 10, h / 20)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CloseToScreenTest,
    ::testing::Values(
        CloseToScreenCase{"png_barely_reduced", "a.png", "png", 2560, 1600, 1920, 1080, false},
        CloseToScreenCase{"png_enlarged", "b.png", "png", 1200, 900, 3840, 2160, false},
        CloseToScreenCase{"jpeg_enlarged", "c.jpg", "jpg", 1200, 900, 3840, 2160, false},
        // 16 MB decoded: more than the slack allowed.
        CloseToScreenCase{"png_enlarged_to_4k", "d.png", "png", 2560, 1600, 3840, 2160, false},
        CloseToScreenCase{"jpeg_enlarged_to_4k", "e.jpg", "jpg", 2560, 1600, 3840, 2160, false}),
    [](const ::testing::TestParamInfo<CloseToScreenCase>& tested) {
      return std::string(tested.param.name);
    });

// A centred or tiled picture larger than the screen shows only the part
// the screen holds (the middle, or the top left): that part is what is
// decoded, never the whole picture beside it, and it is the very pixels.
TEST_F(RenderTest, CentredAndTiledLargePicturesHoldOnlyTheShownPart) {
  fake.screen.screen = ScreenSize{1024, 768};
  QImage source(6000, 4000, QImage::Format_RGB32);
  for (int y = 0; y < source.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
    for (int x = 0; x < source.width(); ++x)
      row[x] = qRgb(x & 0xff, y & 0xff, (x / 256 + y / 256) * 9);
  }
  const std::string picture =
      testing::writeBytes(dir / "large.png", testing::encode(source, "png", 0));
  const auto file = static_cast<long>(std::filesystem::file_size(picture) / 1024);
  for (const int style : {kStyleCentred, kStyleTiled}) {
    SCOPED_TRACE(style == kStyleCentred ? "centred" : "tiled");
    resetPeakResident();
    const long before = peakResidentKilobytes();
    ASSERT_TRUE(render(picture, style));
    const long grown = peakResidentKilobytes() - before;
    EXPECT_LT(grown, file + 1024L * 768 * 4 / 1024 + 8L * 1024) << "KiB beyond the start";

    const QImage bitmap(QString::fromStdString(dir / "wallpaper.bmp"));
    ASSERT_EQ(bitmap.size(), QSize(1024, 768));
    const int left = style == kStyleCentred ? (6000 - 1024) / 2 : 0;
    const int top = style == kStyleCentred ? (4000 - 768) / 2 : 0;
    for (const QPoint at :
         {QPoint(0, 0), QPoint(1023, 0), QPoint(0, 767), QPoint(1023, 767), QPoint(517, 301)}) {
      EXPECT_EQ(bitmap.pixel(at) & 0xffffffU, source.pixel(at + QPoint(left, top)) & 0xffffffU)
          << "at " << at.x() << ", " << at.y();
    }
  }
}

struct OrientationCase {
  int orientation;
  bool bigEndian;
  int uprightWidth, uprightHeight;
  // Where the source's red left half ends up in the upright picture.
  enum Side { Left, Right, Top, Bottom } red;
  Side green;  // and its green top quarter, which tells a turn from a mirror
};

class OrientationTest : public RenderTest, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(OrientationTest, AppliesExifOrientationBeforeFitting) {
  const OrientationCase& c = GetParam();
  // 1200 x 600 source, red left, blue right, green top quarter; screen
  // 1024 x 768, style 3.
  const std::string jpeg = testing::encode(testing::twoColourImage(1200, 600, true), "jpg");
  const std::string picture = testing::writeBytes(
      dir / "photo.jpg", testing::withExifOrientation(jpeg, c.orientation, c.bigEndian));

  LinuxPictures pictures;
  const LoadedPicture loaded = pictures.load(picture);
  ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
  EXPECT_EQ(loaded.natural, (PictureSize{c.uprightWidth, c.uprightHeight}));
  ASSERT_EQ(loaded.pixels.size(), loaded.natural);

  const auto colourAt = [&](int x, int y) { return QRgb(loaded.pixels.at(x, y)); };
  const int w = c.uprightWidth;
  const int h = c.uprightHeight;
  switch (c.red) {
    case OrientationCase::Left:
      EXPECT_TRUE(testing::isRed(colourAt(w / 8, h / 2)));
      EXPECT_TRUE(testing::isBlue(colourAt(w - w / 8, h / 2)));
      break;
    case OrientationCase::Right:
      EXPECT_TRUE(testing::isBlue(colourAt(w / 8, h / 2)));
      EXPECT_TRUE(testing::isRed(colourAt(w - w / 8, h / 2)));
      break;
    case OrientationCase::Top:
      EXPECT_TRUE(testing::isRed(colourAt(w / 2, h / 8)));
      EXPECT_TRUE(testing::isBlue(colourAt(w / 2, h - h / 8)));
      break;
    case OrientationCase::Bottom:
      EXPECT_TRUE(testing::isBlue(colourAt(w / 2, h / 8)));
      EXPECT_TRUE(testing::isRed(colourAt(w / 2, h - h / 8)));
      break;
  }

  const QPoint green = c.green == OrientationCase::Left    ? QPoint(w / 16, h / 2)
                       : c.green == OrientationCase::Right ? QPoint(w - w / 16, h / 2)
                       : c.green == OrientationCase::Top   ? QPoint(w / 2, h / 16)
                                                           : QPoint(w / 2, h - h / 16);
  EXPECT_TRUE(testing::isGreen(colourAt(green.x(), green.y())));

  // The fit uses the upright size: a portrait 600 x 1200 fits as 384 x 768.
  ASSERT_TRUE(render(picture, 3));
  const testing::BitmapHeader header = testing::readBitmapHeader(dir / "wallpaper.bmp");
  EXPECT_EQ(header.height, c.uprightWidth > c.uprightHeight ? 512 : 768);
}

// EXIF: 1 none, 2 mirrored, 3 turned 180, 4 flipped, 5 transposed,
// 6 turned clockwise, 7 transversed, 8 turned anticlockwise; even ones in
// Motorola byte order, odd ones in Intel's.
INSTANTIATE_TEST_SUITE_P(
    Orientations, OrientationTest,
    ::testing::Values(
        OrientationCase{1, false, 1200, 600, OrientationCase::Left, OrientationCase::Top},
        OrientationCase{2, true, 1200, 600, OrientationCase::Right, OrientationCase::Top},
        OrientationCase{3, false, 1200, 600, OrientationCase::Right, OrientationCase::Bottom},
        OrientationCase{4, true, 1200, 600, OrientationCase::Left, OrientationCase::Bottom},
        OrientationCase{5, false, 600, 1200, OrientationCase::Top, OrientationCase::Left},
        OrientationCase{6, true, 600, 1200, OrientationCase::Top, OrientationCase::Right},
        OrientationCase{7, false, 600, 1200, OrientationCase::Bottom, OrientationCase::Right},
        OrientationCase{8, true, 600, 1200, OrientationCase::Bottom, OrientationCase::Left}));

struct ReductionCase {
  const char* name;
  int neededWidth, neededHeight;
  int decodedWidth, decodedHeight;
};

class JpegReductionTest : public RenderTest, public ::testing::WithParamInterface<ReductionCase> {};

TEST_P(JpegReductionTest, DecodesAtLargestPowerOfTwoThatCovers) {
  const ReductionCase& c = GetParam();
  const std::string picture = testing::writeBytes(
      dir / "big.jpg", testing::encode(testing::twoColourImage(4000, 3000), "jpg"));
  LinuxPictures pictures;
  const LoadedPicture loaded = pictures.load(picture, [&](PictureSize) {
    return PictureSize{c.neededWidth, c.neededHeight};
  });
  ASSERT_TRUE(loaded.status.isOk());
  EXPECT_EQ(loaded.natural, (PictureSize{4000, 3000}));
  EXPECT_EQ(loaded.pixels.size(), (PictureSize{c.decodedWidth, c.decodedHeight}));
}

INSTANTIATE_TEST_SUITE_P(Cases, JpegReductionTest,
                         ::testing::Values(ReductionCase{"eighth", 500, 375, 500, 375},
                                           ReductionCase{"quarter", 501, 300, 1000, 750},
                                           ReductionCase{"half_for_one_side", 1000, 751, 2000,
                                                         1500},
                                           ReductionCase{"half", 1920, 1080, 2000, 1500},
                                           ReductionCase{"whole", 2001, 1500, 4000, 3000},
                                           ReductionCase{"enlarged", 8000, 6000, 4000, 3000}),
                         [](const ::testing::TestParamInfo<ReductionCase>& tested) {
                           return std::string(tested.param.name);
                         });

struct DamagedCase {
  const char* name;
  const char* file;
  std::string (*contents)();
  std::string_view message;
};

std::string goodJpeg() {
  return testing::encode(testing::twoColourImage(800, 600), "jpg");
}

class DamagedPictureTest : public RenderTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedPictureTest, EndsWithMessageAndNoWallpaper) {
  const DamagedCase& c = GetParam();
  const std::string picture = testing::writeBytes(dir / c.file, c.contents());
  const auto rendered = render(picture, 4);
  ASSERT_EQ(fake.messages.details.size(), 1U);
  const std::string& errors = fake.messages.details[0];

  EXPECT_FALSE(rendered.has_value());
  // The box names the broken picture, not just that one of the list is.
  ASSERT_EQ(fake.messages.shown.size(), 1U);
  EXPECT_TRUE(fake.messages.shown[0].starts_with(std::string(c.message) + "\r\n" + picture))
      << fake.messages.shown[0];
  EXPECT_NE(errors.find(picture), std::string::npos) << errors;
  EXPECT_FALSE(dir.exists("wallpaper.bmp"));

  // A bomb must be refused before its pixels are allocated.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 400L * 1000) << "peak memory in KiB";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPictureTest,
    ::testing::Values(
        DamagedCase{"zero_bytes", "empty.jpg", [] { return std::string(); },
                    text::kCannotLoadPicture},
        DamagedCase{"truncated_jpeg", "cut.jpg",
                    [] {
                      const std::string whole = goodJpeg();
                      return whole.substr(0, whole.size() / 2);
                    },
                    text::kCannotLoadPicture},
        DamagedCase{"text_named_jpeg", "notes.jpg", [] { return std::string("just some text\n"); },
                    text::kCannotLoadPicture},
        DamagedCase{"tiff_named_jpeg", "tiff.jpg",
                    [] { return testing::encode(testing::twoColourImage(64, 64), "tiff"); },
                    text::kCannotLoadPicture},
        DamagedCase{
            "truncated_gif", "cut.gif",
            [] { return testing::encode(testing::twoColourImage(64, 64), "gif").substr(0, 20); },
            text::kCannotLoadPicture},
        DamagedCase{"truncated_bitmap", "cut.bmp",
                    [] {
                      const std::string whole =
                          testing::encode(testing::twoColourImage(200, 100), "bmp");
                      return whole.substr(0, whole.size() / 3);
                    },
                    text::kCannotLoadPicture},
        DamagedCase{
            "gif_bomb", "bomb.gif",
            [] {
              // Screen and frame both claim 30000 x 30000 (0x7530).
              std::string gif = testing::encode(testing::twoColourImage(2, 2), "gif");
              const std::size_t frame = 13 + 128 * 3 + 5;
              for (const std::size_t at : {std::size_t{6}, std::size_t{8}, frame, frame + 2}) {
                gif[at] = '\x30';
                gif[at + 1] = '\x75';
              }
              return gif;
            },
            text::kPictureTooLarge},
        DamagedCase{"gif_cut_in_its_picture", "cut-late.gif",
                    [] {
                      const std::string whole =
                          testing::encode(testing::twoColourImage(200, 100), "gif");
                      return whole.substr(0, whole.size() * 2 / 3);
                    },
                    text::kCannotLoadPicture},
        DamagedCase{"jpeg_bomb", "bomb.jpg",
                    [] { return testing::withFrameSize(goodJpeg(), 30000, 30000); },
                    text::kPictureTooLarge},
        DamagedCase{"bitmap_bomb", "bomb.bmp",
                    [] {
                      std::string bmp = testing::encode(testing::twoColourImage(8, 8), "bmp");
                      bmp[18] = static_cast<char>(30000 & 0xff);
                      bmp[19] = static_cast<char>(30000 >> 8);
                      bmp[22] = static_cast<char>(30000 & 0xff);
                      bmp[23] = static_cast<char>(30000 >> 8);
                      return bmp;
                    },
                    text::kCannotLoadPicture},
        // A marker inside the scan data: libjpeg fills the rest grey and
        // warns "Corrupt JPEG data: premature end of data segment".
        DamagedCase{"jpeg_cut_and_closed", "half.jpg",
                    [] {
                      const std::string whole = goodJpeg();
                      return whole.substr(0, whole.size() / 2) + "\xff\xd9";
                    },
                    text::kCannotLoadPicture},
        DamagedCase{"jpeg_bad_scan_parameters", "sos.jpg",
                    [] {
                      std::string jpeg = goodJpeg();
                      const std::size_t sos = jpeg.find("\xff\xda");
                      const auto length =
                          static_cast<std::size_t>(static_cast<unsigned char>(jpeg[sos + 2]) << 8 |
                                                   static_cast<unsigned char>(jpeg[sos + 3]));
                      jpeg[sos + 2 + length - 2] = '\x3e';  // spectral end 62, not 63
                      return jpeg;
                    },
                    text::kCannotLoadPicture},
        // Headers that claim what no reader may allocate: 16384 x 16384.
        // Nothing says such a file is damaged; the user is told its size
        // is the reason.
        DamagedCase{"jpeg_header_claims_16384_square", "claim.jpg",
                    [] { return testing::withFrameSize(goodJpeg(), 16384, 16384); },
                    text::kPictureTooLarge},
        DamagedCase{
            "gif_header_claims_16384_square", "claim.gif",
            [] {
              std::string gif = testing::encode(testing::twoColourImage(2, 2), "gif");
              const std::size_t frame = 13 + 128 * 3 + 5;
              for (const std::size_t at : {std::size_t{6}, std::size_t{8}, frame, frame + 2}) {
                gif[at] = '\x00';
                gif[at + 1] = '\x40';
              }
              return gif;
            },
            text::kPictureTooLarge},
        DamagedCase{"bitmap_rows_past_two_to_the_63", "rows.bmp",
                    [] {
                      std::string bmp = testing::encode(testing::twoColourImage(8, 8), "bmp");
                      for (const std::size_t at : {std::size_t{18}, std::size_t{22}}) {
                        bmp.replace(at, 4, "\xff\xff\xff\x7f");
                      }
                      return bmp;
                    },
                    text::kCannotLoadPicture},
        DamagedCase{"metafile", "drawing.emf", [] { return std::string("\x01\0\0\0", 4); },
                    text::kCannotShowFormat},
        DamagedCase{"windows_metafile", "drawing.WMF",
                    [] { return std::string("\xd7\xcd\xc6\x9a", 4); }, text::kCannotShowFormat}),
    [](const ::testing::TestParamInfo<DamagedCase>& tested) {
      return std::string(tested.param.name);
    });

// Colour fields, texture and grain, as a camera's picture: flat test
// pictures hide both a shifted layout and a biased filter.
QImage photoLike(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  std::mt19937 random(7);
  std::normal_distribution<double> grain(0, 6);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const double u = 6.283 * x / width;
      const double v = 6.283 * y / height;
      const double base = 255 * (0.5 + 0.3 * std::sin(u * 0.7 + 1.3) * std::cos(v * 0.9) +
                                 0.12 * std::sin(u * 37 + std::sin(v * 23) * 3) * std::cos(v * 41));
      const auto channel = [&](double tint) {
        return std::clamp(static_cast<int>(base * tint + grain(random)), 0, 255);
      };
      row[x] =
          qRgb(channel(1.05 - 0.3 * y / height), channel(0.95), channel(0.7 + 0.4 * y / height));
    }
  }
  return image;
}

struct ScaledCase {
  const char* name;
  int width, height;  // of the photo
  ScaledPart part;    // of the upright picture
  const char* format = "jpg";
  int orientation = 1;  // EXIF
};

class ScaledWhileDecodingTest : public ::testing::TestWithParam<ScaledCase> {};

// Scaling band by band from the reduced decode must match decoding whole
// and scaling smoothly with Qt, within half a percent on average.
TEST_P(ScaledWhileDecodingTest, MatchesQtSmoothScaling) {
  const ScaledCase& c = GetParam();
  testing::TempDir dir;
  const std::string path = testing::writeBytes(
      dir / "photo.jpg",
      testing::withExifOrientation(testing::encode(photoLike(c.width, c.height), c.format),
                                   c.orientation));
  LinuxPictures pictures;
  const LoadedPicture whole = pictures.load(path);
  ASSERT_TRUE(whole.status.isOk());
  const QImage reference =
      QImage(reinterpret_cast<const uchar*>(whole.pixels.row(0)), whole.pixels.width(),
             whole.pixels.height(), QImage::Format_RGB32)
          .scaled(c.part.scaled.width, c.part.scaled.height, Qt::IgnoreAspectRatio,
                  Qt::SmoothTransformation)
          .copy(c.part.keptX, c.part.keptY, c.part.kept.width, c.part.kept.height);

  const LoadedPicture scaled = pictures.loadScaled(path, [&](PictureSize) { return c.part; });
  ASSERT_TRUE(scaled.status.isOk()) << scaled.status.message;
  ASSERT_EQ(scaled.pixels.size(), c.part.kept);
  double difference = 0;
  for (int y = 0; y < c.part.kept.height; ++y) {
    for (int x = 0; x < c.part.kept.width; ++x) {
      const QRgb want = reference.pixel(x, y);
      const auto got = static_cast<QRgb>(scaled.pixels.at(x, y));
      difference += std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                    std::abs(qBlue(want) - qBlue(got));
    }
  }
  const double pixels = double(c.part.kept.width) * c.part.kept.height;
  EXPECT_LT(difference / (pixels * 3 * 255), 0.005) << "mean error";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScaledWhileDecodingTest,
    ::testing::Values(
        // Halved while decoding, then 1.5625 : 1, the middle rows kept (cover).
        ScaledCase{"half_then_area", 1500, 1000, {{480, 320}, 0, 25, {480, 270}}},
        // No reduction possible: 1.25 : 1, the middle columns kept.
        ScaledCase{"full_then_area", 600, 300, {{480, 240}, 60, 0, {360, 240}}},
        // An eighth, then still more than 2 : 1.
        ScaledCase{"eighth_then_area", 2400, 1600, {{100, 67}, 0, 0, {100, 67}}},
        // Held whole as coefficients until the last scan, in odd-sized
        // blocks rows, before the same banded scaling.
        ScaledCase{"progressive_half_then_area",
                   1501,
                   1003,
                   {{480, 321}, 0, 25, {480, 270}},
                   "progressive"},
        // Enlarged while its scans are held as coefficients: banded too.
        ScaledCase{
            "progressive_enlarged", 600, 401, {{900, 601}, 30, 0, {840, 601}}, "progressive"},
        // Phones store a photo taken upright on its side: the part kept is
        // off-centre, so a turn or a mirror in the wrong sense shows.
        ScaledCase{"turned_clockwise", 1500, 1000, {{320, 480}, 4, 30, {300, 400}}, "jpg", 6},
        ScaledCase{"turned_anticlockwise", 1500, 1000, {{320, 480}, 4, 30, {300, 400}}, "jpg", 8},
        ScaledCase{"transposed", 1500, 1000, {{320, 480}, 4, 30, {300, 400}}, "jpg", 5},
        ScaledCase{"transversed", 1500, 1000, {{320, 480}, 4, 30, {300, 400}}, "jpg", 7},
        ScaledCase{"turned_half", 1500, 1000, {{480, 320}, 30, 4, {400, 300}}, "jpg", 3},
        ScaledCase{"mirrored", 1500, 1000, {{480, 320}, 30, 4, {400, 300}}, "jpg", 2},
        ScaledCase{"flipped", 1500, 1000, {{480, 320}, 30, 4, {400, 300}}, "jpg", 4}),
    [](const ::testing::TestParamInfo<ScaledCase>& tested) {
      return std::string(tested.param.name);
    });

// libjpeg at an eighth without making up missing detail: the reference
// for a file decoded from its DC scans alone.
std::vector<unsigned char> decodedAtAnEighth(const std::string& bytes) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 8;
  info.do_block_smoothing = FALSE;
  jpeg_start_decompress(&info);
  const std::size_t stride = std::size_t{info.output_width} * info.output_components;
  std::vector<unsigned char> pixels(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return pixels;
}

// A preview decodes a progressive photo at an eighth from its DC scans
// alone: it must be the very picture all the scans give at that size, and
// only a progressive file with all its parts is decoded so.
TEST(DcScansOnlyTest, AnEighthIsTheSamePictureAsFromEveryScan) {
  const std::string progressive = testing::encode(photoLike(1501, 1003), "progressive");
  const std::optional<std::string> dcOnly = jpegWithDcScansOnly(progressive);
  ASSERT_TRUE(dcOnly.has_value());
  EXPECT_LT(dcOnly->size(), progressive.size() / 2);
  EXPECT_EQ(decodedAtAnEighth(*dcOnly), decodedAtAnEighth(progressive));

  // And the preview's own decoder takes that way.
  const JpegResult preview = decodeJpegScaled(progressive, [](PictureSize) {
    return ScaledPart{{188, 126}, 0, 0, {188, 126}};
  });
  ASSERT_TRUE(preview.loaded.status.isOk()) << preview.loaded.status.message;
  EXPECT_EQ(preview.loaded.pixels.size(), (PictureSize{188, 126}));

  EXPECT_FALSE(jpegWithDcScansOnly(testing::encode(photoLike(64, 48), "jpg")).has_value())
      << "baseline";
  EXPECT_FALSE(jpegWithDcScansOnly(progressive.substr(0, progressive.size() - 100)).has_value())
      << "cut short";
}

struct RowsCase {
  const char* name;
  int width, height;  // of the source
  ScaledPart part;
  bool fromFirstNeeded;  // rows above the part skipped, as a decoder does
};

class EnlargedRowsTest : public ::testing::TestWithParam<RowsCase> {};

// Enlarging from a band of rows must give every pixel that enlarging the
// picture held whole gives: a band seam one row off shows as a line.
TEST_P(EnlargedRowsTest, MatchesThePictureEnlargedWhole) {
  const RowsCase& c = GetParam();
  const QImage photo = photoLike(c.width, c.height);
  Picture source(c.width, c.height);
  for (int y = 0; y < c.height; ++y) {
    std::memcpy(source.row(y), photo.constScanLine(y), static_cast<std::size_t>(c.width) * 4);
  }
  const Picture whole = scaleBilinear(source, c.part);
  ASSERT_EQ(whole.size(), c.part.kept);

  Picture banded(c.part.kept.width, c.part.kept.height);
  std::unique_ptr<BilinearRows> rows = BilinearRows::make(source.size(), c.part, banded.alias());
  ASSERT_NE(rows, nullptr);
  for (int y = c.fromFirstNeeded ? rows->firstRow() : 0; y < rows->endRow(); ++y) {
    rows->addRow(y, source.row(y));
  }
  ASSERT_TRUE(rows->done());
  int differing = 0;
  for (int y = 0; y < c.part.kept.height; ++y) {
    for (int x = 0; x < c.part.kept.width; ++x) {
      if (banded.at(x, y) != whole.at(x, y)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnlargedRowsTest,
    ::testing::Values(
        // Cover: 1.5 : 1, the middle rows kept, over many bands.
        RowsCase{"cover_rows", 300, 200, {{450, 300}, 0, 15, {450, 270}}, true},
        // Cover of an upright picture: the middle of a tall enlargement.
        RowsCase{"cover_columns", 200, 300, {{480, 720}, 0, 225, {480, 270}}, false},
        // Fewer rows than one band: the last row repeats at the edge.
        RowsCase{"shorter_than_a_band", 40, 10, {{400, 100}, 0, 0, {400, 100}}, false},
        // Wider, but halved in height: rows are passed over.
        RowsCase{"wider_and_lower", 300, 400, {{600, 200}, 0, 0, {600, 200}}, true},
        // A small picture on a large screen: each row read by many.
        RowsCase{"thirty_two_times", 20, 15, {{640, 480}, 0, 0, {640, 480}}, false},
        // Off-centre parts, the bottom rows kept.
        RowsCase{"bottom_right", 257, 131, {{700, 357}, 100, 57, {500, 300}}, true}),
    [](const ::testing::TestParamInfo<RowsCase>& tested) {
      return std::string(tested.param.name);
    });

TEST_F(RenderTest, GreyJpegCoversInItsOwnShades) {
  // Black and white photos are one-channel JPEGs: scaled while decoding,
  // they must come out grey, not tinted or garbled.
  QImage grey(2000, 1000, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y) {
    std::fill_n(grey.scanLine(y), grey.width(), static_cast<uchar>(y < 500 ? 60 : 200));
  }
  const std::string picture = testing::writeBytes(dir / "grey.jpg", testing::encode(grey, "jpg"));
  ASSERT_TRUE(render(picture, 4));
  const QImage bitmap(QString::fromStdString(dir / "wallpaper.bmp"));
  ASSERT_EQ(bitmap.size(), QSize(1024, 768));
  for (const auto& [y, level] : {std::pair{100, 60}, std::pair{700, 200}}) {
    const QRgb pixel = bitmap.pixel(512, y);
    EXPECT_NEAR(qRed(pixel), level, 3) << y;
    EXPECT_EQ(qRed(pixel), qGreen(pixel)) << y;
    EXPECT_EQ(qRed(pixel), qBlue(pixel)) << y;
  }
}

TEST_F(RenderTest, ExifOffsetNearFourGibibytesIsIgnored) {
  // The IFD offset 0xfffffffe plus 2 wraps to 0 in 32 bits.
  std::string jpeg = testing::withExifOrientation(goodJpeg(), 6);
  jpeg.replace(2 + 4 + 6 + 4, 4, "\xfe\xff\xff\xff");
  const std::string picture = testing::writeBytes(dir / "camera.jpg", jpeg);
  LinuxPictures pictures;
  const LoadedPicture loaded = pictures.load(picture);
  ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
  EXPECT_EQ(loaded.natural, (PictureSize{800, 600})) << "no orientation applied";
}

TEST_F(RenderTest, StrayBytesBeforeTheEndMarkerStillShowThePicture) {
  std::string jpeg = goodJpeg();
  jpeg.insert(jpeg.size() - 2, "junk");
  const std::string picture = testing::writeBytes(dir / "stray.jpg", jpeg);
  EXPECT_TRUE(render(picture, 0).has_value());
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(RenderTest, TheLargestBitmapAllowedStaysUnderFourHundredMegabytes) {
  // 8192 x 8190 at 24 bits: a 201 MB file (sparse here) and 268 MB of
  // pixels. Held whole beside its pixels, the file alone would pass the bound.
  const int width = 8192;
  const int height = 8190;
  std::string header = testing::encode(testing::twoColourImage(8, 8), "bmp").substr(0, 54);
  const auto put32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>(value >> (8 * i));
  };
  const std::uint64_t size = 54 + std::uint64_t{width} * 3 * height;
  put32(2, static_cast<std::uint32_t>(size));
  put32(18, width);
  put32(22, height);
  const std::string picture = testing::writeBytes(dir / "huge.bmp", header);
  std::filesystem::resize_file(picture, size);
  ASSERT_TRUE(render(picture, 0).has_value());
  EXPECT_EQ(testing::readBitmapHeader(dir / "wallpaper.bmp").width, 1024) << "cut to the screen";
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 400L * 1000) << "peak memory in KiB";
}

TEST(BitmapHeader, RowsTimesHeightBeyondAnyFileIsCutShort) {
  std::string bmp = testing::encode(testing::twoColourImage(8, 8), "bmp");
  for (const std::size_t at : {std::size_t{18}, std::size_t{22}})
    bmp.replace(at, 4, "\xff\xff\xff\x7f");
  bmp.replace(28, 2, std::string("\x20\x00", 2));  // 32 bits a pixel
  EXPECT_TRUE(bitmapIsCutShort(bmp));
}

TEST_F(RenderTest, GifContentNamedJpegIsShown) {
  // The content decides the decoder, as the old picture loader did.
  const std::string picture = testing::writeBytes(
      dir / "really-a-gif.jpg", testing::encode(testing::twoColourImage(300, 200), "gif"));
  ASSERT_TRUE(render(picture, 0));
  EXPECT_EQ(testing::readBitmapHeader(dir / "wallpaper.bmp").width, 300);
}

TEST_F(RenderTest, RewritesWallpaperWhole) {
  testing::writeBytes(dir / "wallpaper.bmp", std::string(5'000'000, 'x'));
  const std::string picture =
      testing::writeBytes(dir / "a.gif", testing::encode(testing::twoColourImage(100, 80), "gif"));
  ASSERT_TRUE(render(picture, 1));
  const testing::BitmapHeader header = testing::readBitmapHeader(dir / "wallpaper.bmp");
  EXPECT_EQ(header.width, 100);
  EXPECT_EQ(header.fileSize, 54u + 300u * 80u);
  // No temporary file is left beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 2);
}

// A desktop that paints the pixels itself is handed them while the file is
// written: what it prepared reaches it with the file, in the layout it is
// shown in, and a file that cannot be written drops it unseen.
TEST_F(RenderTest, WhatTheDesktopPreparedGoesWithTheFileOrNowhere) {
  fake.desktop.prepares = true;
  const std::string picture =
      testing::writeBytes(dir / "a.gif", testing::encode(testing::twoColourImage(100, 80), "gif"));
  state.currentStyle = 1;
  auto rendered = RenderWallpaper(fake.platform(), state, picture);
  ASSERT_TRUE(rendered);
  EXPECT_EQ(*fake.desktop.preparedAlive, 1);
  RenderedWallpaper wallpaper = std::move(rendered).value();
  ASSERT_TRUE(ApplyWallpaper(fake.platform(), state, std::move(wallpaper)).isOk());
  EXPECT_TRUE(fake.desktop.lastSetWasPrepared);
  EXPECT_EQ(*fake.desktop.preparedAlive, 0);

  // No more than a header fits into any file now.
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit before = limit;
  limit.rlim_cur = 64;
  // NOLINTNEXTLINE(cert-err33-c): the old disposition is restored below
  void (*const oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const auto failed = RenderWallpaper(fake.platform(), state, picture);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_FALSE(failed);
  EXPECT_TRUE(failed.failure().message.starts_with(text::kCannotWriteWallpaper));
  EXPECT_EQ(*fake.desktop.preparedAlive, 0) << "kept painting a wallpaper nobody will set";
}

TEST_F(RenderTest, UnknownScreenCentresUnscaled) {
  fake.screen.screen.reset();
  const std::string picture = testing::writeBytes(
      dir / "a.jpg", testing::encode(testing::twoColourImage(3000, 2000), "jpg"));
  const bool rendered = render(picture, 4).has_value();
  ASSERT_EQ(fake.messages.details.size(), 1U);
  const std::string& errors = fake.messages.details[0];
  ASSERT_TRUE(rendered);
  EXPECT_NE(errors.find("screen size unknown"), std::string::npos);
  EXPECT_EQ(testing::readBitmapHeader(dir / "wallpaper.bmp").width, 3000);
  EXPECT_EQ(state.currentStyle, 0);
}

}  // namespace
}  // namespace tivolen

namespace tivolen {
namespace {

Picture plain(int width, int height, std::uint32_t colour) {
  Picture picture(width, height);
  for (int y = 0; y < height; ++y) std::fill_n(picture.row(y), width, colour);
  return picture;
}

TEST(WrittenBitmapTest, ReadsBackWhatWasWritten) {
  testing::TempDir dir;
  LinuxPictures pictures;
  ASSERT_TRUE(pictures.saveBitmap(plain(30, 20, 0xffff0000U), dir / "w.bmp").isOk());
  // Once from memory, once from the file: both the same pixels.
  for (int pass = 0; pass < 2; ++pass) {
    const LoadedPicture loaded = pictures.load(dir / "w.bmp");
    ASSERT_TRUE(loaded.status.isOk());
    ASSERT_EQ(loaded.pixels.size(), (PictureSize{30, 20}));
    EXPECT_EQ(loaded.pixels.at(29, 19), 0xffff0000U) << "pass " << pass;
  }
}

// Every width's rows end differently: in the middle of a group of pixels
// packed together, and padded to four bytes by none to three.
TEST(WrittenBitmapTest, EveryPixelOfEveryRowEndingReadsBack) {
  for (int width = 1; width <= 9; ++width) {
    Picture picture(width, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        picture.row(y)[x] = 0xff000000U | static_cast<std::uint32_t>(x * 0x0b1d27 + y * 0x2f0301);
      }
    }
    std::string file;
    ASSERT_TRUE(writeBitmap(picture, [&](std::string_view piece) {
      file.append(piece);
      return true;
    }));
    const QImage read = QImage::fromData(reinterpret_cast<const uchar*>(file.data()),
                                         static_cast<int>(file.size()), "BMP");
    ASSERT_EQ(read.size(), QSize(width, 3)) << "width " << width;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        EXPECT_EQ(read.pixel(x, y), picture.at(x, y))
            << "width " << width << " at " << x << ", " << y;
      }
    }
  }
}

TEST(WrittenBitmapTest, AFileReplacedSinceIsReadFromDisk) {
  testing::TempDir dir;
  LinuxPictures pictures;
  ASSERT_TRUE(pictures.saveBitmap(plain(30, 20, 0xffff0000U), dir / "w.bmp").isOk());
  // Another writer replaces it, as the manager's set-wallpaper would.
  testing::writeBytes(dir / "other.bmp", testing::encode(testing::twoColourImage(40, 10), "bmp"));
  std::filesystem::rename(dir / "other.bmp", dir / "w.bmp");
  const LoadedPicture loaded = pictures.load(dir / "w.bmp");
  ASSERT_TRUE(loaded.status.isOk());
  EXPECT_EQ(loaded.pixels.size(), (PictureSize{40, 10}));
  EXPECT_TRUE(testing::isBlue(loaded.pixels.at(39, 5)));
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// Small files that claim a lot: each must end within seconds, under the
// memory bound, with the message that says why (damaged or too large) and
// no wallpaper where it cannot be shown honestly. Every file is written
// here, by hand or by TurboJPEG and zlib.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <zlib.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "changer/render.h"
#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "platform/large_memory.h"
#include "platform/linux/linux_pictures.h"
#include "tests/picture_files.h"
#include "tests/render_reported.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

std::string bigEndian16(std::uint32_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value)};
}
std::string bigEndian32(std::uint32_t value) {
  return bigEndian16(value >> 16) + bigEndian16(value & 0xffff);
}

std::string segment(unsigned char marker, const std::string& body) {
  return std::string{'\xff', static_cast<char>(marker)} +
         bigEndian16(static_cast<std::uint32_t>(body.size() + 2)) + body;
}

// A progressive JPEG written by hand: one code for "DC unchanged" and one
// for "the next 16384 blocks have no AC coefficients" make every scan a
// run of zero bytes, so a file of any size and number of scans is quick to
// write. The first scan carries the DC values of all components; each
// further scan covers the AC band of one component, in turn. Four
// components without an Adobe marker make a CMYK picture.
std::string progressiveJpeg(int width, int height, int components, int scans,
                            bool emptyScans = false) {
  std::string jpeg("\xff\xd8", 2);
  jpeg += segment(0xdb, std::string(1, '\0') + std::string(64, '\x01'));
  std::string frame = std::string(1, '\x08') + bigEndian16(static_cast<std::uint32_t>(height)) +
                      bigEndian16(static_cast<std::uint32_t>(width)) +
                      static_cast<char>(components);
  for (int c = 1; c <= components; ++c) frame += std::string{static_cast<char>(c), '\x11', '\0'};
  jpeg += segment(0xc2, frame);
  const std::string oneCode = std::string(1, '\x01') + std::string(15, '\0');
  jpeg += segment(0xc4, std::string(1, '\x00') + oneCode + '\x00');  // DC: difference 0
  jpeg += segment(0xc4, std::string(1, '\x10') + oneCode + '\xe0');  // AC: EOB run 16384
  const std::int64_t blocks = std::int64_t{(width + 7) / 8} * ((height + 7) / 8);
  std::string dc = std::string(1, static_cast<char>(components));
  for (int c = 1; c <= components; ++c) dc += std::string{static_cast<char>(c), '\0'};
  jpeg += segment(0xda, dc + std::string(3, '\0'));
  jpeg += std::string(static_cast<std::size_t>((blocks * components + 7) / 8), '\0');
  const std::int64_t runs = (blocks + 16383) / 16384;
  const std::string ac(emptyScans ? 0 : static_cast<std::size_t>((runs * 15 + 7) / 8), '\0');
  for (int scan = 1; scan < scans; ++scan) {
    const char component = static_cast<char>(1 + (scan - 1) % components);
    jpeg += segment(0xda, std::string{'\x01', component, '\0', '\x01', '\x3f', '\0'}) + ac;
  }
  return jpeg + "\xff\xd9";
}

// A CMYK photo as TurboJPEG writes one (YCCK inside, with the Adobe
// marker): red on the left, blue on the right, in inverted CMYK.
std::string cmykJpeg(int width, int height, bool progressive) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      // Inverted: 255 is no ink. Red is full magenta and yellow.
      const bool red = x < width / 2;
      p[0] = red ? 255 : 0;
      p[1] = red ? 0 : 255;
      p[2] = red ? 0 : 255;
      p[3] = 255;
    }
  }
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
  tjCompress2(handle, pixels.data(), width, width * 4, height, TJPF_CMYK, &out, &size, TJSAMP_444,
              90, flags);
  std::string jpeg(reinterpret_cast<const char*>(out), size);
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

std::string pngChunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
  return bigEndian32(static_cast<std::uint32_t>(data.size())) + body + bigEndian32(crc);
}

// A PNG of one colour, RGB (colour type 2) or RGBA (6): the first row says
// the colour once and repeats it (filter Sub), every later row repeats the
// one above (Up), so millions of pixels deflate to a few hundred kilobytes.
std::string oneColourPng(int width, int height, int depth, int colourType, std::uint16_t red) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  png += pngChunk("IHDR", bigEndian32(static_cast<std::uint32_t>(width)) +
                              bigEndian32(static_cast<std::uint32_t>(height)) +
                              static_cast<char>(depth) + static_cast<char>(colourType) +
                              std::string("\0\0\0", 3));
  const int pixelBytes = (colourType == 6 ? 4 : 3) * depth / 8;
  z_stream stream{};
  // Runs of zero bytes: run-length matching is all it takes, and quick.
  deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_RLE);
  std::string compressed;
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * pixelBytes + 1, 0);
  std::vector<unsigned char> buffer(1 << 16);
  for (int y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    row[0] = y == 0 ? 1 : 2;
    if (y == 0 && depth == 16) {
      row[1] = static_cast<unsigned char>(red >> 8);
      row[2] = static_cast<unsigned char>(red & 0xff);
    } else if (y == 0) {
      row[1] = static_cast<unsigned char>(red >> 8);
    }
    stream.next_in = row.data();
    stream.avail_in = static_cast<uInt>(row.size());
    const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      deflate(&stream, flush);
      compressed.append(reinterpret_cast<const char*>(buffer.data()),
                        buffer.size() - stream.avail_out);
    } while (stream.avail_out == 0 || (flush == Z_FINISH && stream.avail_in > 0));
  }
  deflateEnd(&stream);
  return png + pngChunk("IDAT", compressed) + pngChunk("IEND", "");
}

std::string sixteenBitPng(int width, int height, std::uint16_t red) {
  return oneColourPng(width, height, 16, 2, red);
}

// A picture whose text chunk before the end claims 900 MB of a file of a
// few hundred bytes: the readers would reserve and touch all of it.
std::string pngWithChunkPastTheEnd() {
  std::string png = sixteenBitPng(32, 8, 0x8000);
  const std::string end = pngChunk("IEND", "");
  png.resize(png.size() - end.size());
  return png + bigEndian32(921030693) + "tEXtdate:modify" + end;
}

// A one-pixel GIF on a logical screen of `side` x `side`: 2 bytes of
// header that cost a whole screen of pixels.
std::string gifOnLargeScreen(int side) {
  std::string gif = testing::encodeGif(testing::twoColourImage(2, 1));
  gif[6] = gif[8] = static_cast<char>(side & 0xff);
  gif[7] = gif[9] = static_cast<char>(side >> 8);
  return gif;
}

// A lossless WebP of one colour, 38 bytes whatever size its header claims:
// with a single colour every pixel takes no bits at all.
std::string oneColourWebp(std::uint32_t width, std::uint32_t height) {
  std::string webp(
      "RIFF\x1e\0\0\0WEBPVP8L\x11\0\0\0\x2f\x0f\xc0\x03\0\x07\x50\xad\xa2\x14\xb9\xff"
      "\x81\x88\xe8\x7f\0\0",
      38);
  // 14 bits each for width - 1 and height - 1, then alpha and version.
  const std::uint32_t rest = static_cast<std::uint8_t>(webp[24]) >> 4;
  const std::uint32_t bits = (width - 1) | (height - 1) << 14 | rest << 28;
  for (int i = 0; i < 4; ++i) webp[21 + i] = static_cast<char>(bits >> (8 * i));
  return webp;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct HostileCase {
  const char* name;
  const char* file;
  std::string (*contents)();
  // Empty: the picture is shown.
  std::string_view message;
};

// Pictures rendered for a small screen: whatever a file claims, the
// result is small, so what the run costs is the reading.
class SmallScreenTest : public ::testing::Test {
 protected:
  SmallScreenTest() { fake.screen.screen = ScreenSize{320, 240}; }

  TempDir dir;
  fake::FakePlatform fake{dir.path()};
  RunState state;
};

class HostilePictureTest : public SmallScreenTest,
                           public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostilePictureTest, EndsQuicklyWithinTheMemoryBound) {
  const HostileCase& c = GetParam();
  const std::string picture = testing::writeBytes(dir / c.file, c.contents());
  state.currentStyle = 3;
  const auto started = std::chrono::steady_clock::now();
  const auto rendered = testing::RenderReported(fake.platform(), state, picture);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  if (c.message.empty()) {
    EXPECT_TRUE(rendered.isOk());
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.details.front();
    EXPECT_TRUE(dir.exists("wallpaper.bmp"));
  } else {
    EXPECT_FALSE(rendered.isOk());
    ASSERT_EQ(fake.messages.shown.size(), 1U);
    EXPECT_TRUE(fake.messages.shown[0].starts_with(std::string(c.message) + "\r\n" + picture))
        << fake.messages.shown[0];
    ASSERT_EQ(fake.messages.details.size(), 1U);
    EXPECT_NE(fake.messages.details[0].find(picture), std::string::npos);
    EXPECT_FALSE(dir.exists("wallpaper.bmp"));
  }
  // A refusal comes before any decoding; a picture shown is decoded
  // whole, which a busy machine may slow down.
  EXPECT_LT(seconds, c.message.empty() ? 30.0 : 5.0);
  EXPECT_LT(peakKilobytes(), 400L * 1000) << "peak memory in KiB";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostilePictureTest,
    ::testing::Values(
        // Each scan is another pass over all 9 million pixels.
        HostileCase{"thousand_scans", "scans.jpg",
                    [] { return progressiveJpeg(3000, 3000, 1, 1000); }, text::kCannotLoadPicture},
        HostileCase{"thousand_cmyk_scans", "scans-cmyk.jpg",
                    [] { return progressiveJpeg(3000, 3000, 4, 1000); }, text::kCannotLoadPicture},
        HostileCase{"cmyk_cut_in_half", "half-cmyk.jpg",
                    [] {
                      const std::string whole = cmykJpeg(640, 480, false);
                      return whole.substr(0, whole.size() / 2);
                    },
                    text::kCannotLoadPicture},
        HostileCase{"cmyk_progressive_cut", "cut-cmyk.jpg",
                    [] {
                      const std::string whole = cmykJpeg(640, 480, true);
                      return whole.substr(0, whole.size() * 2 / 3);
                    },
                    text::kCannotLoadPicture},
        HostileCase{"cmyk_empty_scans", "empty-cmyk.jpg",
                    [] { return progressiveJpeg(640, 480, 4, 12, true); },
                    text::kCannotLoadPicture},
        // 8192 x 8192 at 4:4:4: its coefficients alone are 384 MiB.
        HostileCase{"progressive_444_at_the_pixel_limit", "444.jpg",
                    [] { return progressiveJpeg(8192, 8192, 3, 10); }, text::kPictureTooLarge},
        // 8 bytes a pixel in Qt's reader: 512 MiB.
        HostileCase{"png_16_bit_at_the_pixel_limit", "deep-64mp.png",
                    [] { return sixteenBitPng(8192, 8192, 0xffff); }, text::kPictureTooLarge},
        HostileCase{"png_chunk_claiming_900_megabytes", "claim.png", pngWithChunkPastTheEnd,
                    text::kCannotLoadPicture},
        // Found by fuzzing: a screen of no width and a frame of 18759 x
        // 14406 made Qt allot 150 MB for 80 bytes.
        HostileCase{"gif_frame_far_beyond_its_screen", "frame.gif",
                    [] {
                      return std::string(
                          "GIF89a\0\0\0\x08\x80\0\0=\0\0\0\0\0,\0\0\0\0GIF87a\x01\0\x01\x02"
                          "\0\x02\x02\x44\x01IF89a\0\0\0\x08\x80\0\0=\0\0\0\0\0,\0\0\0\0GIF87a"
                          "\x01\0\x01\x02\0\x02\x02\x44\x01\0\0;",
                          80);
                    },
                    text::kPictureTooLarge},
        HostileCase{"jpeg_header_beyond_the_pixel_limit", "claim.jpg",
                    [] { return testing::withFrameSize(cmykJpeg(64, 64, false), 16384, 16384); },
                    text::kPictureTooLarge},
        // libwebp holds a lossless picture's pixels whole beside the result:
        // 512 MiB for 38 bytes.
        HostileCase{"webp_lossless_at_the_pixel_limit", "one-colour.webp",
                    [] { return oneColourWebp(8192, 8192); }, text::kPictureTooLarge},
        HostileCase{"webp_header_beyond_the_pixel_limit", "claim.webp",
                    [] { return oneColourWebp(16383, 16383); }, text::kPictureTooLarge},
        HostileCase{"webp_cut_in_half", "cut.webp",
                    [] {
                      const std::string whole =
                          testing::encode(testing::twoColourImage(640, 480), "webp");
                      return whole.substr(0, whole.size() / 2);
                    },
                    text::kCannotLoadPicture},
        // Legal and within the limit: shown.
        HostileCase{
            "webp_lossless_one_colour", "small.webp", [] { return oneColourWebp(300, 200); }, {}},
        HostileCase{"png_16_bit_33_megapixels",
                    "deep-33mp.png",
                    [] { return sixteenBitPng(6000, 5600, 0xffff); },
                    {}},
        HostileCase{"gif_on_an_8192_square_screen",
                    "screen.gif",
                    [] { return gifOnLargeScreen(8192); },
                    {}}),
    [](const ::testing::TestParamInfo<HostileCase>& tested) {
      return std::string(tested.param.name);
    });

// A photo cut short whose header claims 8192 x 8192, shown whole (centred):
// the picture is refused at the first sign of damage, not after 64 million
// grey pixels have been written.
TEST_F(SmallScreenTest, ACutPhotoClaimingALargeSizeStopsAtTheCut) {
  state.currentStyle = 0;
  const std::string photo = testing::encode(testing::twoColourImage(800, 600), "jpg");
  const std::string picture = testing::writeBytes(
      dir / "claim.jpg", testing::withFrameSize(photo.substr(0, photo.size() / 2), 8192, 8192));
  EXPECT_FALSE(testing::RenderReported(fake.platform(), state, picture).isOk());
  ASSERT_EQ(fake.messages.shown.size(), 1U);
  EXPECT_TRUE(
      fake.messages.shown[0].starts_with(std::string(text::kCannotLoadPicture) + "\r\n" + picture));
  EXPECT_LT(peakKilobytes(), 150L * 1000) << "peak memory in KiB";
}

// The kind of PNG most wallpapers are (8-bit RGBA), a few hundred
// kilobytes claiming 7000 x 7000: reduced to the screen, it is read a few
// rows at a time, never inflated whole (196 MB) for speed.
TEST_F(SmallScreenTest, ATinyPngClaimingAHugePictureIsNotInflatedWhole) {
  state.currentStyle = 3;
  const std::string png = oneColourPng(7000, 7000, 8, 6, 0xc000);
  ASSERT_LT(png.size(), 1U << 20);
  const std::string picture = testing::writeBytes(dir / "claim.png", png);
  EXPECT_TRUE(testing::RenderReported(fake.platform(), state, picture).isOk());
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_LT(peakKilobytes(), 150L * 1000) << "peak memory in KiB";
}

// A progressive photo is held as coefficients until its last scan (here
// 72 MB); the rows the output pass has left behind go back to the system
// as the result (27 MB) is made, so the two are never held whole at once.
TEST(ProgressiveMemory, CoefficientsGoBackAsTheResultIsMade) {
  TempDir dir;
  const std::string picture =
      testing::writeBytes(dir / "progressive.jpg", progressiveJpeg(4000, 3000, 3, 4));
  LinuxPictures pictures;
  const LoadedPicture loaded = pictures.loadScaled(picture, [](PictureSize natural) {
    EXPECT_EQ(natural, (PictureSize{4000, 3000}));
    return ScaledPart{{3000, 2250}, 0, 0, {3000, 2250}};
  });
  ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
  ASSERT_EQ(loaded.pixels.size(), (PictureSize{3000, 2250}));
  EXPECT_EQ(loaded.pixels.at(1500, 1000), 0xff808080U) << "zero coefficients are mid-grey";
  // Both held whole peaked at 113 MB, the coefficients with a few result
  // rows at 88 MB.
  EXPECT_LT(peakKilobytes(), 100L * 1000) << "peak memory in KiB";
}

// A progressive photo cut early in its first scan, claiming 7000 x 6000
// (252 MB of coefficients): its coefficient memory comes in a step ahead
// of the decoding, so the file pays for the rows it held, not the size it
// claims.
TEST(ProgressiveMemory, ACutFilePaysOnlyForTheRowsItHeld) {
  TempDir dir;
  const std::string whole = progressiveJpeg(7000, 6000, 3, 4);
  // About a twentieth into the first scan's data.
  const std::size_t firstScanData = whole.find("\xff\xda") + 14;
  const std::string picture =
      testing::writeBytes(dir / "cut.jpg", whole.substr(0, firstScanData + 12000));
  LinuxPictures pictures;
  const LoadedPicture loaded = pictures.loadScaled(picture, [](PictureSize natural) {
    EXPECT_EQ(natural, (PictureSize{7000, 6000}));
    return ScaledPart{{1920, 1646}, 0, 283, {1920, 1080}};
  });
  EXPECT_FALSE(loaded.status.isOk());
  EXPECT_NE(loaded.status.message.find("damaged JPEG"), std::string::npos) << loaded.status.message;
  EXPECT_LT(peakKilobytes(), 60L * 1000) << "peak memory in KiB";
}

// The pages are faulted in ahead of rows that rarely start on a page:
// every page the range touches comes in, and none past it.
TEST(LargeMemory, ARangeOffThePageComesInWhole) {
  const long page = sysconf(_SC_PAGESIZE);
  const std::size_t bytes = std::size_t{16} << 20;
  const std::shared_ptr<void> block = allocateLargeBlock(bytes);
  ASSERT_NE(block, nullptr);
  char* start = static_cast<char*>(block.get());
  const auto resident = [&](std::size_t from, std::size_t count) {
    std::vector<unsigned char> pages((count + page - 1) / page);
    EXPECT_EQ(mincore(start + from, count, pages.data()), 0);
    return std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; });
  };
  ASSERT_EQ(resident(0, bytes), 0);
  populateLargeBlockPages(start + bytes - page, page);
  if (resident(bytes - page, page) == 0) GTEST_SKIP() << "this kernel faults pages in one by one";
  populateLargeBlockPages(start + 100, (std::size_t{3} << 20) + 7 * page);
  EXPECT_EQ(resident(0, (std::size_t{3} << 20) + 8 * page), (3 << 20) / page + 8);
  EXPECT_EQ(resident((std::size_t{3} << 20) + 8 * page, std::size_t{4} << 20), 0);
}

}  // namespace
}  // namespace tivolen

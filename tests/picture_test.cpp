// SPDX-License-Identifier: GPL-3.0-or-later
// The picture library alone: no files, no system decoders, no toolkit. The
// Windows build runs these cases too, under Wine.
#include "picture/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "picture/area_scaler.h"
#include "picture/bitmap_file.h"
#include "picture/exif_orientation.h"
#include "picture/side_thread.h"

namespace tivolen {
namespace {

constexpr std::uint32_t kBlack = 0xff000000U;
constexpr std::uint32_t kWhite = 0xffffffffU;

Picture filled(std::int32_t width, std::int32_t height, std::uint32_t colour) {
  Picture picture(width, height);
  for (std::int32_t y = 0; y < height; ++y) std::fill_n(picture.row(y), width, colour);
  return picture;
}

// The rows a decoder hands the scaler when it reduces by `reduction`: each
// arriving pixel the average of up to reduction x reduction natural ones.
// Here the natural picture is black left of `edge` and white from it.
std::vector<std::uint32_t> arrivingRow(std::int32_t natural, int reduction, std::int32_t edge) {
  const std::int32_t count = (natural + reduction - 1) / reduction;
  std::vector<std::uint32_t> row(static_cast<std::size_t>(count));
  for (std::int32_t s = 0; s < count; ++s) {
    const std::int32_t from = s * reduction;
    const std::int32_t to = std::min(from + reduction, natural);
    const std::int32_t white = std::max(0, to - std::max(from, edge));
    const auto level = static_cast<std::uint32_t>(255 * white / (to - from));
    row[static_cast<std::size_t>(s)] = 0xff000000U | level << 16 | level << 8 | level;
  }
  return row;
}

struct ScaleCase {
  std::int32_t natural;  // width and height alike
  int reduction;
  std::int32_t scaled;
  std::int32_t keptStart;
  std::int32_t kept;
};

// Reductions by every factor a JPEG decoder offers, of odd sides whose last
// arriving pixel stands for fewer natural ones, kept at the far edge where a
// window could read past the rows it was given.
class AreaScalerTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(AreaScalerTest, FlatStaysFlatAndAnEdgeStaysInPlace) {
  const ScaleCase c = GetParam();
  const ScaledPart part{{c.scaled, c.scaled}, c.keptStart, c.keptStart, {c.kept, c.kept}};
  const std::int32_t arriving = (c.natural + c.reduction - 1) / c.reduction;

  for (const std::uint32_t colour : {0xff336699U, kWhite, kBlack}) {
    Picture out(c.kept, c.kept);
    AreaScaler scaler({c.natural, c.natural}, c.reduction, part, out.alias());
    const std::vector<std::uint32_t> row(static_cast<std::size_t>(arriving), colour);
    for (std::int32_t y = scaler.firstRow(); y < scaler.endRow(); ++y) scaler.addRow(y, row.data());
    ASSERT_TRUE(scaler.done());
    for (std::int32_t y = 0; y < c.kept; ++y) {
      for (std::int32_t x = 0; x < c.kept; ++x) {
        ASSERT_EQ(out.at(x, y), colour) << "at " << x << "," << y;
      }
    }
  }

  // Black left of two thirds of the natural width, white from there: across,
  // the result must go from black to white once, at the same place.
  const std::int32_t edge = c.natural * 2 / 3;
  Picture out(c.kept, c.kept);
  AreaScaler scaler({c.natural, c.natural}, c.reduction, part, out.alias());
  const std::vector<std::uint32_t> row = arrivingRow(c.natural, c.reduction, edge);
  for (std::int32_t y = scaler.firstRow(); y < scaler.endRow(); ++y) scaler.addRow(y, row.data());
  ASSERT_TRUE(scaler.done());
  for (std::int32_t x = 0; x < c.kept; ++x) {
    // The result pixel's centre in natural pixels.
    // Blurred by the result pixel's width and the decoder's reduction.
    const double centre = (c.keptStart + x + 0.5) * c.natural / c.scaled;
    const double blur = double(c.natural) / c.scaled + c.reduction;
    const std::uint32_t level = out.at(x, c.kept / 2) & 0xffU;
    if (centre < edge - blur) {
      EXPECT_EQ(level, 0U) << "x " << x;
    }
    if (centre > edge + blur) {
      EXPECT_EQ(level, 255U) << "x " << x;
    }
    if (x > 0) {
      EXPECT_GE(level, out.at(x - 1, c.kept / 2) & 0xffU) << "x " << x;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Reductions, AreaScalerTest,
                         ::testing::Values(ScaleCase{1001, 1, 333, 0, 333},
                                           ScaleCase{1001, 2, 333, 200, 133},
                                           ScaleCase{1001, 4, 200, 150, 50},
                                           ScaleCase{1003, 8, 97, 40, 57}, ScaleCase{7, 8, 1, 0, 1},
                                           ScaleCase{641, 2, 320, 0, 320}));

// A picture 3 wide and 2 high whose stored top-left pixel is red and the one
// right of it green: where the two land names the turn or mirror exactly.
TEST(Orientation, EveryExifOrientationShowsThePictureAsTheCameraHeldIt) {
  constexpr std::uint32_t kRed = 0xffff0000U;
  constexpr std::uint32_t kGreen = 0xff00ff00U;
  struct Landing {
    int orientation;
    std::int32_t width, height;
    std::int32_t redX, redY, greenX, greenY;
  };
  const Landing landings[] = {
      {1, 3, 2, 0, 0, 1, 0},  // as stored
      {2, 3, 2, 2, 0, 1, 0},  // mirrored left to right
      {3, 3, 2, 2, 1, 1, 1},  // half a turn
      {4, 3, 2, 0, 1, 1, 1},  // mirrored top to bottom
      {5, 2, 3, 0, 0, 0, 1},  // mirrored across the diagonal
      {6, 2, 3, 1, 0, 1, 1},  // a quarter turn clockwise
      {7, 2, 3, 1, 2, 1, 1},  // mirrored across the other diagonal
      {8, 2, 3, 0, 2, 0, 1},  // a quarter turn anticlockwise
  };
  for (const Landing& l : landings) {
    Picture stored = filled(3, 2, kBlack);
    stored.row(0)[0] = kRed;
    stored.row(0)[1] = kGreen;
    const Picture upright = applyOrientation(std::move(stored), l.orientation);
    ASSERT_EQ(upright.size(), (PictureSize{l.width, l.height})) << "orientation " << l.orientation;
    EXPECT_EQ(upright.at(l.redX, l.redY), kRed) << "orientation " << l.orientation;
    EXPECT_EQ(upright.at(l.greenX, l.greenY), kGreen) << "orientation " << l.orientation;
  }
}

// Rows of a 24-bit bitmap are padded to four bytes: every width's padding,
// read back by the library's own reader, gives the same pixels.
TEST(BitmapFile, EveryRowPaddingReadsBackTheSamePixels) {
  for (const std::int32_t width : {1, 2, 3, 4, 5, 641}) {
    Picture picture(width, 3);
    for (std::int32_t y = 0; y < 3; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        picture.row(y)[x] = 0xff000000U | static_cast<std::uint32_t>(x * 7 + y * 131) * 0x010305U;
      }
    }
    const BitmapBytes bytes = encodeBitmap(picture);
    ASSERT_FALSE(bitmapIsCutShort(bytes.view())) << "width " << width;
    const std::optional<Picture> read = decodePlainBitmap(bytes.view());
    ASSERT_TRUE(read) << "width " << width;
    ASSERT_EQ(read->size(), picture.size());
    for (std::int32_t y = 0; y < 3; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        ASSERT_EQ(read->at(x, y) & 0xffffffU, picture.at(x, y) & 0xffffffU)
            << "width " << width << " at " << x << "," << y;
      }
    }
  }
}

// A screen's bitmap is packed on a second thread while the first writes
// it: the file must hold the same bytes in the same order, and a write that
// fails half-way (a full disk) must end the save at once, not hang it.
TEST(BitmapFile, WrittenInSlicesItIsTheSameFileAndAFailedWriteEndsIt) {
  Picture picture(1001, 997);
  for (std::int32_t y = 0; y < picture.height(); ++y) {
    for (std::int32_t x = 0; x < picture.width(); ++x) {
      picture.row(y)[x] = 0xff000000U | static_cast<std::uint32_t>(x * 977 + y * 7919) * 0x010305U;
    }
  }
  const BitmapBytes whole = encodeBitmap(picture);
  std::string written;
  std::size_t pieces = 0;
  ASSERT_TRUE(writeBitmap(picture, [&](std::string_view piece) {
    written.append(piece);
    ++pieces;
    return true;
  }));
  ASSERT_GT(pieces, 8U) << "small enough to be written in one go";
  ASSERT_EQ(written.size(), whole.size);
  EXPECT_TRUE(written == whole.view()) << "the slices are out of order or mixed up";

  for (const std::size_t failing : {std::size_t{0}, std::size_t{1}, std::size_t{5}, pieces - 1}) {
    std::size_t calls = 0;
    EXPECT_FALSE(writeBitmap(picture, [&](std::string_view) { return calls++ != failing; }))
        << "write " << failing << " failed";
    EXPECT_EQ(calls, failing + 1) << "writing went on after a failed write";
  }
}

// A decoder whose side thread waits for work must not hang nor end the
// program when the decoding thread gives up half-way.
TEST(SideThread, ACallerThatLeavesEarlyStopsTheWorkAndTheWorksFailureReachesTheCaller) {
  std::mutex mutex;
  std::condition_variable changed;
  bool stopped = false;
  std::atomic<bool> workEnded{false};
  try {
    SideThread waiting(
        [&] {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stopped; });
          workEnded = true;
        },
        [&] {
          {
            const std::lock_guard lock(mutex);
            stopped = true;
          }
          changed.notify_all();
        });
    ASSERT_TRUE(waiting.started());
    throw std::runtime_error("out of memory half-way");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(workEnded);

  SideThread failing([] { throw std::length_error("a band too long"); });
  ASSERT_TRUE(failing.started());
  EXPECT_THROW(failing.join(), std::length_error);
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/banded_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tivolen {
namespace {

// Records what reaches it: each row's number and its first and last word.
class RecordingScaler final : public RowScaler {
 public:
  RecordingScaler(std::int32_t width, std::int32_t first, std::int32_t end,
                  std::int32_t throwAt = -1)
      : width_(width), first_(first), end_(end), throwAt_(throwAt) {}
  [[nodiscard]] std::int32_t firstRow() const override { return first_; }
  [[nodiscard]] std::int32_t endRow() const override { return end_; }
  void addRow(std::int32_t y, const std::uint32_t* row) override {
    if (y == throwAt_) throw std::runtime_error("scaling failed");
    rows.push_back(y);
    // One word wide, the last mark is the only one.
    if ((width_ > 1 && row[0] != static_cast<std::uint32_t>(y)) ||
        row[width_ - 1] != static_cast<std::uint32_t>(~y)) {
      wrongRows.push_back(y);
    }
  }
  std::vector<std::int32_t> rows;
  std::vector<std::int32_t> wrongRows;

 private:
  std::int32_t width_;
  std::int32_t first_;
  std::int32_t end_;
  std::int32_t throwAt_;
};

// Marks each row with its number at both ends, as a decoder would fill it.
BandFiller markedRows(std::int32_t width, std::vector<std::int32_t>& asked,
                      std::int32_t failAt = -1) {
  return [width, &asked, failAt](std::uint32_t* out, std::int32_t firstRow, std::int32_t rows) {
    for (std::int32_t i = 0; i < rows; ++i) {
      const std::int32_t y = firstRow + i;
      asked.push_back(y);
      if (y == failAt) return false;
      std::uint32_t* row = out + static_cast<std::size_t>(width) * static_cast<std::size_t>(i);
      row[0] = static_cast<std::uint32_t>(y);
      row[width - 1] = static_cast<std::uint32_t>(~y);
    }
    return true;
  };
}

// Every row from the first asked for reaches the scaler once, in order and
// with its own pixels, for a narrow picture, a photo, and one so wide that a
// band holds a single row (a hostile file a few rows high).
TEST(ScaleInBands, EveryRowArrivesOnceInOrderWithItsOwnPixels) {
  for (const std::int32_t width : {1, 37, 6000, 400000}) {
    RecordingScaler scaler(width, 5, 107);
    std::vector<std::int32_t> asked;
    ASSERT_TRUE(ScaleInBands(scaler, width, 3, markedRows(width, asked)));
    std::vector<std::int32_t> expected;
    for (std::int32_t y = 3; y < 107; ++y) expected.push_back(y);
    EXPECT_EQ(asked, expected) << "width " << width;
    EXPECT_EQ(scaler.rows, expected) << "width " << width;
    EXPECT_TRUE(scaler.wrongRows.empty()) << "width " << width << ": a band's rows got mixed up";
  }
}

// Damage ends the decoding: no row is asked for after it, and the rows
// before it were scaled.
TEST(ScaleInBands, ADamagedRowEndsTheDecoding) {
  RecordingScaler scaler(64, 0, 200);
  std::vector<std::int32_t> asked;
  EXPECT_FALSE(ScaleInBands(scaler, 64, 0, markedRows(64, asked, 70)));
  EXPECT_EQ(asked.back(), 70);
  ASSERT_FALSE(scaler.rows.empty());
  EXPECT_LT(scaler.rows.back(), 70);
}

// A scaler that throws ends it with the exception, never with the decoding
// side waiting for a band that is never given back.
TEST(ScaleInBands, AScalerThatThrowsEndsItWithoutWaitingForEver) {
  RecordingScaler scaler(64, 0, 5000, 40);
  std::vector<std::int32_t> asked;
  EXPECT_THROW((void)ScaleInBands(scaler, 64, 0, markedRows(64, asked)), std::runtime_error);
  EXPECT_LT(asked.size(), 5000U);
}

}  // namespace
}  // namespace tivolen

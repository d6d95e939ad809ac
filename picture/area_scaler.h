// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace tivolen {

// Scales rows that arrive top to bottom into a picture of the kept part,
// holding only a few of them: the decoded picture is never held whole.
class RowScaler {
 public:
  virtual ~RowScaler() = default;
  // The first and one past the last source row the kept part needs; rows
  // outside them may be skipped.
  [[nodiscard]] virtual std::int32_t firstRow() const = 0;
  [[nodiscard]] virtual std::int32_t endRow() const = 0;
  // Source row `y`, 0xffRRGGBB words: every row from firstRow() to endRow()
  // in order; others are ignored.
  virtual void addRow(std::int32_t y, const std::uint32_t* row) = 0;
};

// Reduces rows that arrive top to bottom by area averaging: each result
// pixel is the mean of the source area it covers, as in Qt's smooth
// reduction, so both agree to a fraction of a level. Only the kept part is
// made, straight into its picture, and only a few scaled rows are held.
class AreaScaler final : public RowScaler {
 public:
  // Rows arrive reduced from `natural` by `reduction` (1, 2, 4 or 8), as
  // ceil(side / reduction) pixels, the last of which may stand for fewer
  // natural pixels than the others. `part` is the natural picture scaled
  // whole and the part kept. Reduction only: the scaled size is no larger
  // than the arriving rows in either direction, and `out` is of kept size.
  AreaScaler(PictureSize natural, int reduction, const ScaledPart& part, Picture out);

  [[nodiscard]] std::int32_t firstRow() const override { return firstRow_; }
  [[nodiscard]] std::int32_t endRow() const override { return endRow_; }
  // Result rows are written as soon as their last row arrives.
  void addRow(std::int32_t y, const std::uint32_t* row) override;

  // True when the part is wholly made.
  [[nodiscard]] bool done() const { return nextOut_ == out_.height(); }

 private:
  // For each result column (or row), the first source pixel it reads and
  // the weights of `count` pixels from there, in 1/2^14, summing to 2^14.
  struct Taps {
    std::vector<std::int32_t> start;
    std::vector<std::uint16_t> weights;
    int count = 0;
  };
  static Taps taps(std::int32_t natural, int reduction, std::int32_t scaled, std::int32_t keptStart,
                   std::int32_t kept);
  template <int Count>
  void scaleRow(const std::uint32_t* in, std::uint16_t* out) const;

  Picture out_;
  Taps columns_;
  Taps rows_;
  std::int32_t firstRow_ = 0;
  std::int32_t endRow_ = 0;
  std::int32_t nextOut_ = 0;
  // The last rows_.count source rows scaled across, three channels of
  // 16 bits (8 of them fraction) per result pixel; a ring by source row.
  std::vector<std::uint16_t> ring_;
  std::vector<std::uint32_t> sums_;
};

}  // namespace tivolen

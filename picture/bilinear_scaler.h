// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "picture/area_scaler.h"
#include "picture/picture.h"

union pixman_image;

namespace tivolen {

// The kept part of `source` scaled whole to `part.scaled`, bilinear, as Qt's
// smooth transformation enlarges, on pixman's SIMD paths: only the kept
// pixels are computed, straight into a picture of kept size, so the
// enlarged picture is never held whole. Meant for enlarging; a reduction
// by more than a little is better served by AreaScaler, which averages
// every source pixel instead of sampling four. An empty picture when pixman
// cannot take the sizes.
Picture scaleBilinear(const Picture& source, const ScaledPart& part);

// What scaleBilinear makes, to the same pixels, from rows that arrive top to
// bottom: only a band of a few dozen source rows is held, so an enlarged
// picture is decoded straight into the kept part without its decoded size
// ever being held whole.
class BilinearRows final : public RowScaler {
 public:
  // Nothing when pixman cannot take the sizes. `source` is the size of the
  // arriving rows, `out` of kept size.
  static std::unique_ptr<BilinearRows> make(PictureSize source, const ScaledPart& part,
                                            Picture out);
  ~BilinearRows() override;
  BilinearRows(const BilinearRows&) = delete;
  BilinearRows& operator=(const BilinearRows&) = delete;

  [[nodiscard]] std::int32_t firstRow() const override { return firstRow_; }
  [[nodiscard]] std::int32_t endRow() const override { return endRow_; }
  void addRow(std::int32_t y, const std::uint32_t* row) override;
  // True when the part is wholly made.
  [[nodiscard]] bool done() const { return nextOut_ == out_.height() && !failed_; }

 private:
  BilinearRows(PictureSize source, const ScaledPart& part, Picture out);
  // The source rows result row `y` reads, with a row to spare on each side
  // for the rounding of pixman's fixed-point coordinates.
  [[nodiscard]] std::int32_t firstNeeded(std::int32_t y) const;
  [[nodiscard]] std::int32_t lastNeeded(std::int32_t y) const;
  void makeReadyRows();

  static constexpr std::int32_t kBandRows = 32;
  PictureSize source_;
  Picture out_;
  double scaleY_ = 1;   // source rows per result row
  double offsetY_ = 0;  // of result row 0 in source rows
  std::int32_t firstRow_ = 0;
  std::int32_t endRow_ = 0;
  std::int32_t nextOut_ = 0;
  bool failed_ = false;
  std::int32_t bandTop_ = 0;  // the source row at the top of the band
  std::int32_t filled_ = 0;   // one past the last source row held
  // pixman's fixed-point transform for the band at row 0, row by row.
  std::array<std::int32_t, 9> transform_{};
  std::unique_ptr<std::uint32_t[]> band_;
  pixman_image* to_ = nullptr;
};

// The kept part of `source` scaled whole to `part.scaled` with whichever of
// the two suits: area averaging where both sides shrink, bilinear where one
// grows.
Picture scaleToPart(const Picture& source, const ScaledPart& part);

}  // namespace tivolen

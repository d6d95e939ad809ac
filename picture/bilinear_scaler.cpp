// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/bilinear_scaler.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "picture/area_scaler.h"
#include "picture/large_buffer.h"

namespace tivolen {
namespace {

struct ImageUnref {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

constexpr std::int32_t kMaxSide = 32767;  // pixman's coordinates are 16.16 fixed point

bool pixmanTakes(PictureSize source, const ScaledPart& part) {
  return source.width > 0 && source.height > 0 && part.kept.width > 0 && part.kept.height > 0 &&
         part.scaled.width > 0 && part.scaled.height > 0 && source.width <= kMaxSide &&
         source.height <= kMaxSide && part.kept.width <= kMaxSide && part.kept.height <= kMaxSide;
}

// Result pixel (x, y) of the kept part samples the source where the centre
// of pixel (keptX + x, keptY + y) of the scaled picture falls.
std::optional<pixman_transform> transformFor(PictureSize source, const ScaledPart& part) {
  const double fx = double(source.width) / part.scaled.width;
  const double fy = double(source.height) / part.scaled.height;
  pixman_f_transform exact{};
  pixman_f_transform_init_identity(&exact);
  exact.m[0][0] = fx;
  exact.m[0][2] = part.keptX * fx;
  exact.m[1][1] = fy;
  exact.m[1][2] = part.keptY * fy;
  pixman_transform transform{};
  if (!pixman_transform_from_pixman_f_transform(&transform, &exact)) return std::nullopt;
  return transform;
}

bool setBilinear(pixman_image_t* from, const pixman_transform& transform) {
  if (!pixman_image_set_transform(from, &transform) ||
      !pixman_image_set_filter(from, PIXMAN_FILTER_BILINEAR, nullptr, 0)) {
    return false;
  }
  // Edge pixels repeat outwards rather than fade to transparent black.
  pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
  return true;
}

PixmanImage wrap(const Picture& picture) {
  // pixman reads the source only; its API takes no const pointer.
  auto* bits = const_cast<std::uint32_t*>(picture.row(0));
  return PixmanImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, picture.width(), picture.height(),
                                              bits, picture.width() * 4));
}

}  // namespace

Picture scaleBilinear(const Picture& source, const ScaledPart& part) {
  if (source.empty() || !pixmanTakes(source.size(), part)) return {};
  Picture out(part.kept.width, part.kept.height,
              allocateLargeToFill<std::uint32_t>(static_cast<std::size_t>(part.kept.width) *
                                                 static_cast<std::size_t>(part.kept.height)));
  const PixmanImage from = wrap(source);
  const PixmanImage to = wrap(out);
  const std::optional<pixman_transform> transform = transformFor(source.size(), part);
  if (!from || !to || !transform || !setBilinear(from.get(), *transform)) return {};
  // Every source pixel has alpha 0xff, so every result pixel has too.
  pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0,
                           part.kept.width, part.kept.height);
  return out;
}

std::unique_ptr<BilinearRows> BilinearRows::make(PictureSize source, const ScaledPart& part,
                                                 Picture out) {
  if (!pixmanTakes(source, part) || out.size() != part.kept) return nullptr;
  std::unique_ptr<BilinearRows> rows(new BilinearRows(source, part, std::move(out)));
  const std::optional<pixman_transform> transform = transformFor(source, part);
  if (!transform || rows->to_ == nullptr) return nullptr;
  std::memcpy(rows->transform_.data(), transform->matrix, sizeof transform->matrix);
  return rows;
}

BilinearRows::BilinearRows(PictureSize source, const ScaledPart& part, Picture out)
    : source_(source),
      out_(std::move(out)),
      scaleY_(double(source.height) / part.scaled.height),
      offsetY_(part.keptY * scaleY_),
      band_(std::make_unique_for_overwrite<std::uint32_t[]>(static_cast<std::size_t>(source.width) *
                                                            kBandRows)),
      to_(pixman_image_create_bits(PIXMAN_a8r8g8b8, out_.width(), out_.height(), out_.row(0),
                                   out_.width() * 4)) {
  firstRow_ = firstNeeded(0);
  endRow_ = lastNeeded(out_.height() - 1) + 1;
  bandTop_ = filled_ = firstRow_;
}

BilinearRows::~BilinearRows() {
  if (to_ != nullptr) pixman_image_unref(to_);
}

std::int32_t BilinearRows::firstNeeded(std::int32_t y) const {
  const double centre = offsetY_ + (y + 0.5) * scaleY_ - 0.5;
  return std::clamp(static_cast<std::int32_t>(std::floor(centre)) - 1, 0, source_.height - 1);
}

std::int32_t BilinearRows::lastNeeded(std::int32_t y) const {
  const double centre = offsetY_ + (y + 0.5) * scaleY_ - 0.5;
  return std::clamp(static_cast<std::int32_t>(std::floor(centre)) + 2, 0, source_.height - 1);
}

void BilinearRows::addRow(std::int32_t y, const std::uint32_t* row) {
  if (y != filled_ || y >= endRow_ || nextOut_ == out_.height()) return;
  const auto width = static_cast<std::size_t>(source_.width);
  std::memcpy(band_.get() + static_cast<std::size_t>(filled_ - bandTop_) * width, row, width * 4);
  ++filled_;
  if (filled_ < endRow_ && filled_ - bandTop_ < kBandRows) return;
  makeReadyRows();
  if (done()) return;
  // The rows the next result row still reads move to the top of the band.
  const std::int32_t keep = std::clamp(firstNeeded(nextOut_), bandTop_, filled_);
  std::memmove(band_.get(), band_.get() + static_cast<std::size_t>(keep - bandTop_) * width,
               static_cast<std::size_t>(filled_ - keep) * width * 4);
  bandTop_ = keep;
}

void BilinearRows::makeReadyRows() {
  std::int32_t end = nextOut_;
  while (end < out_.height() && lastNeeded(end) < filled_) ++end;
  if (end == nextOut_) return;
  // The band is the source moved up by bandTop_ rows: the same transform
  // less that many whole rows, exact in fixed point, so every result pixel
  // is the one the picture held whole would give.
  // The band ends at the last row held, so that at the picture's last row
  // the edge repeats as it does for the whole picture; elsewhere the rows
  // read lie inside the band.
  pixman_transform transform{};
  std::memcpy(transform.matrix, transform_.data(), sizeof transform.matrix);
  transform.matrix[1][2] -= pixman_int_to_fixed(bandTop_);
  const PixmanImage from(pixman_image_create_bits(
      PIXMAN_a8r8g8b8, source_.width, filled_ - bandTop_, band_.get(), source_.width * 4));
  if (from && setBilinear(from.get(), transform)) {
    pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to_, 0, nextOut_, 0, 0, 0,
                             nextOut_, out_.width(), end - nextOut_);
  } else {
    failed_ = true;
  }
  nextOut_ = end;
}

Picture scaleToPart(const Picture& source, const ScaledPart& part) {
  if (part.scaled.width > source.width() || part.scaled.height > source.height()) {
    return scaleBilinear(source, part);
  }
  Picture out(part.kept.width, part.kept.height,
              allocateLargeToFill<std::uint32_t>(static_cast<std::size_t>(part.kept.width) *
                                                 static_cast<std::size_t>(part.kept.height)));
  AreaScaler scaler(source.size(), 1, part, out.alias());
  for (std::int32_t y = scaler.firstRow(); y < scaler.endRow(); ++y) {
    scaler.addRow(y, source.row(y));
  }
  return out;
}

}  // namespace tivolen

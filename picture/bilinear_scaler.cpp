// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/bilinear_scaler.h"

#include <pixman.h>

#include <memory>

#include "picture/area_scaler.h"
#include "picture/large_buffer.h"

namespace tivolen {
namespace {

struct ImageUnref {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

PixmanImage wrap(const Picture& picture) {
  // pixman reads the source only; its API takes no const pointer.
  auto* bits = const_cast<std::uint32_t*>(picture.row(0));
  return PixmanImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, picture.width(), picture.height(),
                                              bits, picture.width() * 4));
}

}  // namespace

Picture scaleBilinear(const Picture& source, const ScaledPart& part) {
  // pixman's coordinates are 16.16 fixed point.
  constexpr std::int32_t kMaxSide = 32767;
  if (source.empty() || part.kept.width <= 0 || part.kept.height <= 0 || part.scaled.width <= 0 ||
      part.scaled.height <= 0 || source.width() > kMaxSide || source.height() > kMaxSide ||
      part.kept.width > kMaxSide || part.kept.height > kMaxSide) {
    return {};
  }
  Picture out(part.kept.width, part.kept.height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(part.kept.width) *
                                           static_cast<std::size_t>(part.kept.height)));
  const PixmanImage from = wrap(source);
  const PixmanImage to = wrap(out);
  if (!from || !to) return {};
  // Result pixel (x, y) of the kept part samples the source where the
  // centre of pixel (keptX + x, keptY + y) of the scaled picture falls.
  // Every source pixel has alpha 0xff, so every result pixel has too.
  const double fx = double(source.width()) / part.scaled.width;
  const double fy = double(source.height()) / part.scaled.height;
  pixman_f_transform exact{};
  pixman_f_transform_init_identity(&exact);
  exact.m[0][0] = fx;
  exact.m[0][2] = part.keptX * fx;
  exact.m[1][1] = fy;
  exact.m[1][2] = part.keptY * fy;
  pixman_transform transform{};
  if (!pixman_transform_from_pixman_f_transform(&transform, &exact) ||
      !pixman_image_set_transform(from.get(), &transform) ||
      !pixman_image_set_filter(from.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0)) {
    return {};
  }
  // Edge pixels repeat outwards rather than fade to transparent black.
  pixman_image_set_repeat(from.get(), PIXMAN_REPEAT_PAD);
  pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0,
                           part.kept.width, part.kept.height);
  return out;
}

Picture scaleToPart(const Picture& source, const ScaledPart& part) {
  if (part.scaled.width > source.width() || part.scaled.height > source.height()) {
    return scaleBilinear(source, part);
  }
  Picture out(part.kept.width, part.kept.height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(part.kept.width) *
                                           static_cast<std::size_t>(part.kept.height)));
  AreaScaler scaler(source.size(), 1, part, out.alias());
  for (std::int32_t y = scaler.firstRow(); y < scaler.endRow(); ++y) {
    scaler.addRow(y, source.row(y));
  }
  return out;
}

}  // namespace tivolen

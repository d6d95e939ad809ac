// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/area_scaler.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivolen {
namespace {

constexpr int kWeightBits = 14;
constexpr std::uint32_t kWeightOne = 1U << kWeightBits;
// Scaled across, a channel keeps 8 bits of fraction: 14 + 8 - 6.
constexpr int kAcrossShift = 6;

}  // namespace

AreaScaler::Taps AreaScaler::taps(std::int32_t natural, int reduction, std::int32_t scaled,
                                  std::int32_t keptStart, std::int32_t kept) {
  // Exact integer arithmetic in units of 1/scaled of a natural pixel: result
  // pixel c covers [c * natural, (c + 1) * natural) of them, arriving pixel
  // s covers [s * reduction, min((s + 1) * reduction, natural)) natural
  // pixels. An odd side halved ends in a half pixel; spreading the result
  // over whole ones instead would shift the far edge by a third of a pixel.
  Taps taps;
  const std::int64_t source = (natural + reduction - 1) / reduction;
  const std::int64_t step = std::int64_t{reduction} * scaled;
  const auto firstOf = [&](std::int64_t low) { return low / step; };
  const auto lastOf = [&](std::int64_t high) { return std::min((high - 1) / step, source - 1); };
  for (std::int32_t i = 0; i < kept; ++i) {
    const std::int64_t c = keptStart + i;
    const std::int64_t span = lastOf((c + 1) * natural) - firstOf(c * natural) + 1;
    taps.count = std::max(taps.count, static_cast<int>(span));
  }
  taps.count = std::min(taps.count, static_cast<int>(source));
  taps.start.resize(static_cast<std::size_t>(kept));
  taps.weights.assign(static_cast<std::size_t>(kept) * static_cast<std::size_t>(taps.count), 0);
  for (std::int32_t i = 0; i < kept; ++i) {
    const std::int64_t c = keptStart + i;
    const std::int64_t low = c * natural;
    const std::int64_t high = (c + 1) * natural;
    const std::int64_t first = firstOf(low);
    const std::int64_t last = lastOf(high);
    // Near the far edge the window starts earlier, so it never reads past
    // the source; the extra pixels weigh nothing.
    const std::int64_t start = std::min<std::int64_t>(first, source - taps.count);
    taps.start[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(start);
    std::uint16_t* weights = &taps.weights[static_cast<std::size_t>(i) * taps.count];
    std::uint32_t total = 0;
    int heaviest = 0;
    for (std::int64_t s = first; s <= last; ++s) {
      const std::int64_t end = std::min<std::int64_t>((s + 1) * reduction, natural) * scaled;
      const std::int64_t overlap = std::min(high, end) - std::max(low, s * step);
      const auto weight =
          static_cast<std::uint16_t>((overlap * kWeightOne + natural / 2) / natural);
      const auto at = static_cast<int>(s - start);
      weights[at] = weight;
      total += weight;
      if (weight > weights[heaviest]) heaviest = at;
    }
    // Rounding may leave the sum a little off one: the largest share takes
    // the difference, so flat colour stays exactly flat.
    weights[heaviest] = static_cast<std::uint16_t>(weights[heaviest] + kWeightOne - total);
  }
  return taps;
}

AreaScaler::AreaScaler(PictureSize natural, int reduction, const ScaledPart& part, Picture out)
    : out_(std::move(out)),
      columns_(taps(natural.width, reduction, part.scaled.width, part.keptX, part.kept.width)),
      rows_(taps(natural.height, reduction, part.scaled.height, part.keptY, part.kept.height)) {
  if (part.kept.height > 0) {
    firstRow_ = rows_.start.front();
    endRow_ = rows_.start.back() + rows_.count;
  }
  const std::size_t across = static_cast<std::size_t>(part.kept.width) * 3;
  ring_.resize(across * static_cast<std::size_t>(rows_.count));
  sums_.resize(across);
}

template <int Count>
void AreaScaler::scaleRow(const std::uint32_t* in, std::uint16_t* out) const {
  const int count = Count > 0 ? Count : columns_.count;
  const std::uint16_t* weights = columns_.weights.data();
  const std::size_t width = columns_.start.size();
#if defined(__SSE2__)
  // Two source pixels at a time: their channels side by side as 16-bit
  // pairs, multiplied by the pair of weights and summed in one step. The
  // same integer sums as below, so the result is the same to the bit.
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(1 << (kAcrossShift - 1));
  for (std::size_t x = 0; x < width; ++x, weights += count, out += 3) {
    const std::uint32_t* pixels = in + columns_.start[x];
    __m128i sums = zero;
    int t = 0;
    for (; t + 1 < count; t += 2) {
      const __m128i two =
          _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels + t)), zero);
      const __m128i paired = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
      std::int32_t weightPair = 0;
      std::memcpy(&weightPair, weights + t, sizeof weightPair);
      sums = _mm_add_epi32(sums, _mm_madd_epi16(paired, _mm_set1_epi32(weightPair)));
    }
    if (t < count) {
      const __m128i one = _mm_unpacklo_epi16(
          _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixels[t])), zero), zero);
      sums = _mm_add_epi32(sums, _mm_madd_epi16(one, _mm_set1_epi32(weights[t])));
    }
    sums = _mm_srli_epi32(_mm_add_epi32(sums, half), kAcrossShift);
    out[0] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(sums));
    out[1] = static_cast<std::uint16_t>(_mm_extract_epi16(sums, 2));
    out[2] = static_cast<std::uint16_t>(_mm_extract_epi16(sums, 4));
  }
#else
  for (std::size_t x = 0; x < width; ++x, weights += count, out += 3) {
    const std::uint32_t* pixels = in + columns_.start[x];
    std::uint32_t blue = 0;
    std::uint32_t green = 0;
    std::uint32_t red = 0;
    for (int t = 0; t < count; ++t) {
      const std::uint32_t pixel = pixels[t];
      const std::uint32_t weight = weights[t];
      blue += weight * (pixel & 0xff);
      green += weight * ((pixel >> 8) & 0xff);
      red += weight * ((pixel >> 16) & 0xff);
    }
    constexpr std::uint32_t half = 1U << (kAcrossShift - 1);
    out[0] = static_cast<std::uint16_t>((blue + half) >> kAcrossShift);
    out[1] = static_cast<std::uint16_t>((green + half) >> kAcrossShift);
    out[2] = static_cast<std::uint16_t>((red + half) >> kAcrossShift);
  }
#endif
}

void AreaScaler::addRow(std::int32_t y, const std::uint32_t* row) {
  if (y < firstRow_ || y >= endRow_ || done()) return;
  const std::size_t across = sums_.size();
  std::uint16_t* slot = &ring_[static_cast<std::size_t>(y % rows_.count) * across];
  // The usual reductions after a 1/2^k decode read two or three pixels.
  switch (columns_.count) {
    case 2:
      scaleRow<2>(row, slot);
      break;
    case 3:
      scaleRow<3>(row, slot);
      break;
    default:
      scaleRow<0>(row, slot);
      break;
  }
  while (!done()) {
    const auto out = static_cast<std::size_t>(nextOut_);
    const std::int32_t start = rows_.start[out];
    if (start + rows_.count - 1 > y) return;  // its last row is still to come
    std::fill(sums_.begin(), sums_.end(), 0U);
    const std::uint16_t* weights = &rows_.weights[out * static_cast<std::size_t>(rows_.count)];
    for (int t = 0; t < rows_.count; ++t) {
      const std::uint32_t weight = weights[t];
      if (weight == 0) continue;
      const std::uint16_t* scaled =
          &ring_[static_cast<std::size_t>((start + t) % rows_.count) * across];
      for (std::size_t i = 0; i < across; ++i) sums_[i] += weight * scaled[i];
    }
    constexpr int shift = kWeightBits + 8;
    constexpr std::uint32_t half = 1U << (shift - 1);
    std::uint32_t* target = out_.row(nextOut_);
    for (std::size_t x = 0; x < across / 3; ++x) {
      const std::uint32_t* sum = &sums_[x * 3];
      target[x] = 0xff000000U | ((sum[2] + half) >> shift) << 16 | ((sum[1] + half) >> shift) << 8 |
                  ((sum[0] + half) >> shift);
    }
    ++nextOut_;
  }
}

}  // namespace tivolen

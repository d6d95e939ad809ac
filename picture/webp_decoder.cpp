// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/webp_decoder.h"

#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "picture/bilinear_scaler.h"
#include "picture/container_exif.h"
#include "picture/exif_orientation.h"
#include "picture/large_buffer.h"

namespace tivolen {
namespace {

// One side of what libwebp is asked for: the source pixels it crops and
// the size it scales them to, and where the kept part starts in that.
struct Span {
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::int64_t scaledFirst = 0;
  std::int64_t scaledCount = 0;
};

// The source pixels behind output pixels [keptFirst, keptFirst + keptCount)
// of a side of `natural` pixels scaled to `scaled`. The crop starts and ends
// where a source pixel boundary falls on an output pixel boundary, so that
// the cropped part scales to exactly the pixels the whole picture would
// scale to there, and the part keeps its exact centre; where the sizes share
// no such boundaries the crop is the whole side.
Span spanOf(std::int64_t natural, std::int64_t scaled, std::int64_t keptFirst,
            std::int64_t keptCount) {
  // Even, too: a lossy picture's colour planes have half as many pixels,
  // and a crop from an odd pixel would shift them by half a pixel.
  const std::int64_t step = std::lcm(natural / std::gcd(natural, scaled), std::int64_t{2});
  std::int64_t first = keptFirst * natural / scaled;
  first -= first % step;
  std::int64_t end = ((keptFirst + keptCount) * natural + scaled - 1) / scaled;
  end = std::min(natural, (end + step - 1) / step * step);
  return {first, end - first, first * scaled / natural,
          end * scaled / natural - first * scaled / natural};
}

std::string whyFailed(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "damaged picture: the WebP file is cut short";
    case VP8_STATUS_BITSTREAM_ERROR:
      return "damaged picture: the WebP data is not valid";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "damaged picture: the WebP file uses a feature libwebp does not know";
    case VP8_STATUS_OUT_OF_MEMORY:
      return "out of memory";
    default:
      return "damaged picture: libwebp failed with status " +
             std::to_string(static_cast<int>(status));
  }
}

// Bytes a pixel of the stored picture costs while it is decoded: the
// result, and what libwebp holds for the whole picture besides (a lossless
// picture's own 32-bit pixels; a lossy one's alpha plane, whose lossless
// coding may hold 32 bits a pixel more).
std::int64_t decodingPixelBytes(const WebPBitstreamFeatures& features) {
  if (features.format == 2) return 8;
  return features.has_alpha != 0 ? 9 : 4;
}

// Decodes into `out`, which is as large as the cropped and scaled output.
VP8StatusCode decodeInto(std::string_view bytes, WebPDecoderConfig& config, Picture& out) {
  config.output.colorspace = config.input.has_alpha != 0 ? MODE_bgrA : MODE_BGRA;
  config.output.is_external_memory = 1;
  const std::size_t stride = static_cast<std::size_t>(out.width()) * 4;
  config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(out.row(0));
  config.output.u.RGBA.stride = static_cast<int>(stride);
  config.output.u.RGBA.size = stride * static_cast<std::size_t>(out.height());
  // The loop filter runs on a second thread beside the decoding.
  config.options.use_threads = 1;
  const VP8StatusCode status =
      WebPDecode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  // Premultiplied already where the file says it has alpha: transparent
  // parts are black. A lossless picture that says it has none may still
  // carry alpha values, which Qt ignores as well.
  if (status == VP8_STATUS_OK && (config.input.has_alpha != 0 || config.input.format != 1)) {
    for (std::int32_t y = 0; y < out.height(); ++y) {
      std::uint32_t* row = out.row(y);
      for (std::int32_t x = 0; x < out.width(); ++x) row[x] |= 0xff000000U;
    }
  }
  return status;
}

// `screenSized`: no larger than the screen's part, and written whole by the
// decoding that follows (see allocateLargeToFill).
Picture makePicture(PictureSize size, bool screenSized) {
  const std::size_t count =
      static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
  return {size.width, size.height,
          screenSized ? allocateLargeToFill<std::uint32_t>(count)
                      : allocateLarge<std::uint32_t>(count)};
}

}  // namespace

bool looksLikeWebp(std::string_view bytes) {
  return bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP";
}

WebpResult decodeWebpScaled(std::string_view bytes, const ScalePlan& plan) {
  if (!looksLikeWebp(bytes)) return {false, {}};
  WebPDecoderConfig config;
  if (WebPInitDecoderConfig(&config) == 0)
    return {true, LoadedPicture::failed("libwebp could not start")};
  const VP8StatusCode header = WebPGetFeatures(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                               bytes.size(), &config.input);
  if (header != VP8_STATUS_OK) return {true, LoadedPicture::failed(whyFailed(header))};
  if (config.input.has_animation != 0) return {false, {}};
  const std::int64_t width = config.input.width;
  const std::int64_t height = config.input.height;
  // The general decoder's budget, whatever this path holds, so that no
  // screen size or style decides whether a picture is shown.
  if (std::optional<LoadedPicture> refused =
          refusedAsTooLarge(width, height, static_cast<std::int64_t>(bytes.size()),
                            decodingPixelBytes(config.input))) {
    return {true, std::move(*refused)};
  }
  const int orientation = webpOrientation(bytes);
  const PictureSize stored{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  const PictureSize natural =
      swapsSides(orientation) ? PictureSize{stored.height, stored.width} : stored;
  std::optional<ScaledPart> part = plan ? plan(natural) : std::nullopt;
  // Centred, tiled or already the screen's size: the whole picture as it is.
  part = part ? storedPart(*part, orientation) : ScaledPart{stored, 0, 0, stored};
  if (part->kept.width <= 0 || part->kept.height <= 0 || part->keptX < 0 || part->keptY < 0 ||
      part->keptX + part->kept.width > part->scaled.width ||
      part->keptY + part->kept.height > part->scaled.height) {
    return {false, {}};
  }
  const auto done = [&](Picture picture) -> WebpResult {
    return {true, {Status::ok(), natural, applyOrientation(std::move(picture), orientation)}};
  };

  const bool reduced = part->scaled.width <= width && part->scaled.height <= height;
  if (!reduced) {
    // Enlarged as every other picture is, so that a WebP looks no
    // different from the same picture saved as PNG.
    Picture whole = makePicture(stored, false);
    if (const VP8StatusCode status = decodeInto(bytes, config, whole); status != VP8_STATUS_OK)
      return {true, LoadedPicture::failed(whyFailed(status))};
    Picture scaled = scaleToPart(whole, *part);
    if (scaled.empty()) return {false, {}};
    return done(std::move(scaled));
  }

  Span across = spanOf(width, part->scaled.width, part->keptX, part->kept.width);
  Span down = spanOf(height, part->scaled.height, part->keptY, part->kept.height);
  if (across.scaledCount == across.count && down.scaledCount == down.count) {
    // Unscaled, libwebp smooths a lossy picture's colour planes up to full
    // size from the crop alone, so its edge rows and columns would differ
    // from the same pixels of the whole picture: two more on each side are
    // decoded and left out.
    for (Span* span : {&across, &down}) {
      const std::int64_t side = span == &across ? width : height;
      const std::int64_t first = std::max<std::int64_t>(0, span->first - 2);
      const std::int64_t end = std::min(side, span->first + span->count + 2);
      *span = {first, end - first, first, end - first};
    }
  }
  if (across.count != width || down.count != height) {
    config.options.use_cropping = 1;
    config.options.crop_left = static_cast<int>(across.first);
    config.options.crop_top = static_cast<int>(down.first);
    config.options.crop_width = static_cast<int>(across.count);
    config.options.crop_height = static_cast<int>(down.count);
  }
  if (across.scaledCount != across.count || down.scaledCount != down.count) {
    config.options.use_scaling = 1;
    config.options.scaled_width = static_cast<int>(across.scaledCount);
    config.options.scaled_height = static_cast<int>(down.scaledCount);
  }
  const PictureSize decodedSize{static_cast<std::int32_t>(across.scaledCount),
                                static_cast<std::int32_t>(down.scaledCount)};
  Picture decoded = makePicture(decodedSize, true);
  if (const VP8StatusCode status = decodeInto(bytes, config, decoded); status != VP8_STATUS_OK)
    return {true, LoadedPicture::failed(whyFailed(status))};
  if (decodedSize == part->kept) return done(std::move(decoded));
  // The crop could not fall on the part's own edges: the part is cut out.
  Picture kept = makePicture(part->kept, true);
  const auto left = static_cast<std::int32_t>(part->keptX - across.scaledFirst);
  const auto top = static_cast<std::int32_t>(part->keptY - down.scaledFirst);
  for (std::int32_t y = 0; y < kept.height(); ++y) {
    std::memcpy(kept.row(y), decoded.row(top + y) + left,
                static_cast<std::size_t>(kept.width()) * 4);
  }
  return done(std::move(kept));
}

}  // namespace tivolen

#include "platform/linux/heif_decoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/large_buffer.h"

namespace tivolen {
namespace {

struct ContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFree {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;
using Options = std::unique_ptr<heif_decoding_options, OptionsFree>;
using Nclx = std::unique_ptr<heif_color_profile_nclx, NclxFree>;

LoadedPicture failure(std::string why) {
  return {Status::failed(std::move(why)), {}, {}};
}

int divideUp(int side, int denominator) {
  return (side + denominator - 1) / denominator;
}

// The largest of 1/8, 1/4, 1/2 that still covers the need, as for JPEG.
int reduction(PictureSize natural, const NeededSize& needed) {
  if (!needed) return 1;
  const PictureSize want = needed(natural);
  for (const int candidate : {8, 4, 2}) {
    if (divideUp(natural.width, candidate) >= want.width &&
        divideUp(natural.height, candidate) >= want.height) {
      return candidate;
    }
  }
  return 1;
}

// The span [first, last) of source samples that output sample `out` covers
// at `denominator` source samples per output sample, on a plane of `size`
// samples that has `subsampling` luma samples per sample.
struct Span {
  int first;
  int last;
};
Span span(int out, int denominator, int subsampling, int size) {
  const int first = std::min(out * denominator / subsampling, size - 1);
  const int last = std::clamp((out + 1) * denominator / subsampling, first + 1, size);
  return {first, last};
}

// YCbCr to RGB by the matrix the file names (ITU-T H.273 numbers); libheif
// assumes BT.601 with full range when a file names none.
struct Matrix {
  float crToRed;
  float cbToGreen;
  float crToGreen;
  float cbToBlue;
  float lumaOffset;
  float lumaScale;
  float chromaScale;
};
std::optional<Matrix> matrixFor(const heif_color_profile_nclx* nclx) {
  float kr = 0.299F;
  float kb = 0.114F;
  bool fullRange = true;
  if (nclx != nullptr) {
    fullRange = nclx->full_range_flag != 0;
    switch (nclx->matrix_coefficients) {
      case 1:  // BT.709
        kr = 0.2126F;
        kb = 0.0722F;
        break;
      case 2:  // unspecified
      case 5:  // BT.470 B/G
      case 6:  // BT.601
        break;
      case 9:  // BT.2020, non-constant luminance
        kr = 0.2627F;
        kb = 0.0593F;
        break;
      default:
        return std::nullopt;  // left to libheif's own conversion
    }
  }
  const float kg = 1.0F - kr - kb;
  return Matrix{2.0F * (1.0F - kr),
                -2.0F * kb * (1.0F - kb) / kg,
                -2.0F * kr * (1.0F - kr) / kg,
                2.0F * (1.0F - kb),
                fullRange ? 0.0F : 16.0F,
                fullRange ? 1.0F : 255.0F / 219.0F,
                fullRange ? 1.0F : 255.0F / 224.0F};
}

std::uint32_t clampToByte(float value) {
  return static_cast<std::uint32_t>(std::clamp(value + 0.5F, 0.0F, 255.0F));
}

struct Plane {
  const std::uint8_t* data = nullptr;
  int stride = 0;
  int width = 0;
  int height = 0;
};
std::optional<Plane> planeOf(const heif_image* image, heif_channel channel) {
  Plane plane;
  plane.data = heif_image_get_plane_readonly(image, channel, &plane.stride);
  plane.width = heif_image_get_width(image, channel);
  plane.height = heif_image_get_height(image, channel);
  if (plane.data == nullptr || plane.width <= 0 || plane.height <= 0 ||
      heif_image_get_bits_per_pixel_range(image, channel) != 8) {
    return std::nullopt;
  }
  return plane;
}

// Box averages of each block of `denominator` x `denominator` pixels are
// taken before the conversion: it is linear, so this equals averaging the
// converted colours, at a fraction of the work.
Picture fromYCbCr420(const Plane& luma, const Plane& cb, const Plane& cr, const Matrix& m,
                     int denominator) {
  const int width = divideUp(luma.width, denominator);
  const int height = divideUp(luma.height, denominator);
  Picture out(width, height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(width) * height));
  const int subsampleX = cb.width < luma.width ? 2 : 1;
  const int subsampleY = cb.height < luma.height ? 2 : 1;
  for (int y = 0; y < height; ++y) {
    const Span lumaRows = span(y, denominator, 1, luma.height);
    const Span chromaRows = span(y, denominator, subsampleY, cb.height);
    std::uint32_t* row = out.row(y);
    for (int x = 0; x < width; ++x) {
      const Span lumaColumns = span(x, denominator, 1, luma.width);
      const Span chromaColumns = span(x, denominator, subsampleX, cb.width);
      int lumaSum = 0;
      for (int sy = lumaRows.first; sy < lumaRows.last; ++sy) {
        const std::uint8_t* source = luma.data + static_cast<std::ptrdiff_t>(sy) * luma.stride;
        for (int sx = lumaColumns.first; sx < lumaColumns.last; ++sx) lumaSum += source[sx];
      }
      int cbSum = 0;
      int crSum = 0;
      for (int sy = chromaRows.first; sy < chromaRows.last; ++sy) {
        const std::uint8_t* blue = cb.data + static_cast<std::ptrdiff_t>(sy) * cb.stride;
        const std::uint8_t* red = cr.data + static_cast<std::ptrdiff_t>(sy) * cr.stride;
        for (int sx = chromaColumns.first; sx < chromaColumns.last; ++sx) {
          cbSum += blue[sx];
          crSum += red[sx];
        }
      }
      const int lumaCount =
          (lumaRows.last - lumaRows.first) * (lumaColumns.last - lumaColumns.first);
      const int chromaCount =
          (chromaRows.last - chromaRows.first) * (chromaColumns.last - chromaColumns.first);
      const float yy =
          (static_cast<float>(lumaSum) / static_cast<float>(lumaCount) - m.lumaOffset) *
          m.lumaScale;
      const float u =
          (static_cast<float>(cbSum) / static_cast<float>(chromaCount) - 128.0F) * m.chromaScale;
      const float v =
          (static_cast<float>(crSum) / static_cast<float>(chromaCount) - 128.0F) * m.chromaScale;
      row[x] = 0xff000000U | clampToByte(yy + m.crToRed * v) << 16 |
               clampToByte(yy + m.cbToGreen * u + m.crToGreen * v) << 8 |
               clampToByte(yy + m.cbToBlue * u);
    }
  }
  return out;
}

// Interleaved RGB or RGBA from libheif, reduced by box averages; alpha is
// laid over black.
Picture fromInterleaved(const Plane& plane, int channels, int denominator) {
  const int width = divideUp(plane.width, denominator);
  const int height = divideUp(plane.height, denominator);
  Picture out(width, height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(width) * height));
  for (int y = 0; y < height; ++y) {
    const Span rows = span(y, denominator, 1, plane.height);
    std::uint32_t* row = out.row(y);
    for (int x = 0; x < width; ++x) {
      const Span columns = span(x, denominator, 1, plane.width);
      std::uint32_t sums[3] = {0, 0, 0};
      for (int sy = rows.first; sy < rows.last; ++sy) {
        const std::uint8_t* source = plane.data + static_cast<std::ptrdiff_t>(sy) * plane.stride;
        for (int sx = columns.first; sx < columns.last; ++sx) {
          const std::uint8_t* pixel = source + static_cast<std::ptrdiff_t>(sx) * channels;
          const std::uint32_t alpha = channels == 4 ? pixel[3] : 255;
          for (int c = 0; c < 3; ++c) sums[c] += (pixel[c] * alpha + 127) / 255;
        }
      }
      const auto count =
          static_cast<std::uint32_t>((rows.last - rows.first) * (columns.last - columns.first));
      row[x] = 0xff000000U | (sums[0] + count / 2) / count << 16 |
               (sums[1] + count / 2) / count << 8 | (sums[2] + count / 2) / count;
    }
  }
  return out;
}

std::string reason(const heif_error& error) {
  return error.message != nullptr ? error.message : "unknown error";
}

}  // namespace

bool looksLikeHeif(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(4, 4) != "ftyp") return false;
  return heif_check_filetype(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20))) !=
         heif_filetype_no;
}

LoadedPicture decodeHeif(std::string_view bytes, const NeededSize& needed) {
  const Context context(heif_context_alloc());
  if (!context) return failure("libheif could not start");
  heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                bytes.size(), nullptr);
  if (error.code != heif_error_Ok) return failure("damaged HEIF picture: " + reason(error));
  heif_image_handle* rawHandle = nullptr;
  error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
  const Handle handle(rawHandle);
  if (error.code != heif_error_Ok) return failure("damaged HEIF picture: " + reason(error));

  // The size with rotation and cropping applied, before anything is decoded.
  const PictureSize natural{heif_image_handle_get_width(handle.get()),
                            heif_image_handle_get_height(handle.get())};
  if (natural.width <= 0 || natural.height <= 0 ||
      std::int64_t{natural.width} * natural.height > kMaxPicturePixels) {
    return failure("picture too large: " + std::to_string(natural.width) + " x " +
                   std::to_string(natural.height));
  }
  const int denominator = reduction(natural, needed);

  const Options options(heif_decoding_options_alloc());
  options->convert_hdr_to_8bit = 1;
  // A file whose structure is damaged (a tile or plane missing or of the
  // wrong size) is refused rather than shown in part. Damage inside the
  // coded picture data is concealed by the HEVC decoder and cannot be told.
  options->strict_decoding = 1;
  Nclx nclx;
  {
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle.get(), &raw).code == heif_error_Ok) {
      nclx.reset(raw);
    }
  }
  const std::optional<Matrix> matrix = matrixFor(nclx.get());
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;

  // Opaque 8-bit pictures are taken in their 4:2:0 planes, 1.5 bytes a
  // pixel rather than 3 or 4 for interleaved RGB, and only the reduced
  // result is ever RGB.
  if (!alpha && matrix) {
    heif_image* raw = nullptr;
    error = heif_decode_image(handle.get(), &raw, heif_colorspace_YCbCr, heif_chroma_420,
                              options.get());
    const Image image(raw);
    if (error.code != heif_error_Ok) return failure("damaged HEIF picture: " + reason(error));
    const auto luma = planeOf(image.get(), heif_channel_Y);
    const auto cb = planeOf(image.get(), heif_channel_Cb);
    const auto cr = planeOf(image.get(), heif_channel_Cr);
    if (luma && cb && cr) {
      return {Status::ok(), natural, fromYCbCr420(*luma, *cb, *cr, *matrix, denominator)};
    }
  }
  heif_image* raw = nullptr;
  error = heif_decode_image(handle.get(), &raw, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get());
  const Image image(raw);
  if (error.code != heif_error_Ok) return failure("damaged HEIF picture: " + reason(error));
  auto plane = planeOf(image.get(), heif_channel_interleaved);
  if (!plane) return failure("HEIF picture in an unexpected pixel layout");
  return {Status::ok(), natural, fromInterleaved(*plane, alpha ? 4 : 3, denominator)};
}

}  // namespace tivolen

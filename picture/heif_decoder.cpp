// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/heif_decoder.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/heif_boxes.h"
#include "picture/heif_grid_decoder.h"
#include "picture/large_buffer.h"
#include "picture/ycbcr_reduction.h"
#include "platform/linux/heif_libraries.h"

namespace tivolen {
namespace {

struct ContextFree {
  const Libheif* heif;
  void operator()(heif_context* context) const { heif->heif_context_free(context); }
};
struct HandleRelease {
  const Libheif* heif;
  void operator()(heif_image_handle* handle) const { heif->heif_image_handle_release(handle); }
};
struct ImageRelease {
  const Libheif* heif;
  void operator()(heif_image* image) const { heif->heif_image_release(image); }
};
struct OptionsFree {
  const Libheif* heif;
  void operator()(heif_decoding_options* options) const {
    heif->heif_decoding_options_free(options);
  }
};
struct NclxFree {
  const Libheif* heif;
  void operator()(heif_color_profile_nclx* nclx) const { heif->heif_nclx_color_profile_free(nclx); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;
using Options = std::unique_ptr<heif_decoding_options, OptionsFree>;
using Nclx = std::unique_ptr<heif_color_profile_nclx, NclxFree>;

// The matrix the file names; libheif assumes BT.601 with full range when a
// file names none.
std::optional<ColourMatrix> matrixFor(const heif_color_profile_nclx* nclx) {
  if (nclx == nullptr) return colourMatrix(6, true);
  return colourMatrix(nclx->matrix_coefficients, nclx->full_range_flag != 0);
}

std::optional<Plane> planeOf(const Libheif& heif, const heif_image* image, heif_channel channel) {
  Plane plane;
  plane.data = heif.heif_image_get_plane_readonly(image, channel, &plane.stride);
  plane.width = heif.heif_image_get_width(image, channel);
  plane.height = heif.heif_image_get_height(image, channel);
  if (plane.data == nullptr || plane.width <= 0 || plane.height <= 0 ||
      heif.heif_image_get_bits_per_pixel_range(image, channel) != 8) {
    return std::nullopt;
  }
  return plane;
}

Picture fromYCbCr420(const Plane& luma, const Plane& cb, const Plane& cr, const ColourMatrix& m,
                     int denominator) {
  const int width = divideUp(luma.width, denominator);
  const int height = divideUp(luma.height, denominator);
  Picture out(width, height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(width) * height));
  const YCbCrPlanes planes{luma, cb, cr, cb.width < luma.width ? 2 : 1,
                           cb.height < luma.height ? 2 : 1};
  reduceYCbCr(planes, m, denominator, {0, width, 0, height}, {out.row(0), 1, width});
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

// libheif 1.15 returns what the stream decodes to, whatever size the file
// states.
LoadedPicture wrongSize(const Plane& plane, PictureSize natural) {
  return LoadedPicture::failed("damaged HEIF picture: it decodes to " +
                               std::to_string(plane.width) + " x " + std::to_string(plane.height) +
                               " where the file says " + std::to_string(natural.width) + " x " +
                               std::to_string(natural.height));
}

std::string reason(const heif_error& error) {
  return error.message != nullptr ? error.message : "unknown error";
}

}  // namespace

bool looksLikeHeif(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(4, 4) != "ftyp") return false;
  const Libheif heif;
  // Without libheif the file goes on to its decoder, which says so.
  if (!heif.loaded()) return true;
  return heif.heif_check_filetype(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20))) !=
         heif_filetype_no;
}

LoadedPicture decodeHeif(std::string_view bytes, const NeededSize& needed, bool tilesTried) {
  // libheif 1.15 decodes a grid whole at full size before anything can be
  // reduced, several times the memory of the reduced result.
  if (!tilesTried) {
    if (auto grid = decodeHeifGrid(bytes, needed)) return std::move(*grid);
  }
  // libheif 1.15 hands the coded stream to its decoder, which allocates
  // the size the stream claims, before it compares anything with the boxes;
  // and it limits each side, not the area. The boxes and streams it would
  // decode are checked here first, with the same reading of the boxes.
  const auto structure = readHeifStructure(bytes);
  if (!structure) return LoadedPicture::failed("damaged HEIF picture: its boxes cannot be read");
  if (auto problem = heifSizeProblem(*structure, HeifFile(bytes), kMaxPicturePixels, true)) {
    return LoadedPicture::failed("damaged HEIF picture: " + *problem);
  }
  const Libheif heif;
  if (!heif.loaded()) return LoadedPicture::failed("libheif could not be loaded: " + heif.error());
  const Context context(heif.heif_context_alloc(), ContextFree{&heif});
  if (!context) return LoadedPicture::failed("libheif could not start");
  // The widest picture within the pixel limit that is still 2048 pixels
  // high; libheif's own default (32768) is the same today.
  heif.heif_context_set_maximum_image_size_limit(context.get(),
                                                 static_cast<int>(kMaxPicturePixels / 2048));
  heif_error error = heif.heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                     bytes.size(), nullptr);
  if (error.code != heif_error_Ok)
    return LoadedPicture::failed("damaged HEIF picture: " + reason(error));
  heif_image_handle* rawHandle = nullptr;
  error = heif.heif_context_get_primary_image_handle(context.get(), &rawHandle);
  const Handle handle(rawHandle, HandleRelease{&heif});
  if (error.code != heif_error_Ok)
    return LoadedPicture::failed("damaged HEIF picture: " + reason(error));

  // The size with rotation and cropping applied, before anything is decoded.
  const PictureSize natural{heif.heif_image_handle_get_width(handle.get()),
                            heif.heif_image_handle_get_height(handle.get())};
  if (natural.width <= 0 || natural.height <= 0 ||
      std::int64_t{natural.width} * natural.height > kMaxPicturePixels) {
    return LoadedPicture::failed("picture too large: " + std::to_string(natural.width) + " x " +
                                 std::to_string(natural.height));
  }
  const int denominator = reduction(natural, needed);

  const Options options(heif.heif_decoding_options_alloc(), OptionsFree{&heif});
  options->convert_hdr_to_8bit = 1;
  // A file whose structure is damaged (a tile or plane missing or of the
  // wrong size) is refused rather than shown in part. Damage inside the
  // coded picture data is concealed by the HEVC decoder and cannot be told.
  options->strict_decoding = 1;
  Nclx nclx(nullptr, NclxFree{&heif});
  {
    heif_color_profile_nclx* raw = nullptr;
    if (heif.heif_image_handle_get_nclx_color_profile(handle.get(), &raw).code == heif_error_Ok) {
      nclx.reset(raw);
    }
  }
  const std::optional<ColourMatrix> matrix = matrixFor(nclx.get());
  const bool alpha = heif.heif_image_handle_has_alpha_channel(handle.get()) != 0;

  // Opaque 8-bit pictures are taken in their 4:2:0 planes, 1.5 bytes a
  // pixel rather than 3 or 4 for interleaved RGB, and only the reduced
  // result is ever RGB.
  if (!alpha && matrix) {
    heif_image* raw = nullptr;
    error = heif.heif_decode_image(handle.get(), &raw, heif_colorspace_YCbCr, heif_chroma_420,
                                   options.get());
    const Image image(raw, ImageRelease{&heif});
    if (error.code != heif_error_Ok)
      return LoadedPicture::failed("damaged HEIF picture: " + reason(error));
    const auto luma = planeOf(heif, image.get(), heif_channel_Y);
    const auto cb = planeOf(heif, image.get(), heif_channel_Cb);
    const auto cr = planeOf(heif, image.get(), heif_channel_Cr);
    if (luma && (luma->width != natural.width || luma->height != natural.height)) {
      return wrongSize(*luma, natural);
    }
    if (luma && cb && cr) {
      return {Status::ok(), natural, fromYCbCr420(*luma, *cb, *cr, *matrix, denominator)};
    }
  }
  heif_image* raw = nullptr;
  error = heif.heif_decode_image(handle.get(), &raw, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 options.get());
  const Image image(raw, ImageRelease{&heif});
  if (error.code != heif_error_Ok)
    return LoadedPicture::failed("damaged HEIF picture: " + reason(error));
  auto plane = planeOf(heif, image.get(), heif_channel_interleaved);
  if (!plane) return LoadedPicture::failed("HEIF picture in an unexpected pixel layout");
  if (plane->width != natural.width || plane->height != natural.height) {
    return wrongSize(*plane, natural);
  }
  return {Status::ok(), natural, fromInterleaved(*plane, alpha ? 4 : 3, denominator)};
}

}  // namespace tivolen

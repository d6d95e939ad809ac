// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <libde265/de265.h>
#include <libheif/heif.h>

#include "platform/linux/opened_library.h"

namespace tivolen {

// libheif and libde265 are opened when a HEIF picture is met, not at every
// start: with the codecs libheif brings (x265, dav1d, aom, OpenMP) they are
// a tenth of the libraries the changer would otherwise load before it does
// anything, and nearly every wallpaper is a JPEG or a PNG. Each object opens
// its library anew; the loader keeps it loaded (never unloaded, as codec
// threads may outlive a decode), so a second picture costs a lookup only.

// The functions called, each with the library's own name and type.
#define TIVOLEN_LIBHEIF_FUNCTIONS(F)            \
  F(heif_check_filetype)                        \
  F(heif_context_alloc)                         \
  F(heif_context_free)                          \
  F(heif_context_get_primary_image_handle)      \
  F(heif_context_read_from_memory_without_copy) \
  F(heif_context_set_maximum_image_size_limit)  \
  F(heif_decode_image)                          \
  F(heif_decoding_options_alloc)                \
  F(heif_decoding_options_free)                 \
  F(heif_image_get_bits_per_pixel_range)        \
  F(heif_image_get_height)                      \
  F(heif_image_get_plane_readonly)              \
  F(heif_image_get_width)                       \
  F(heif_image_handle_get_height)               \
  F(heif_image_handle_get_nclx_color_profile)   \
  F(heif_image_handle_get_width)                \
  F(heif_image_handle_has_alpha_channel)        \
  F(heif_image_handle_release)                  \
  F(heif_image_release)                         \
  F(heif_nclx_color_profile_free)

#define TIVOLEN_LIBDE265_FUNCTIONS(F) \
  F(de265_decode)                     \
  F(de265_flush_data)                 \
  F(de265_free_decoder)               \
  F(de265_get_bits_per_pixel)         \
  F(de265_get_chroma_format)          \
  F(de265_get_image_height)           \
  F(de265_get_image_plane)            \
  F(de265_get_image_width)            \
  F(de265_new_decoder)                \
  F(de265_peek_next_picture)          \
  F(de265_push_NAL)                   \
  F(de265_release_next_picture)       \
  F(de265_reset)                      \
  F(de265_set_parameter_bool)

class Libheif : public OpenedLibrary {
 public:
  Libheif();

  TIVOLEN_LIBHEIF_FUNCTIONS(TIVOLEN_DECLARE_FUNCTION)
};

class Libde265 : public OpenedLibrary {
 public:
  Libde265();

  TIVOLEN_LIBDE265_FUNCTIONS(TIVOLEN_DECLARE_FUNCTION)
};

}  // namespace tivolen

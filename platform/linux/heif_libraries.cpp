// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/heif_libraries.h"

namespace tivolen {

// The names the libraries were built against carry these major versions.
static_assert(LIBHEIF_NUMERIC_VERSION >> 24 == 1, "libheif's file name below is libheif.so.1");
static_assert(LIBDE265_NUMERIC_VERSION >> 24 == 1, "libde265's file name below is libde265.so.0");

Libheif::Libheif() {
  open("libheif.so.1", TIVOLEN_FIND_ALL(TIVOLEN_LIBHEIF_FUNCTIONS));
}

Libde265::Libde265() {
  open("libde265.so.0", TIVOLEN_FIND_ALL(TIVOLEN_LIBDE265_FUNCTIONS));
}

}  // namespace tivolen

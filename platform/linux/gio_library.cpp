// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gio_library.h"

namespace tivolen {

static_assert(GLIB_MAJOR_VERSION == 2, "GIO's file name below is libgio-2.0.so.0");

// GLib's and GObject's functions come along as GIO's own dependencies.
Libgio::Libgio() {
  open("libgio-2.0.so.0", TIVOLEN_FIND_ALL(TIVOLEN_GIO_FUNCTIONS));
}

}  // namespace tivolen

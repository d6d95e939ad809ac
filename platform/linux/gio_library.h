// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The default settings backend's type tells whether the session bus is needed.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <memory>

#include "platform/linux/opened_library.h"

namespace tivolen {

// GIO, with GLib and GObject under it, is opened when a desktop kept in
// GSettings is set or a document is opened, not at every start: on any
// other desktop it is nine libraries and GLib's own start-up loaded for
// nothing, 1.3 ms of a log-on run that takes 30 to 40 on a small wallpaper.

// The functions called, each with the library's own name and type.
#define TIVOLEN_GIO_FUNCTIONS(F)          \
  F(g_app_info_launch_default_for_uri)    \
  F(g_bus_get_sync)                       \
  F(g_error_free)                         \
  F(g_filename_to_uri)                    \
  F(g_free)                               \
  F(g_object_unref)                       \
  F(g_settings_apply)                     \
  F(g_settings_backend_get_default)       \
  F(g_settings_delay)                     \
  F(g_settings_new_full)                  \
  F(g_settings_revert)                    \
  F(g_settings_schema_has_key)            \
  F(g_settings_schema_source_get_default) \
  F(g_settings_schema_source_lookup)      \
  F(g_settings_schema_unref)              \
  F(g_settings_set_string)                \
  F(g_settings_sync)                      \
  F(g_type_name)

class Libgio : public OpenedLibrary {
 public:
  Libgio();

  TIVOLEN_GIO_FUNCTIONS(TIVOLEN_DECLARE_FUNCTION)
};

// What GIO handed out, given back through the function it names.
template <typename T, typename Freed = T>
struct GioRelease {
  void (*release)(Freed*);
  void operator()(T* object) const { release(object); }
};
template <typename T, typename Freed = T>
using GioOwned = std::unique_ptr<T, GioRelease<T, Freed>>;

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gsettings_desktop.h"

// The default backend's type tells whether the session bus is needed.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <unistd.h>

#include <memory>
#include <string_view>

#include "platform/linux/fresh_copy.h"

namespace tivolen {
namespace {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct SchemaUnref {
  void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

struct FamilyKeys {
  const char* schema;
  const char* pictureKey;  // a file:// URI, or a plain path for MATE
  bool pictureIsUri;
};

FamilyKeys keysOf(GSettingsFamily family) {
  switch (family) {
    case GSettingsFamily::Cinnamon:
      return {"org.cinnamon.desktop.background", "picture-uri", true};
    case GSettingsFamily::Mate:
      return {"org.mate.background", "picture-filename", false};
    case GSettingsFamily::Gnome:
      break;
  }
  return {"org.gnome.desktop.background", "picture-uri", true};
}

// The values all three schemas share for picture-options.
const char* pictureOption(WallpaperLayout layout) {
  switch (layout) {
    case WallpaperLayout::Tiled:
      return "wallpaper";
    case WallpaperLayout::Stretched:
      return "stretched";
    case WallpaperLayout::Zoom:
      return "zoom";
    case WallpaperLayout::Centred:
      break;
  }
  return "centered";
}

// dconf, the usual store, is reached over the session bus; without one its
// writes vanish silently. Without dconf installed GLib falls back to a store
// in memory that dies with the program. Both would report success for a
// change that never happens, so find out before changing anything.
Status checkStoreReachable() {
  const std::unique_ptr<GSettingsBackend, GObjectUnref> backend(g_settings_backend_get_default());
  const std::string_view type = G_OBJECT_TYPE_NAME(backend.get());
  if (type == "GMemorySettingsBackend" || type == "GNullSettingsBackend") {
    return Status::unavailable("no settings store for the desktop (dconf not installed)");
  }
  if (type != "DConfSettingsBackend") return Status::ok();
  GError* raw = nullptr;
  std::unique_ptr<GDBusConnection, GObjectUnref> bus(
      g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
  std::unique_ptr<GError, GErrorFree> error(raw);
  if (!bus) {
    return Status::unavailable(std::string("no session bus for the desktop settings: ") +
                               (error ? error->message : "unknown reason"));
  }
  return Status::ok();
}

}  // namespace

GSettingsDesktop::GSettingsDesktop(GSettingsFamily family, std::string applicationDirectory)
    : family_(family), applicationDirectory_(std::move(applicationDirectory)) {}

void GSettingsDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status GSettingsDesktop::setWallpaper(const std::string& path) {
  const FamilyKeys keys = keysOf(family_);
  // g_settings_new aborts the program on a schema that is not installed.
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();  // not owned
  std::unique_ptr<GSettingsSchema, SchemaUnref> schema(
      source == nullptr ? nullptr : g_settings_schema_source_lookup(source, keys.schema, TRUE));
  if (!schema)
    return Status::unavailable(std::string("settings schema not installed: ") + keys.schema);
  if (!g_settings_schema_has_key(schema.get(), keys.pictureKey) ||
      !g_settings_schema_has_key(schema.get(), "picture-options")) {
    return Status::unavailable(std::string("settings schema without wallpaper keys: ") +
                               keys.schema);
  }
  if (Status store = checkStoreReachable(); !store.isOk()) return store;

  // The desktop reloads only when the name changes.
  FreshCopy copy = makeFreshWallpaperCopy(path, applicationDirectory_);
  if (!copy.status.isOk()) return copy.status;

  std::string value = copy.path;
  if (keys.pictureIsUri) {
    GError* raw = nullptr;
    std::unique_ptr<gchar, GFree> uri(g_filename_to_uri(copy.path.c_str(), nullptr, &raw));
    std::unique_ptr<GError, GErrorFree> error(raw);
    if (!uri) {
      unlink(copy.path.c_str());
      return Status::failed(copy.path + ": " + (error ? error->message : "no URI"));
    }
    value = uri.get();
  }

  std::unique_ptr<GSettings, GObjectUnref> settings(
      g_settings_new_full(schema.get(), nullptr, nullptr));
  // One delayed apply: the desktop sees layout and picture change together.
  g_settings_delay(settings.get());
  bool written = g_settings_set_string(settings.get(), "picture-options", pictureOption(layout_));
  written = g_settings_set_string(settings.get(), keys.pictureKey, value.c_str()) && written;
  if (keys.pictureIsUri && g_settings_schema_has_key(schema.get(), "picture-uri-dark")) {
    written = g_settings_set_string(settings.get(), "picture-uri-dark", value.c_str()) && written;
  }
  if (!written) {
    g_settings_revert(settings.get());
    unlink(copy.path.c_str());
    return Status::failed(std::string("the desktop settings refused the wallpaper: ") +
                          keys.schema);
  }
  g_settings_apply(settings.get());
  // The program ends right after this; unsynced writes would be lost.
  g_settings_sync();
  removeOtherWallpaperCopies(applicationDirectory_, copy.path);
  return Status::ok();
}

}  // namespace tivolen

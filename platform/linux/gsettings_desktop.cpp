// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gsettings_desktop.h"

#include <unistd.h>

#include <memory>
#include <string_view>

#include "platform/linux/fresh_copy.h"
#include "platform/linux/gio_library.h"

namespace tivolen {
namespace {

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
Status checkStoreReachable(const Libgio& gio) {
  const GioOwned<GSettingsBackend, void> backend(gio.g_settings_backend_get_default(),
                                                 {gio.g_object_unref});
  const std::string_view type = gio.g_type_name(G_TYPE_FROM_INSTANCE(backend.get()));
  if (type == "GMemorySettingsBackend" || type == "GNullSettingsBackend") {
    return Status::unavailable("no settings store for the desktop (dconf not installed)");
  }
  if (type != "DConfSettingsBackend") return Status::ok();
  GError* raw = nullptr;
  const GioOwned<GDBusConnection, void> bus(gio.g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw),
                                            {gio.g_object_unref});
  const GioOwned<GError> error(raw, {gio.g_error_free});
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
  const Libgio gio;
  if (!gio.loaded()) return Status::unavailable("no GIO for the desktop settings: " + gio.error());
  const FamilyKeys keys = keysOf(family_);
  // g_settings_new aborts the program on a schema that is not installed.
  GSettingsSchemaSource* source = gio.g_settings_schema_source_get_default();  // not owned
  const GioOwned<GSettingsSchema> schema(
      source == nullptr ? nullptr : gio.g_settings_schema_source_lookup(source, keys.schema, TRUE),
      {gio.g_settings_schema_unref});
  if (!schema)
    return Status::unavailable(std::string("settings schema not installed: ") + keys.schema);
  if (!gio.g_settings_schema_has_key(schema.get(), keys.pictureKey) ||
      !gio.g_settings_schema_has_key(schema.get(), "picture-options")) {
    return Status::unavailable(std::string("settings schema without wallpaper keys: ") +
                               keys.schema);
  }
  if (Status store = checkStoreReachable(gio); !store.isOk()) return store;

  // The desktop reloads only when the name changes.
  FreshCopy copy = makeFreshWallpaperCopy(path, applicationDirectory_);
  if (!copy.status.isOk()) return copy.status;

  std::string value = copy.path;
  if (keys.pictureIsUri) {
    GError* raw = nullptr;
    const GioOwned<gchar, void> uri(gio.g_filename_to_uri(copy.path.c_str(), nullptr, &raw),
                                    {gio.g_free});
    const GioOwned<GError> error(raw, {gio.g_error_free});
    if (!uri) {
      unlink(copy.path.c_str());
      return Status::failed(copy.path + ": " + (error ? error->message : "no URI"));
    }
    value = uri.get();
  }

  const GioOwned<GSettings, void> settings(gio.g_settings_new_full(schema.get(), nullptr, nullptr),
                                           {gio.g_object_unref});
  // One delayed apply: the desktop sees layout and picture change together.
  gio.g_settings_delay(settings.get());
  bool written =
      gio.g_settings_set_string(settings.get(), "picture-options", pictureOption(layout_));
  written = gio.g_settings_set_string(settings.get(), keys.pictureKey, value.c_str()) && written;
  if (keys.pictureIsUri && gio.g_settings_schema_has_key(schema.get(), "picture-uri-dark")) {
    written =
        gio.g_settings_set_string(settings.get(), "picture-uri-dark", value.c_str()) && written;
  }
  if (!written) {
    gio.g_settings_revert(settings.get());
    unlink(copy.path.c_str());
    return Status::failed(std::string("the desktop settings refused the wallpaper: ") +
                          keys.schema);
  }
  gio.g_settings_apply(settings.get());
  // The program ends right after this; unsynced writes would be lost.
  gio.g_settings_sync();
  removeOtherWallpaperCopies(applicationDirectory_, copy.path);
  return Status::ok();
}

}  // namespace tivolen

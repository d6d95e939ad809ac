// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gio_documents.h"

#include "platform/linux/gio_library.h"

namespace tivolen {

Status GioDocuments::open(const std::string& path) {
  const Libgio gio;
  if (!gio.loaded()) return Status::unavailable("no GIO to open documents: " + gio.error());
  // A URI, not a command line: the name is never split or interpreted.
  const GioOwned<char, void> uri(gio.g_filename_to_uri(path.c_str(), nullptr, nullptr),
                                 {gio.g_free});
  if (!uri) return Status::failedAt(path, "not an absolute file name");
  GError* raw = nullptr;
  if (gio.g_app_info_launch_default_for_uri(uri.get(), nullptr, &raw) != FALSE) {
    return Status::ok();
  }
  const GioOwned<GError> error(raw, {gio.g_error_free});
  return Status::failedAt(path, error ? error->message : "no program opens this type");
}

}  // namespace tivolen

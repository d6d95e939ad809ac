// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gio_documents.h"

#include <gio/gio.h>

#include <memory>

namespace tivolen {
namespace {

struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

Status GioDocuments::open(const std::string& path) {
  // A URI, not a command line: the name is never split or interpreted.
  const std::unique_ptr<char, GFree> uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  if (!uri) return Status::failedAt(path, "not an absolute file name");
  GError* raw = nullptr;
  if (g_app_info_launch_default_for_uri(uri.get(), nullptr, &raw) != FALSE) return Status::ok();
  const std::unique_ptr<GError, GErrorFree> error(raw);
  return Status::failedAt(path, error ? error->message : "no program opens this type");
}

}  // namespace tivolen

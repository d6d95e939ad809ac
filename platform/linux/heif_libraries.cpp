// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/heif_libraries.h"

#include <dlfcn.h>

namespace tivolen {
namespace {

// The names the libraries were built against carry these major versions.
static_assert(LIBHEIF_NUMERIC_VERSION >> 24 == 1, "libheif's file name below is libheif.so.1");
static_assert(LIBDE265_NUMERIC_VERSION >> 24 == 1, "libde265's file name below is libde265.so.0");
constexpr const char* kLibheif = "libheif.so.1";
constexpr const char* kLibde265 = "libde265.so.0";

void* open(const char* name, std::string& error) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* why = dlerror();
    error = why != nullptr ? why : std::string(name) + " could not be opened";
  }
  return handle;
}

template <typename Function>
bool find(void* handle, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  if (function == nullptr && error.empty()) error = std::string("no ") + name + " in the library";
  return function != nullptr;
}

}  // namespace

#define TIVOLEN_FIND_FUNCTION(name) found = find(handle_, #name, name, error_) && found;

Libheif::Libheif() : handle_(open(kLibheif, error_)) {
  if (handle_ == nullptr) return;
  bool found = true;
  TIVOLEN_LIBHEIF_FUNCTIONS(TIVOLEN_FIND_FUNCTION)
  if (!found) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

Libheif::~Libheif() {
  if (handle_ != nullptr) dlclose(handle_);
}

Libde265::Libde265() : handle_(open(kLibde265, error_)) {
  if (handle_ == nullptr) return;
  bool found = true;
  TIVOLEN_LIBDE265_FUNCTIONS(TIVOLEN_FIND_FUNCTION)
  if (!found) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

Libde265::~Libde265() {
  if (handle_ != nullptr) dlclose(handle_);
}

#undef TIVOLEN_FIND_FUNCTION

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dlfcn.h>

#include <string>

namespace tivolen {

// A library opened when first needed instead of at every start, with the
// functions the program calls in it. Once opened it stays loaded
// (RTLD_NODELETE): its threads (codec workers, GLib's bus worker) may
// outlive the object that opened it, so a second object costs a lookup only.
class OpenedLibrary {
 public:
  OpenedLibrary(const OpenedLibrary&) = delete;
  OpenedLibrary& operator=(const OpenedLibrary&) = delete;
  // False when the library or one of its functions is missing; error() says which.
  [[nodiscard]] bool loaded() const { return handle_ != nullptr; }
  [[nodiscard]] const std::string& error() const { return error_; }

 protected:
  OpenedLibrary() = default;
  ~OpenedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }

  // Opens `name`, then `findAll` looks up every function with find(); the
  // library is closed again when one is missing.
  template <typename FindAll>
  void open(const char* name, FindAll findAll) {
    handle_ = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ == nullptr) {
      const char* why = dlerror();
      error_ = why != nullptr ? why : std::string(name) + " could not be opened";
      return;
    }
    if (!findAll()) {
      dlclose(handle_);
      handle_ = nullptr;
    }
  }
  // One function, by its own name and type; the first one missing is named.
  template <typename Function>
  bool find(const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle_, name));
    if (function == nullptr && error_.empty())
      error_ = std::string("no ") + name + " in the library";
    return function != nullptr;
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// A member for the library's function of that name, of its own type.
// NOLINTNEXTLINE(bugprone-macro-parentheses): declares, is no expression
#define TIVOLEN_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;

// Inside a findAll: looks up the function of that name into the member of
// that name, and keeps `found` false once one is missing.
#define TIVOLEN_FIND_FUNCTION(name) found = find(#name, name) && found;
// The findAll of a library whose functions `list` names.
#define TIVOLEN_FIND_ALL(list)                \
  [this] {                                    \
    bool found = true;                        \
    list(TIVOLEN_FIND_FUNCTION) return found; \
  }

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <objbase.h>

namespace tivolen {

// A COM interface pointer released on scope exit.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  // For the calls that hand out a new reference.
  Interface** out() { return &pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// COM for the calling thread for as long as the object lives; a thread that
// already has it in another mode keeps that mode.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }

 private:
  HRESULT result_;
};

}  // namespace tivolen

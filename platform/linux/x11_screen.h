// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "platform/services.h"

namespace tivolen {

// The primary monitor as the X server reports it (RandR), else the whole
// default screen; in physical pixels, as X always counts. A Wayland session
// without X (no XWayland) is asked through `qt` instead, which costs a GUI
// start, so only then.
class QtParts;
class X11Screen final : public Screen {
 public:
  explicit X11Screen(std::shared_ptr<QtParts> qt) : qt_(std::move(qt)) {}
  [[nodiscard]] std::optional<ScreenSize> size() const override;

 private:
  std::shared_ptr<QtParts> qt_;
};

}  // namespace tivolen

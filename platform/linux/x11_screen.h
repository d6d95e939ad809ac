// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

namespace tivolen {

// The primary monitor as the X server reports it (RandR), else the whole
// default screen; in physical pixels, as X always counts. A Wayland session
// without X (no XWayland) is asked through Qt instead, which costs a GUI
// start, so only then.
class X11Screen final : public Screen {
 public:
  [[nodiscard]] std::optional<ScreenSize> size() const override;
};

}  // namespace tivolen

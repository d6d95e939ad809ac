// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

namespace tivolen {

// The Shift key from the X server's key map, on a connection of its own so
// that no toolkit has to start for a normal run. Wayland gives clients no
// global key state: there, and without any display, Shift is never held.
class X11Keyboard final : public Keyboard {
 public:
  [[nodiscard]] bool shiftHeld() const override;
};

// Whether $DISPLAY names an X server that accepts us. Xlib is kept out of Qt
// code because its macros (Status, Bool) break Qt's headers.
bool X11DisplayReachable();

}  // namespace tivolen

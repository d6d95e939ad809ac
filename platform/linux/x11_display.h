// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

// Xlib names its int result "Status", which hides ours: every X header this
// back-end needs comes in here, before the name is given back.
#undef Status

#include <memory>

namespace tivolen {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// A connection of our own to $DISPLAY; empty without one.
inline DisplayHandle openDisplay() {
  return DisplayHandle(XOpenDisplay(nullptr));
}

}  // namespace tivolen

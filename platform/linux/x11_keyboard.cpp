// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <memory>

namespace tivolen {
namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

bool keyDown(Display* display, const char (&keys)[32], KeySym symbol) {
  const KeyCode code = XKeysymToKeycode(display, symbol);
  if (code == 0) return false;
  return (keys[code / 8] & (1 << (code % 8))) != 0;
}

}  // namespace

bool X11DisplayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  return DisplayHandle(XOpenDisplay(name)) != nullptr;
}

bool X11Keyboard::shiftHeld() const {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  // Under XWayland the key map reads empty unless one of our own windows has
  // focus, so a Wayland session answers "not held" whatever this returns.
  const DisplayHandle display(XOpenDisplay(name));
  if (!display) return false;
  char keys[32] = {};
  XQueryKeymap(display.get(), keys);
  return keyDown(display.get(), keys, XK_Shift_L) || keyDown(display.get(), keys, XK_Shift_R);
}

}  // namespace tivolen

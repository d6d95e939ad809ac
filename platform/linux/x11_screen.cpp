// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_screen.h"

#include <cstdlib>

#include "platform/linux/qt_parts.h"
#include "platform/linux/x11_display.h"

namespace tivolen {
namespace {

std::optional<ScreenSize> primaryMonitor(Display* display, Window root) {
  int eventBase = 0;
  int errorBase = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase)) return std::nullopt;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
  if (monitors == nullptr) return std::nullopt;
  std::optional<ScreenSize> found;
  for (int i = 0; i < count; ++i) {
    if (monitors[i].primary || (!found && i == 0)) {
      found = ScreenSize{monitors[i].width, monitors[i].height};
      if (monitors[i].primary) break;
    }
  }
  XRRFreeMonitors(monitors);
  if (found && (found->width <= 0 || found->height <= 0)) return std::nullopt;
  return found;
}

}  // namespace

std::optional<ScreenSize> X11Screen::size() const {
  const DisplayHandle display = openDisplay();
  if (!display) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland == nullptr || *wayland == '\0') return std::nullopt;
    return qt_->waylandScreenSize();
  }
  const int screen = DefaultScreen(display.get());
  if (auto monitor = primaryMonitor(display.get(), RootWindow(display.get(), screen))) {
    return monitor;
  }
  return ScreenSize{DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}

}  // namespace tivolen

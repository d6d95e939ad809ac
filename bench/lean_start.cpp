// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of a log-on start that finds nothing to do: a program that
// links only Xlib, RandR and TurboJPEG, opens the display, asks RandR for
// the monitors and reads a small file beside it, as the changer's start
// does before it knows whether a change is due.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <turbojpeg.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  int monitors = 0;
  XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &monitors);
  XRRFreeMonitors(info);
  tjhandle handle = tjInitDecompress();
  tjDestroy(handle);
  std::ifstream list(std::string(argc > 0 ? argv[0] : "") + ".txt");
  std::string line;
  std::getline(list, line);
  XCloseDisplay(display);
  std::printf("%d\n", monitors);
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_root_desktop.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "picture/side_thread.h"
#include "platform/linux/x11_display.h"

namespace tivolen {
namespace {

// Root-window setters agree on these two: pseudo-transparent programs read
// the first, and the pair tells the next setter which pixmap it may free.
constexpr const char* kRootPixmapAtom = "_XROOTPMAP_ID";
constexpr const char* kSetrootPixmapAtom = "ESETROOT_PMAP_ID";

std::optional<Pixmap> pixmapProperty(Display* display, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, root, property, 0, 1, False, AnyPropertyType, &type, &format,
                         &items, &after, &data) != Success) {
    return std::nullopt;
  }
  std::optional<Pixmap> pixmap;
  if (data != nullptr && type == XA_PIXMAP && format == 32 && items == 1) {
    pixmap = *reinterpret_cast<Pixmap*>(data);
  }
  if (data != nullptr) XFree(data);
  return pixmap;
}

// Frees what the previous setter left retained, but only when both atoms
// name the same pixmap: a desktop that sets only _XROOTPMAP_ID still owns it
// and would be killed along with it.
void freePreviousPixmap(Display* display, Window root, Atom rootAtom, Atom setrootAtom) {
  const auto rootPixmap = pixmapProperty(display, root, rootAtom);
  const auto setrootPixmap = pixmapProperty(display, root, setrootAtom);
  if (rootPixmap && setrootPixmap && *rootPixmap == *setrootPixmap && *rootPixmap != None) {
    XKillClient(display, *rootPixmap);
  }
}

// Xlib's own error handler ends the program; a server that refuses a
// pixmap of the screen's size (BadAlloc) must end in a message instead. A
// trap inside another keeps the outer one's record.
class ErrorTrap {
 public:
  ErrorTrap() : previous_(XSetErrorHandler(&ErrorTrap::record)), outer_(failed()) {
    failed() = false;
  }
  ~ErrorTrap() {
    XSetErrorHandler(previous_);
    failed() = failed() || outer_;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  [[nodiscard]] static bool& failed() {
    static bool seen = false;
    return seen;
  }
  // Whether a request failed since the trap was set, forgetting it: the
  // caller has another way.
  static bool take() { return std::exchange(failed(), false); }

 private:
  static int record(Display*, XErrorEvent*) {
    failed() = true;
    return 0;
  }
  XErrorHandler previous_;
  bool outer_;
};

// One monitor's rectangle of the root pixmap: each monitor shows the
// wallpaper in the layout on its own, as a desktop does, instead of one
// picture centred across the seam between two screens.
struct Target {
  Display* display;
  Pixmap pixmap;
  GC gc;
  Visual* visual;
  int depth;
  int x;
  int y;
  int width;
  int height;
};

struct MonitorRect {
  int x;
  int y;
  int width;
  int height;
};

// The active monitors (RandR 1.5); the whole screen when there are none.
std::vector<MonitorRect> monitorRects(Display* display, Window root, int width, int height) {
  std::vector<MonitorRect> rects;
  int eventBase = 0;
  int errorBase = 0;
  int count = 0;
  XRRMonitorInfo* monitors = XRRQueryExtension(display, &eventBase, &errorBase)
                                 ? XRRGetMonitors(display, root, True, &count)
                                 : nullptr;
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    if (m.width > 0 && m.height > 0) rects.push_back({m.x, m.y, m.width, m.height});
  }
  if (monitors != nullptr) XRRFreeMonitors(monitors);
  // A screen split into monitors by hand (xrandr --setmonitor ... none) still
  // lists the output's own monitor around them; the split is what is meant.
  const auto contains = [](const MonitorRect& outer, const MonitorRect& inner) {
    return outer.x <= inner.x && outer.y <= inner.y &&
           outer.x + outer.width >= inner.x + inner.width &&
           outer.y + outer.height >= inner.y + inner.height &&
           outer.width * outer.height > inner.width * inner.height;
  };
  std::vector<MonitorRect> innermost;
  for (const MonitorRect& rect : rects) {
    if (std::none_of(rects.begin(), rects.end(),
                     [&](const MonitorRect& other) { return contains(rect, other); })) {
      innermost.push_back(rect);
    }
  }
  if (innermost.empty()) innermost.push_back({0, 0, width, height});
  return innermost;
}

bool isPlainTrueColour(const Visual* visual, int depth) {
  return (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
         visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

unsigned long channel(std::uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long top = mask >> shift;
  return ((value * top + 127) / 255) << shift;
}

// Puts a part of the picture into a drawable. The usual 24-bit visual takes
// the picture's own memory as it is, through the connection: Xlib cuts it
// into requests the server copies while the next are written. On the X
// server the benchmarks run, that took 5 ms for a 1080p screen where two
// slices of shared memory in turn took 9: each fresh slice costs page
// faults and a round trip, and the copy out of it is the same.
void putArea(const Target& to, Drawable drawable, const Picture& picture, int fromX, int fromY,
             int toX, int toY, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const auto w = static_cast<unsigned>(width);
  const auto h = static_cast<unsigned>(height);
  if (isPlainTrueColour(to.visual, to.depth)) {
    // Xlib only reads the data; the cast is for its old-fashioned signature.
    auto* data = const_cast<char*>(reinterpret_cast<const char*>(picture.row(0)));
    XImage* image = XCreateImage(to.display, to.visual, static_cast<unsigned>(to.depth), ZPixmap, 0,
                                 data, static_cast<unsigned>(picture.width()),
                                 static_cast<unsigned>(picture.height()), 32, picture.width() * 4);
    if (image == nullptr) return;
    image->byte_order = LSBFirst;  // our words are in the machine's order
    XPutImage(to.display, drawable, to.gc, image, fromX, fromY, toX, toY, w, h);
    image->data = nullptr;  // the picture owns the pixels
    XDestroyImage(image);
    return;
  }
  XImage* image = XCreateImage(to.display, to.visual, static_cast<unsigned>(to.depth), ZPixmap, 0,
                               nullptr, w, h, 32, 0);
  if (image == nullptr) return;
  image->data = static_cast<char*>(
      std::malloc(static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(h)));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = picture.row(fromY + y) + fromX;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = row[x];
      XPutPixel(image, x, y,
                channel((p >> 16) & 0xff, to.visual->red_mask) |
                    channel((p >> 8) & 0xff, to.visual->green_mask) |
                    channel(p & 0xff, to.visual->blue_mask));
    }
  }
  XPutImage(to.display, drawable, to.gc, image, 0, 0, toX, toY, w, h);
  XDestroyImage(image);
}

// The screen as the desktop shows the wallpaper file in `layout`. Only the
// visible part of the picture is ever scaled or sent to the server.
void draw(Pictures& pictures, const Picture& picture, WallpaperLayout layout, const Target& to) {
  const int w = picture.width();
  const int h = picture.height();
  const auto width = static_cast<unsigned>(to.width);
  const auto height = static_cast<unsigned>(to.height);
  switch (layout) {
    case WallpaperLayout::Stretched: {
      const Picture screen =
          pictures.drawScaled(picture, {0, 0, double(w), double(h)}, {to.width, to.height});
      putArea(to, to.pixmap, screen, 0, 0, to.x, to.y, to.width, to.height);
      return;
    }
    case WallpaperLayout::Zoom: {
      const double scale = std::max(double(to.width) / w, double(to.height) / h);
      const double visibleWidth = to.width / scale;
      const double visibleHeight = to.height / scale;
      const Picture screen = pictures.drawScaled(
          picture, {(w - visibleWidth) / 2, (h - visibleHeight) / 2, visibleWidth, visibleHeight},
          {to.width, to.height});
      putArea(to, to.pixmap, screen, 0, 0, to.x, to.y, to.width, to.height);
      return;
    }
    case WallpaperLayout::Tiled: {
      // Tiled from the monitor's top-left corner, as the old desktop did.
      const Pixmap tile = XCreatePixmap(to.display, to.pixmap, static_cast<unsigned>(w),
                                        static_cast<unsigned>(h), static_cast<unsigned>(to.depth));
      putArea(to, tile, picture, 0, 0, 0, 0, w, h);
      XSetTile(to.display, to.gc, tile);
      XSetTSOrigin(to.display, to.gc, to.x, to.y);
      XSetFillStyle(to.display, to.gc, FillTiled);
      XFillRectangle(to.display, to.pixmap, to.gc, to.x, to.y, width, height);
      XSetFillStyle(to.display, to.gc, FillSolid);
      XFreePixmap(to.display, tile);
      return;
    }
    case WallpaperLayout::Centred:
      break;
  }
  // Centred: a larger picture loses its excess equally on both sides, a
  // smaller one gets black bands.
  const int left = (to.width - w) / 2;
  const int top = (to.height - h) / 2;
  const int fromX = std::max(0, -left);
  const int fromY = std::max(0, -top);
  const int toX = to.x + std::max(0, left);
  const int toY = to.y + std::max(0, top);
  const int shownWidth = std::min(w, to.width);
  const int shownHeight = std::min(h, to.height);
  putArea(to, to.pixmap, picture, fromX, fromY, toX, toY, shownWidth, shownHeight);
}

// Whether `layout` paints every pixel of a monitor of that size.
bool coversMonitor(WallpaperLayout layout, PictureSize picture, const MonitorRect& monitor) {
  return layout != WallpaperLayout::Centred ||
         (picture.width >= monitor.width && picture.height >= monitor.height);
}

// Black wherever no monitor shows the picture, and nowhere else: a fill
// under a picture that covers it all is wasted work for the server.
void fillUncovered(Display* display, const Target& screen, const std::vector<MonitorRect>& monitors,
                   WallpaperLayout layout, PictureSize picture, unsigned long black) {
  Region uncovered = XCreateRegion();
  XRectangle whole{0, 0, static_cast<unsigned short>(screen.width),
                   static_cast<unsigned short>(screen.height)};
  XUnionRectWithRegion(&whole, uncovered, uncovered);
  for (const MonitorRect& monitor : monitors) {
    if (!coversMonitor(layout, picture, monitor)) continue;
    Region covered = XCreateRegion();
    XRectangle rect{static_cast<short>(monitor.x), static_cast<short>(monitor.y),
                    static_cast<unsigned short>(monitor.width),
                    static_cast<unsigned short>(monitor.height)};
    XUnionRectWithRegion(&rect, covered, covered);
    XSubtractRegion(uncovered, covered, uncovered);
    XDestroyRegion(covered);
  }
  if (XEmptyRegion(uncovered) == False) {
    XSetForeground(display, screen.gc, black);
    XSetRegion(display, screen.gc, uncovered);
    XFillRectangle(display, screen.pixmap, screen.gc, 0, 0, static_cast<unsigned>(screen.width),
                   static_cast<unsigned>(screen.height));
    XSetClipMask(display, screen.gc, None);
  }
  XDestroyRegion(uncovered);
}

// The wallpaper drawn into a pixmap of the root window's size on a
// connection of its own, not yet shown: closing the connection before the
// pixmap is retained frees it.
struct Painted {
  DisplayHandle connection;
  Pixmap pixmap = None;
  Status status = Status::ok();
};

Status noDisplay() {
  return Status::unavailable("no X display to set the root window on");
}

Painted paint(DisplayHandle connection, Pictures& pictures, const Picture& picture,
              WallpaperLayout layout) {
  Painted painted;
  painted.connection = std::move(connection);
  if (!painted.connection) {
    painted.status = noDisplay();
    return painted;
  }
  Display* display = painted.connection.get();
  const int screenNumber = DefaultScreen(display);
  const Window root = RootWindow(display, screenNumber);
  const int width = DisplayWidth(display, screenNumber);
  const int height = DisplayHeight(display, screenNumber);
  const int depth = DefaultDepth(display, screenNumber);
  Visual* visual = DefaultVisual(display, screenNumber);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
    painted.status = Status::failed("the X screen has no true-colour visual");
    return painted;
  }

  const ErrorTrap trap;
  const std::vector<MonitorRect> monitors = monitorRects(display, root, width, height);
  const Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), static_cast<unsigned>(depth));
  const GC gc = XCreateGC(display, pixmap, 0, nullptr);
  fillUncovered(display, {display, pixmap, gc, visual, depth, 0, 0, width, height}, monitors,
                layout, picture.size(), BlackPixel(display, screenNumber));
  for (const MonitorRect& monitor : monitors) {
    const Target target{display,       pixmap,        gc, visual, depth, monitor.x, monitor.y,
                        monitor.width, monitor.height};
    draw(pictures, picture, layout, target);
  }
  XFreeGC(display, gc);
  XSync(display, False);
  if (ErrorTrap::failed()) {
    XFreePixmap(display, pixmap);
    XSync(display, False);
    painted.status = Status::failed("the X server refused the wallpaper pixmap");
    return painted;
  }
  painted.pixmap = pixmap;
  return painted;
}

// Makes the painted pixmap the root window's background for good, or says
// why there is none.
Status show(Painted painted) {
  if (!painted.status.isOk()) return painted.status;
  Display* display = painted.connection.get();
  const Window root = DefaultRootWindow(display);
  const ErrorTrap trap;
  const Atom rootAtom = XInternAtom(display, kRootPixmapAtom, False);
  const Atom setrootAtom = XInternAtom(display, kSetrootPixmapAtom, False);
  XGrabServer(display);
  freePreviousPixmap(display, root, rootAtom, setrootAtom);
  XChangeProperty(display, root, rootAtom, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&painted.pixmap), 1);
  XChangeProperty(display, root, setrootAtom, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&painted.pixmap), 1);
  XSetWindowBackgroundPixmap(display, root, painted.pixmap);
  XClearWindow(display, root);
  XUngrabServer(display);
  // The pixmap must outlive this connection, or the root window goes black
  // when the program ends; the next setter frees it through the atoms above.
  XSetCloseDownMode(display, RetainPermanent);
  XSync(display, False);
  return Status::ok();
}

// A rendered wallpaper painted on a thread of its own while the caller
// writes the file. The two threads never talk to the server at once: the
// caller touches no X until it takes the result, which waits for the
// painting. The pixels are shared, so they outlive a caller that drops them.
class X11PreparedWallpaper final : public PreparedWallpaper {
 public:
  X11PreparedWallpaper(Pictures& pictures, const Picture& picture, WallpaperLayout layout)
      : picture_(picture.alias()), layout_(layout), painter_([this, &pictures] {
          painted_ = paint(openDisplay(), pictures, picture_, layout_);
        }) {
    if (!painter_.started()) painted_ = paint(openDisplay(), pictures, picture_, layout_);
  }
  X11PreparedWallpaper(const X11PreparedWallpaper&) = delete;
  X11PreparedWallpaper& operator=(const X11PreparedWallpaper&) = delete;
  ~X11PreparedWallpaper() override = default;

  [[nodiscard]] bool isFor(const Picture& picture, WallpaperLayout layout) const {
    return layout == layout_ && picture.isAliasOf(picture_);
  }
  Painted take() {
    painter_.join();
    return std::move(painted_);
  }

 private:
  Picture picture_;
  WallpaperLayout layout_;
  Painted painted_;
  SideThread painter_;  // last: it starts once the rest is in place, and ends first
};

}  // namespace

X11RootDesktop::X11RootDesktop(std::string applicationDirectory, Pictures& pictures)
    : applicationDirectory_(std::move(applicationDirectory)), pictures_(pictures) {}

void X11RootDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status X11RootDesktop::setWallpaper(const std::string& path) {
  // Each wallpaper on a connection of its own: the pixmap set there is
  // retained when it closes. Nothing is read without a display.
  DisplayHandle connection = openDisplay();
  if (!connection) return noDisplay();
  const LoadedPicture loaded = pictures_.load(path);
  if (!loaded.status.isOk()) return loaded.status;
  return show(paint(std::move(connection), pictures_, loaded.pixels, layout_));
}

Status X11RootDesktop::setRenderedWallpaper(const std::string& path, const Picture& rendered,
                                            std::unique_ptr<PreparedWallpaper> prepared) {
  if (rendered.empty()) return setWallpaper(path);
  auto* ours = dynamic_cast<X11PreparedWallpaper*>(prepared.get());
  if (ours != nullptr && ours->isFor(rendered, layout_)) return show(ours->take());
  // Xlib keeps its extensions' records of every connection in one list that
  // two threads must not touch at once: a painting for other pixels ends,
  // and its connection closes, before this one starts.
  prepared.reset();
  return show(paint(openDisplay(), pictures_, rendered, layout_));
}

std::unique_ptr<PreparedWallpaper> X11RootDesktop::prepareRenderedWallpaper(
    const Picture& rendered, WallpaperLayout layout) {
  // Stretching and zooming scale on the way, which stays on the caller's
  // thread; rendered files are centred or tiled.
  if (layout != WallpaperLayout::Centred && layout != WallpaperLayout::Tiled) return nullptr;
  return std::make_unique<X11PreparedWallpaper>(pictures_, rendered, layout);
}

}  // namespace tivolen

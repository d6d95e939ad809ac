#include "platform/linux/x11_root_desktop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/linux/linux_pictures.h"
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

void blit(const Picture& from, Picture& to, int fromX, int fromY, int toX, int toY, int width,
          int height) {
  for (int y = 0; y < height; ++y) {
    std::memcpy(to.row(toY + y) + toX, from.row(fromY + y) + fromX,
                static_cast<std::size_t>(width) * 4);
  }
}

void fillBlack(Picture& picture) {
  for (int y = 0; y < picture.height(); ++y) {
    std::fill_n(picture.row(y), picture.width(), 0xff000000U);
  }
}

// The screen as the desktop shows the wallpaper file in `layout`. Only the
// visible part of the picture is ever scaled.
Picture compose(Pictures& pictures, const Picture& picture, WallpaperLayout layout, int width,
                int height) {
  const int w = picture.width();
  const int h = picture.height();
  switch (layout) {
    case WallpaperLayout::Stretched:
      return pictures.drawScaled(picture, {0, 0, double(w), double(h)}, {width, height});
    case WallpaperLayout::Zoom: {
      const double scale = std::max(double(width) / w, double(height) / h);
      const double visibleWidth = width / scale;
      const double visibleHeight = height / scale;
      return pictures.drawScaled(
          picture, {(w - visibleWidth) / 2, (h - visibleHeight) / 2, visibleWidth, visibleHeight},
          {width, height});
    }
    case WallpaperLayout::Tiled: {
      Picture screen(width, height);
      for (int y = 0; y < height; y += h) {
        for (int x = 0; x < width; x += w) {
          blit(picture, screen, 0, 0, x, y, std::min(w, width - x), std::min(h, height - y));
        }
      }
      return screen;
    }
    case WallpaperLayout::Centred:
      break;
  }
  Picture screen(width, height);
  fillBlack(screen);
  // Centred: a larger picture loses its excess equally on both sides.
  const int left = (width - w) / 2;
  const int top = (height - h) / 2;
  const int fromX = std::max(0, -left);
  const int fromY = std::max(0, -top);
  blit(picture, screen, fromX, fromY, std::max(0, left), std::max(0, top), std::min(w, width),
       std::min(h, height));
  return screen;
}

bool isPlainTrueColour(const Visual* visual, int depth) {
  return (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
         visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

// Puts the screen picture into the pixmap; deeper or shallower visuals than
// the usual 24-bit one go pixel by pixel.
void putPicture(Display* display, Pixmap pixmap, GC gc, Visual* visual, int depth,
                Picture& screen) {
  const int width = screen.width();
  const int height = screen.height();
  if (isPlainTrueColour(visual, depth)) {
    XImage* image =
        XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                     reinterpret_cast<char*>(screen.row(0)), static_cast<unsigned>(width),
                     static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr) return;
    image->byte_order = LSBFirst;  // our words are in the machine's order
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    image->data = nullptr;  // the picture owns the pixels
    XDestroyImage(image);
    return;
  }
  XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return;
  image->data =
      static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return;
  }
  const auto channel = [](std::uint32_t value, unsigned long mask) -> unsigned long {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long top = mask >> shift;
    return ((value * top + 127) / 255) << shift;
  };
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = screen.row(y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = row[x];
      XPutPixel(image, x, y,
                channel((p >> 16) & 0xff, visual->red_mask) |
                    channel((p >> 8) & 0xff, visual->green_mask) |
                    channel(p & 0xff, visual->blue_mask));
    }
  }
  XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  XDestroyImage(image);
}

}  // namespace

X11RootDesktop::X11RootDesktop(std::string applicationDirectory)
    : applicationDirectory_(std::move(applicationDirectory)) {}

void X11RootDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status X11RootDesktop::setWallpaper(const std::string& path) {
  const DisplayHandle handle = openDisplay();
  if (!handle) return Status::unavailable("no X display to set the root window on");
  Display* display = handle.get();

  LinuxPictures pictures;
  LoadedPicture loaded = pictures.load(path);
  if (!loaded.status.isOk()) return loaded.status;

  const int screenNumber = DefaultScreen(display);
  const Window root = RootWindow(display, screenNumber);
  const int width = DisplayWidth(display, screenNumber);
  const int height = DisplayHeight(display, screenNumber);
  const int depth = DefaultDepth(display, screenNumber);
  Visual* visual = DefaultVisual(display, screenNumber);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
    return Status::failed("the X screen has no true-colour visual");
  }

  Picture screen = compose(pictures, loaded.pixels, layout_, width, height);

  const Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), static_cast<unsigned>(depth));
  const GC gc = XCreateGC(display, pixmap, 0, nullptr);
  putPicture(display, pixmap, gc, visual, depth, screen);
  XFreeGC(display, gc);

  const Atom rootAtom = XInternAtom(display, kRootPixmapAtom, False);
  const Atom setrootAtom = XInternAtom(display, kSetrootPixmapAtom, False);
  XGrabServer(display);
  freePreviousPixmap(display, root, rootAtom, setrootAtom);
  XChangeProperty(display, root, rootAtom, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pixmap), 1);
  XChangeProperty(display, root, setrootAtom, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pixmap), 1);
  XSetWindowBackgroundPixmap(display, root, pixmap);
  XClearWindow(display, root);
  XUngrabServer(display);
  // The pixmap must outlive this connection, or the root window goes black
  // when the program ends; the next setter frees it through the atoms above.
  XSetCloseDownMode(display, RetainPermanent);
  XSync(display, False);
  return Status::ok();
}

}  // namespace tivolen

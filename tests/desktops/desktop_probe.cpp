// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the desktop tests:
//   desktop_probe picture OUT.bmp        the test picture (8 coloured blocks)
//   desktop_probe grab-x11 OUT.png       the X screen as it is shown
//   desktop_probe check SHOT.png PICTURE LAYOUT
// "check" predicts, independently of the back-ends, where each block of the
// picture lands on a screen of the screenshot's size in the given layout and
// tells how many sample points show the predicted colour.
// Qt first: Xlib defines macros (Status, None) that break Qt's headers.
#include <QColor>
#include <QImage>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

// Colours far apart and far from the greys, blacks and blues that desktops
// use as their own background.
const QColor kBlocks[2][4] = {
    {QColor(230, 30, 30), QColor(40, 200, 40), QColor(250, 220, 30), QColor(230, 40, 220)},
    {QColor(40, 220, 230), QColor(250, 140, 20), QColor(255, 255, 255), QColor(140, 70, 10)},
};
constexpr int kPictureWidth = 300;
constexpr int kPictureHeight = 120;

int makePicture(const char* out) {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      image.setPixelColor(x, y, kBlocks[y * 2 / kPictureHeight][x * 4 / kPictureWidth]);
    }
  }
  return image.save(out, "BMP") ? 0 : 1;
}

int grabX11(const char* out) {
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
  if (!display) {
    std::fprintf(stderr, "desktop_probe: no X display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display.get());
  XWindowAttributes attributes{};
  XGetWindowAttributes(display.get(), root, &attributes);
  struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
  };
  std::unique_ptr<XImage, ImageDeleter> shot(
      XGetImage(display.get(), root, 0, 0, static_cast<unsigned>(attributes.width),
                static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap));
  if (!shot) return 1;
  QImage image(attributes.width, attributes.height, QImage::Format_RGB32);
  for (int y = 0; y < attributes.height; ++y) {
    for (int x = 0; x < attributes.width; ++x) {
      const unsigned long pixel = XGetPixel(shot.get(), x, y);
      image.setPixel(x, y, static_cast<QRgb>(0xff000000UL | (pixel & 0xffffffUL)));
    }
  }
  return image.save(out, "PNG") ? 0 : 1;
}

// Where screen point (sx, sy) falls in the picture, or nothing when the
// layout leaves that point to the background.
std::optional<QPointF> pictureAt(const std::string& layout, double sx, double sy, double sw,
                                 double sh, double pw, double ph) {
  double x = 0;
  double y = 0;
  if (layout == "centred") {
    x = sx - (sw - pw) / 2;
    y = sy - (sh - ph) / 2;
  } else if (layout == "tiled") {
    x = std::fmod(sx, pw);
    y = std::fmod(sy, ph);
  } else if (layout == "stretched") {
    x = sx * pw / sw;
    y = sy * ph / sh;
  } else if (layout == "zoom") {
    const double scale = std::max(sw / pw, sh / ph);
    x = (sx - (sw - pw * scale) / 2) / scale;
    y = (sy - (sh - ph * scale) / 2) / scale;
  } else {
    return std::nullopt;
  }
  if (x < 0 || y < 0 || x >= pw || y >= ph) return std::nullopt;
  return QPointF(x, y);
}

bool near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) < 48 && std::abs(a.green() - b.green()) < 48 &&
         std::abs(a.blue() - b.blue()) < 48;
}

int check(const char* shotPath, const char* picturePath, const std::string& layout) {
  const QImage shot(shotPath);
  const QImage picture(picturePath);
  if (shot.isNull() || picture.isNull()) {
    std::fprintf(stderr, "desktop_probe: cannot read %s or %s\n", shotPath, picturePath);
    return 2;
  }
  const double sw = shot.width();
  const double sh = shot.height();
  const double pw = picture.width();
  const double ph = picture.height();
  // Block edges blur when scaled; points this close to one are not sampled.
  const double margin = 4;
  int sampled = 0;
  int matched = 0;
  int outside = 0;
  int outsideLikePicture = 0;
  for (int gy = 0; gy < 60; ++gy) {
    for (int gx = 0; gx < 80; ++gx) {
      const double sx = (gx + 0.5) * sw / 80;
      const double sy = (gy + 0.5) * sh / 60;
      const QColor seen = shot.pixelColor(static_cast<int>(sx), static_cast<int>(sy));
      const auto at = pictureAt(layout, sx, sy, sw, sh, pw, ph);
      if (!at) {
        ++outside;
        for (const auto& row : kBlocks) {
          for (const auto& block : row) {
            if (near(seen, block)) {
              ++outsideLikePicture;
              goto nextPoint;
            }
          }
        }
        continue;
      }
      {
        const double bx = at->x() * 4 / pw;
        const double by = at->y() * 2 / ph;
        const double scaleX = layout == "centred" || layout == "tiled" ? 1 : sw / pw;
        const double toEdgeX = std::min(bx - std::floor(bx), std::ceil(bx) - bx) * pw / 4 * scaleX;
        const double toEdgeY = std::min(by - std::floor(by), std::ceil(by) - by) * ph / 2 * scaleX;
        if (toEdgeX < margin || toEdgeY < margin) continue;
        ++sampled;
        const QColor expected =
            picture.pixelColor(static_cast<int>(at->x()), static_cast<int>(at->y()));
        if (near(seen, expected)) ++matched;
      }
    nextPoint:;
    }
  }
  std::printf("%s: %d of %d points inside the picture match; %d of %d outside look like it\n",
              layout.c_str(), matched, sampled, outsideLikePicture, outside);
  const bool inside = sampled > 0 && matched * 100 >= sampled * 95;
  const bool background = outside == 0 || outsideLikePicture * 100 <= outside * 5;
  return inside && background ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "picture" && argc == 3) return makePicture(argv[2]);
  if (command == "grab-x11" && argc == 3) return grabX11(argv[2]);
  if (command == "check" && argc == 5) return check(argv[2], argv[3], argv[4]);
  std::fprintf(stderr,
               "usage: desktop_probe picture OUT.bmp | grab-x11 OUT.png | "
               "check SHOT.png PICTURE centred|tiled|stretched|zoom\n");
  return 64;
}

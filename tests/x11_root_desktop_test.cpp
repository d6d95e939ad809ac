// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_root_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/linux_pictures.h"
#include "tests/private_x_server.h"
#include "tests/temp_dir.h"

// Last: Xlib's macros (None, Status, Bool) clash with the headers above.
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#undef Status
// clang-format on

namespace tivolen {
namespace {

// An Xvfb of its own for the whole binary.
class VirtualScreen : public ::testing::Environment {
 public:
  void SetUp() override {
    server_ = std::make_unique<testing::PrivateXServer>();
    ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server_->display().c_str(), 1);
  }
  void TearDown() override { server_.reset(); }

 private:
  std::unique_ptr<testing::PrivateXServer> server_;
};

[[maybe_unused]] auto* const screenEnvironment =
    ::testing::AddGlobalTestEnvironment(new VirtualScreen);

// Errors of the test's own requests are expected (a freed pixmap); they are
// counted instead of ending the program.
int errorsSeen = 0;
int countError(Display*, XErrorEvent*) {
  ++errorsSeen;
  return 0;
}

class X11RootDesktopTest : public ::testing::Test {
 protected:
  LinuxPictures pictures;
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XSetErrorHandler(countError);
    root = DefaultRootWindow(display);
    rootAtom = XInternAtom(display, "_XROOTPMAP_ID", False);
    setrootAtom = XInternAtom(display, "ESETROOT_PMAP_ID", False);
  }
  void TearDown() override {
    if (display != nullptr) XCloseDisplay(display);
  }

  std::optional<Pixmap> property(Atom atom) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, root, atom, 0, 1, False, XA_PIXMAP, &type, &format, &items, &after,
                       &data);
    std::optional<Pixmap> value;
    if (data != nullptr && items == 1) value = *reinterpret_cast<Pixmap*>(data);
    if (data != nullptr) XFree(data);
    return value;
  }
  bool pixmapAlive(Pixmap pixmap) {
    XSync(display, False);
    const int before = errorsSeen;
    Window ignoredRoot;
    int x;
    int y;
    unsigned width;
    unsigned height;
    unsigned border;
    unsigned depth;
    XGetGeometry(display, pixmap, &ignoredRoot, &x, &y, &width, &height, &border, &depth);
    XSync(display, False);
    return errorsSeen == before;
  }
  // The colour class at a point of the current root pixmap.
  std::string colourAt(int x, int y) {
    const auto pixmap = property(rootAtom);
    if (!pixmap) return "no pixmap";
    XImage* image = XGetImage(display, *pixmap, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return "unreadable";
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    const unsigned long r = (pixel >> 16) & 0xff;
    const unsigned long g = (pixel >> 8) & 0xff;
    const unsigned long b = pixel & 0xff;
    if (r > 180 && g < 80 && b < 80) return "red";
    if (b > 180 && r < 80 && g < 80) return "blue";
    if (r < 30 && g < 30 && b < 30) return "black";
    return "other";
  }
  // Left half red, right half blue.
  static Picture redBlue(int width = 200, int height = 100) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) picture.row(y)[x] = x < width / 2 ? 0xffff0000U : 0xff0000ffU;
    }
    return picture;
  }
  // 200 x 100 redBlue(), as the renderer writes it.
  std::string writePicture() {
    std::string path = dir / "wallpaper.bmp";
    EXPECT_TRUE(LinuxPictures().saveBitmap(redBlue(), path).isOk());
    return path;
  }

  testing::TempDir dir;
  Display* display = nullptr;
  Window root = 0;
  Atom rootAtom = None;
  Atom setrootAtom = None;
};

struct Point {
  int x;
  int y;
  const char* colour;
};
struct LayoutCase {
  const char* name;
  WallpaperLayout layout;
  std::vector<Point> points;
};

class LayoutTest : public X11RootDesktopTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, DrawsTheRootPixmapInTheLayout) {
  X11RootDesktop desktop(dir.path(), pictures);
  desktop.setLayout(GetParam().layout);
  ASSERT_TRUE(desktop.setWallpaper(writePicture()).isOk());
  const auto pixmap = property(rootAtom);
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(property(setrootAtom), pixmap);
  for (const Point& point : GetParam().points) {
    EXPECT_EQ(colourAt(point.x, point.y), point.colour) << "at " << point.x << "," << point.y;
  }
}

// Handed the pixels the renderer made, the desktop shows them and never
// reads the file back: here the file holds nothing it could show.
TEST_P(LayoutTest, RenderedPixelsShowWithoutTheFileBeingRead) {
  X11RootDesktop desktop(dir.path(), pictures);
  const std::string path = dir.write("wallpaper.bmp", "BM not a picture");
  desktop.setLayout(GetParam().layout);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, redBlue(), nullptr).isOk());
  for (const Point& point : GetParam().points) {
    EXPECT_EQ(colourAt(point.x, point.y), point.colour) << "at " << point.x << "," << point.y;
  }
  // And a screen-sized one, centred.
  desktop.setLayout(WallpaperLayout::Centred);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, redBlue(640, 480), nullptr).isOk());
  EXPECT_EQ(colourAt(0, 0), "red");
  EXPECT_EQ(colourAt(639, 479), "blue");
  EXPECT_TRUE(pixmapAlive(*property(rootAtom)));
}

// The picture is 200 x 100 (red | blue), the screen 640 x 480.
INSTANTIATE_TEST_SUITE_P(
    Layouts, LayoutTest,
    ::testing::Values(
        // At (220, 190): black bands around it.
        LayoutCase{"centred",
                   WallpaperLayout::Centred,
                   {{250, 240, "red"}, {400, 240, "blue"}, {10, 10, "black"}, {630, 470, "black"}}},
        LayoutCase{"tiled",
                   WallpaperLayout::Tiled,
                   {{50, 50, "red"}, {150, 50, "blue"}, {250, 150, "red"}, {350, 450, "blue"}}},
        LayoutCase{"stretched",
                   WallpaperLayout::Stretched,
                   {{10, 10, "red"}, {300, 470, "red"}, {340, 10, "blue"}, {630, 470, "blue"}}},
        // Scaled by 4.8 to cover 480 rows; the sides beyond 640 are cut off.
        LayoutCase{"zoom",
                   WallpaperLayout::Zoom,
                   {{10, 10, "red"}, {300, 240, "red"}, {340, 240, "blue"}, {630, 470, "blue"}}}),
    [](const ::testing::TestParamInfo<LayoutCase>& tested) {
      return std::string(tested.param.name);
    });

class TwoMonitorTest : public X11RootDesktopTest, public ::testing::WithParamInterface<LayoutCase> {
 protected:
  // The 640 x 480 screen as two monitors side by side, 320 x 480 each.
  void SetUp() override {
    X11RootDesktopTest::SetUp();
    for (const auto& [name, x] : {std::pair{"LEFT", 0}, std::pair{"RIGHT", 320}}) {
      XRRMonitorInfo* monitor = XRRAllocateMonitor(display, 0);
      monitor->name = XInternAtom(display, name, False);
      monitor->x = x;
      monitor->y = 0;
      monitor->width = 320;
      monitor->height = 480;
      monitor->mwidth = 85;
      monitor->mheight = 127;
      XRRSetMonitor(display, root, monitor);
      XRRFreeMonitors(monitor);
      monitors.push_back(monitor->name);
    }
    XSync(display, False);
  }
  void TearDown() override {
    for (const Atom name : monitors) XRRDeleteMonitor(display, root, name);
    XSync(display, False);
    X11RootDesktopTest::TearDown();
  }
  std::vector<Atom> monitors;
};

TEST_P(TwoMonitorTest, EachMonitorShowsTheWholeLayout) {
  X11RootDesktop desktop(dir.path(), pictures);
  desktop.setLayout(GetParam().layout);
  ASSERT_TRUE(desktop.setWallpaper(writePicture()).isOk());
  for (const Point& point : GetParam().points) {
    EXPECT_EQ(colourAt(point.x, point.y), point.colour) << "at " << point.x << "," << point.y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TwoMonitorTest,
    ::testing::Values(
        // At (60, 190) in each monitor, not across the seam at x = 320.
        LayoutCase{"centred",
                   WallpaperLayout::Centred,
                   {{100, 240, "red"},
                    {200, 240, "blue"},
                    {320, 240, "black"},
                    {420, 240, "red"},
                    {520, 240, "blue"},
                    {10, 10, "black"}}},
        LayoutCase{"zoom",
                   WallpaperLayout::Zoom,
                   {{100, 240, "red"}, {220, 240, "blue"}, {420, 240, "red"}, {540, 240, "blue"}}},
        LayoutCase{"tiled",
                   WallpaperLayout::Tiled,
                   {{50, 50, "red"}, {150, 50, "blue"}, {250, 50, "red"}, {370, 50, "red"}}}),
    [](const ::testing::TestParamInfo<LayoutCase>& tested) {
      return std::string(tested.param.name);
    });

TEST_F(X11RootDesktopTest, FreesThePixmapItRetainedBefore) {
  X11RootDesktop desktop(dir.path(), pictures);
  const std::string picture = writePicture();
  ASSERT_TRUE(desktop.setWallpaper(picture).isOk());
  const auto first = property(rootAtom);
  ASSERT_TRUE(first);
  EXPECT_TRUE(pixmapAlive(*first)) << "retained after the setter's connection closed";

  ASSERT_TRUE(desktop.setWallpaper(picture).isOk());
  const auto second = property(rootAtom);
  ASSERT_TRUE(second);
  EXPECT_NE(*second, *first);
  EXPECT_FALSE(pixmapAlive(*first)) << "the earlier pixmap leaks";
  EXPECT_TRUE(pixmapAlive(*second));
}

struct OwnerCase {
  const char* name;
  bool setrootNamesSamePixmap;
  bool setrootPresent;
};

class RunningDesktopTest : public X11RootDesktopTest,
                           public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(RunningDesktopTest, NeverKillsAProgramThatStillOwnsTheBackground) {
  // Another program, still running, owns the background pixmap.
  Display* owner = XOpenDisplay(nullptr);
  ASSERT_NE(owner, nullptr);
  const Pixmap owned = XCreatePixmap(owner, root, 16, 16, 24);
  const Pixmap other = XCreatePixmap(owner, root, 16, 16, 24);
  XChangeProperty(owner, root, rootAtom, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&owned), 1);
  if (GetParam().setrootPresent) {
    const Pixmap named = GetParam().setrootNamesSamePixmap ? owned : other;
    XChangeProperty(owner, root, setrootAtom, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&named), 1);
  } else {
    XDeleteProperty(owner, root, setrootAtom);
  }
  XSync(owner, False);

  X11RootDesktop desktop(dir.path(), pictures);
  ASSERT_TRUE(desktop.setWallpaper(writePicture()).isOk());

  // With both atoms naming its pixmap the owner counts as an old setter and
  // is freed; otherwise it must live on.
  const bool expectKilled = GetParam().setrootPresent && GetParam().setrootNamesSamePixmap;
  EXPECT_EQ(pixmapAlive(owned), !expectKilled);
  if (!expectKilled) {
    XSync(owner, False);
    XCloseDisplay(owner);
  }
}

INSTANTIATE_TEST_SUITE_P(Owners, RunningDesktopTest,
                         ::testing::Values(OwnerCase{"only_xrootpmap", false, false},
                                           OwnerCase{"atoms_differ", false, true},
                                           OwnerCase{"atoms_equal", true, true}),
                         [](const ::testing::TestParamInfo<OwnerCase>& tested) {
                           return std::string(tested.param.name);
                         });

// Painted on its own thread while the file is written, a wallpaper shows
// only once it is set, and only as the pixels and layout it is set with: one
// dropped unset changes nothing, one made of other pixels or for another
// layout is passed over.
TEST_F(X11RootDesktopTest, APreparedWallpaperShowsOnlyWhenSetWithItsOwnPixels) {
  X11RootDesktop desktop(dir.path(), pictures);
  const std::string path = dir / "wallpaper.bmp";
  desktop.setLayout(WallpaperLayout::Centred);
  const Picture redLeft = redBlue(640, 480);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, redLeft, nullptr).isOk());
  const auto before = property(rootAtom);
  ASSERT_TRUE(before);
  Picture blueLeft(640, 480);
  for (int y = 0; y < 480; ++y)
    std::reverse_copy(redLeft.row(y), redLeft.row(y) + 640, blueLeft.row(y));

  auto dropped = desktop.prepareRenderedWallpaper(blueLeft, WallpaperLayout::Centred);
  ASSERT_NE(dropped, nullptr);
  dropped.reset();
  EXPECT_EQ(property(rootAtom), before);
  EXPECT_EQ(colourAt(0, 0), "red");

  auto prepared = desktop.prepareRenderedWallpaper(blueLeft, WallpaperLayout::Centred);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, blueLeft, std::move(prepared)).isOk());
  const auto shown = property(rootAtom);
  ASSERT_TRUE(shown);
  EXPECT_NE(*shown, *before);
  EXPECT_EQ(colourAt(0, 0), "blue");
  EXPECT_EQ(colourAt(639, 479), "red");
  EXPECT_TRUE(pixmapAlive(*shown)) << "retained after the painting connection closed";
  EXPECT_FALSE(pixmapAlive(*before)) << "the earlier pixmap leaks";

  // Prepared of the other pixels: the ones handed over are shown.
  prepared = desktop.prepareRenderedWallpaper(blueLeft, WallpaperLayout::Centred);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, redLeft, std::move(prepared)).isOk());
  EXPECT_EQ(colourAt(0, 0), "red");
  // Prepared tiled, set centred: black bands around the small picture.
  const Picture small = redBlue();
  prepared = desktop.prepareRenderedWallpaper(small, WallpaperLayout::Tiled);
  ASSERT_TRUE(desktop.setRenderedWallpaper(path, small, std::move(prepared)).isOk());
  EXPECT_EQ(colourAt(10, 10), "black");
  EXPECT_EQ(colourAt(250, 240), "red");
  // Zooming scales on the way, which is left to the set itself.
  EXPECT_EQ(desktop.prepareRenderedWallpaper(small, WallpaperLayout::Zoom), nullptr);
}

// Xlib's extension records are shared by every connection in the program:
// a wallpaper set anew while a prepared one for other pixels still paints
// must wait for it, or the two threads corrupt them now and then (a crash in
// malloc). The threads test runs this under helgrind, which sees every
// overlap.
TEST_F(X11RootDesktopTest, PreparedForOtherPixelsIsAwaitedBeforePaintingAnew) {
  X11RootDesktop desktop(dir.path(), pictures);
  const std::string path = dir / "wallpaper.bmp";
  desktop.setLayout(WallpaperLayout::Centred);
  const Picture red = redBlue(64, 48);
  const Picture other = redBlue(64, 48);
  for (int round = 0; round < 20; ++round) {
    auto prepared = desktop.prepareRenderedWallpaper(other, WallpaperLayout::Centred);
    ASSERT_TRUE(desktop.setRenderedWallpaper(path, red, std::move(prepared)).isOk());
  }
  EXPECT_EQ(colourAt(0, 0), "black");
  EXPECT_EQ(colourAt(300, 240), "red");
  EXPECT_EQ(colourAt(340, 240), "blue");
}

TEST(X11RootDesktopWithoutDisplay, IsUnavailableAndTouchesNothing) {
  const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  testing::TempDir dir;
  LinuxPictures pictures;
  X11RootDesktop desktop(dir.path(), pictures);
  const Status status = desktop.setWallpaper(dir.write("wallpaper.bmp", "BM"));
  setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_EQ(status.code, Status::Code::Unavailable);
}

TEST_F(X11RootDesktopTest, UnreadablePictureFailsBeforeAnyChange) {
  X11RootDesktop desktop(dir.path(), pictures);
  ASSERT_TRUE(desktop.setWallpaper(writePicture()).isOk());
  const auto before = property(rootAtom);
  const Status status = desktop.setWallpaper(dir.write("broken.bmp", "BM not really"));
  EXPECT_EQ(status.code, Status::Code::Failed);
  EXPECT_EQ(property(rootAtom), before);
}

}  // namespace
}  // namespace tivolen

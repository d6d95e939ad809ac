// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/apply.h"

#include <gtest/gtest.h>

#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using fake::layoutEvent;
using fake::messageEvent;
using fake::startEvent;
using fake::wallpaperEvent;

struct ApplyCase {
  const char* name;
  int style;
  bool launcherListed;
  bool launcherFileExists;
  WallpaperLayout layout;
  bool launcherStarts;
};

class ApplyTest : public ::testing::TestWithParam<ApplyCase> {
 protected:
  testing::TempDir dir;
  fake::FakePlatform fake{dir.path()};
};

TEST_P(ApplyTest, LayoutThenWallpaperThenLauncher) {
  const ApplyCase& c = GetParam();
  RunState state;
  state.currentStyle = c.style;
  state.launcherPresent = c.launcherListed;
  state.launcherPath = dir / "tools/launcher";
  if (c.launcherFileExists) dir.write("tools/launcher", "#!/bin/sh\n");
  const std::string wallpaper = dir.write("wallpaper.bmp", "BM");

  EXPECT_TRUE(ApplyWallpaper(fake.platform(), state, wallpaper).isOk());

  fake::EventLog expected{layoutEvent(c.layout), wallpaperEvent(wallpaper)};
  if (c.launcherStarts)
    expected.push_back(startEvent(dir / "tools/launcher", WindowState::Minimized));
  EXPECT_EQ(fake.events, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyTest,
    ::testing::Values(
        ApplyCase{"centred", 0, false, false, WallpaperLayout::Centred, false},
        ApplyCase{"tiled_small_picture", 1, false, false, WallpaperLayout::Tiled, false},
        ApplyCase{"stretched_with_launcher", 2, true, true, WallpaperLayout::Stretched, true},
        ApplyCase{"bitmap_cover_is_zoom", 4, true, true, WallpaperLayout::Zoom, true},
        ApplyCase{"launcher_file_missing", 0, true, false, WallpaperLayout::Centred, false},
        ApplyCase{"launcher_file_but_not_listed", 0, false, true, WallpaperLayout::Centred, false}),
    [](const ::testing::TestParamInfo<ApplyCase>& tested) {
      return std::string(tested.param.name);
    });

struct FailureCase {
  const char* name;
  Status status;
  std::string_view message;
};

class ApplyFailureTest : public ::testing::TestWithParam<FailureCase> {
 protected:
  testing::TempDir dir;
  fake::FakePlatform fake{dir.path()};
};

TEST_P(ApplyFailureTest, ReportsAndStartsNothing) {
  const FailureCase& c = GetParam();
  fake.desktop.failWith = c.status;
  RunState state;
  state.launcherPresent = true;
  state.launcherPath = dir.write("launcher", "#!/bin/sh\n");
  const std::string wallpaper = dir.write("wallpaper.bmp", "BM");

  EXPECT_EQ(ApplyWallpaper(fake.platform(), state, wallpaper).code, c.status.code);
  const std::vector<std::string> errors = fake.messages.details;

  EXPECT_EQ(fake.events, (fake::EventLog{layoutEvent(WallpaperLayout::Centred),
                                         wallpaperEvent(wallpaper), messageEvent(c.message)}));
  EXPECT_EQ(errors, std::vector<std::string>{c.status.message});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyFailureTest,
    ::testing::Values(
        FailureCase{"no_display", Status::unavailable("no X display"), text::kDesktopUnreachable},
        FailureCase{"refused", Status::failed("picture unreadable"), text::kDesktopRefused}),
    [](const ::testing::TestParamInfo<FailureCase>& tested) {
      return std::string(tested.param.name);
    });

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/fit_rule.h"

#include <gtest/gtest.h>

namespace tivolen {
namespace {

struct FitCase {
  const char* name;
  int width, height, screenWidth, screenHeight, style;
  FitKind kind;
  int expectedWidth, expectedHeight, expectedStyle;
};

class FitRuleTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitRuleTest, ChoosesLayoutAndSize) {
  const FitCase& c = GetParam();
  const Fit fit = FitPicture(c.width, c.height, c.screenWidth, c.screenHeight, c.style);
  EXPECT_EQ(fit.kind, c.kind);
  EXPECT_EQ(fit.width, c.expectedWidth);
  EXPECT_EQ(fit.height, c.expectedHeight);
  EXPECT_EQ(fit.style, c.expectedStyle);
}

constexpr FitKind kTile = FitKind::Tile;
constexpr FitKind kCentre = FitKind::Centre;
constexpr FitKind kScale = FitKind::Scale;

INSTANTIATE_TEST_SUITE_P(
    Cases, FitRuleTest,
    ::testing::Values(
        // Small pictures are tiled unchanged: 200 < 1024 / 4.
        FitCase{"small_fit", 200, 150, 1024, 768, 3, kTile, 200, 150, 1},
        FitCase{"small_cover", 200, 150, 1024, 768, 4, kTile, 200, 150, 1},
        FitCase{"small_by_height_only", 1000, 150, 1024, 768, 4, kTile, 1000, 150, 1},
        // Exactly a quarter is not small: 256 is not less than 1024 / 4.
        FitCase{"quarter_fit", 256, 192, 1024, 768, 3, kScale, 1024, 768, 0},
        FitCase{"quarter_cover", 256, 192, 1024, 768, 4, kScale, 1024, 768, 0},
        FitCase{"just_below_quarter", 255, 192, 1024, 768, 4, kTile, 255, 192, 1},
        // Within 1 % of the screen: centred unscaled.
        FitCase{"screen_sized_cover", 1020, 765, 1024, 768, 4, kCentre, 1020, 765, 0},
        FitCase{"screen_sized_fit", 1020, 765, 1024, 768, 3, kCentre, 1020, 765, 0},
        FitCase{"just_outside_one_percent", 1013, 768, 1024, 768, 3, kScale, 1013, 768, 0},
        // Equal aspect ratios count as taller: both styles give the screen.
        FitCase{"same_ratio_fit", 1600, 1200, 1024, 768, 3, kScale, 1024, 768, 0},
        FitCase{"same_ratio_cover", 1600, 1200, 1024, 768, 4, kScale, 1024, 768, 0},
        // Wider pictures: bands above and below, or sides cut off.
        FitCase{"wide_fit", 2000, 1000, 1024, 768, 3, kScale, 1024, 512, 0},
        FitCase{"wide_cover", 2000, 1000, 1024, 768, 4, kScale, 1536, 768, 0},
        FitCase{"very_wide_fit", 2048, 768, 1024, 768, 3, kScale, 1024, 384, 0},
        FitCase{"very_wide_cover", 2048, 768, 1024, 768, 4, kScale, 2048, 768, 0},
        // Taller pictures: bands left and right, or top and bottom cut off.
        FitCase{"portrait_fit", 1000, 2000, 1024, 768, 3, kScale, 384, 768, 0},
        FitCase{"portrait_cover", 1000, 2000, 1024, 768, 4, kScale, 1024, 2048, 0},
        // Screens wider than 2184 pixels, beyond the old 16-bit twips.
        FitCase{"uhd_camera_cover", 6000, 4000, 3840, 2160, 4, kScale, 3840, 2560, 0},
        FitCase{"uhd_camera_fit", 6000, 4000, 3840, 2160, 3, kScale, 3240, 2160, 0},
        FitCase{"uhd_screen_sized", 3810, 2145, 3840, 2160, 4, kCentre, 3810, 2145, 0},
        FitCase{"uhd_small", 900, 2000, 3840, 2160, 3, kTile, 900, 2000, 1},
        FitCase{"uhd_enlarged", 1920, 1080, 3840, 2160, 4, kScale, 3840, 2160, 0}),
    [](const ::testing::TestParamInfo<FitCase>& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace tivolen

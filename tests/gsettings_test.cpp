// SPDX-License-Identifier: GPL-3.0-or-later
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/linux/gsettings_desktop.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

// GSettings picks its store and schema folders once per process, so the
// whole binary runs on a keyfile in a temporary config folder, with a MATE
// schema compiled here (its package is not installed) beside the real GNOME
// one from gsettings-desktop-schemas.
class KeyfileSettings : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string schemas = root.mkdir("schemas");
    std::ofstream(schemas + "/org.mate.background.gschema.xml") << R"(<schemalist>
  <enum id="org.mate.background.options">
    <value nick="wallpaper" value="1"/><value nick="centered" value="2"/>
    <value nick="scaled" value="3"/><value nick="stretched" value="4"/>
    <value nick="zoom" value="5"/>
  </enum>
  <schema id="org.mate.background" path="/org/mate/desktop/background/">
    <key name="picture-filename" type="s"><default>''</default></key>
    <key name="picture-options" enum="org.mate.background.options"><default>'zoom'</default></key>
  </schema>
</schemalist>
)";
    ASSERT_EQ(std::system(("glib-compile-schemas '" + schemas + "'").c_str()), 0);
    setenv("GSETTINGS_SCHEMA_DIR", schemas.c_str(), 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", root.mkdir("config").c_str(), 1);
  }
  testing::TempDir root;
};

KeyfileSettings* const settingsEnvironment =
    static_cast<KeyfileSettings*>(::testing::AddGlobalTestEnvironment(new KeyfileSettings));

std::string readKey(const char* schema, const char* key) {
  std::unique_ptr<GSettings, decltype(&g_object_unref)> settings(g_settings_new(schema),
                                                                 g_object_unref);
  gchar* value = g_settings_get_string(settings.get(), key);
  std::string text = value;
  g_free(value);
  return text;
}

// Percent-encoding written out here, so the URI is not checked against the
// function that made it.
std::string fileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

std::vector<std::string> wallpaperCopies(const std::string& folder) {
  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("wallpaper-")) copies.push_back(entry.path().string());
  }
  return copies;
}

struct LayoutCase {
  const char* name;
  WallpaperLayout layout;
  const char* option;
};

class GnomeSettingsTest : public ::testing::TestWithParam<LayoutCase> {
 protected:
  testing::TempDir dir;
};

TEST_P(GnomeSettingsTest, WritesOptionsAndBothPictureKeys) {
  const LayoutCase& c = GetParam();
  // Spaces and non-ASCII in the application folder's path.
  const std::string appDir = dir.mkdir("アプリ フォルダ/壁紙 1");
  const std::string wallpaper = dir.write("アプリ フォルダ/壁紙 1/wallpaper.bmp", "BM first");

  GSettingsDesktop desktop(GSettingsFamily::Gnome, appDir);
  desktop.setLayout(c.layout);
  ASSERT_TRUE(desktop.setWallpaper(wallpaper).isOk());

  const std::vector<std::string> copies = wallpaperCopies(appDir);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(readKey("org.gnome.desktop.background", "picture-options"), c.option);
  EXPECT_EQ(readKey("org.gnome.desktop.background", "picture-uri"), fileUri(copies[0]));
  EXPECT_EQ(readKey("org.gnome.desktop.background", "picture-uri-dark"), fileUri(copies[0]));
  EXPECT_EQ(dir.read("アプリ フォルダ/壁紙 1/wallpaper.bmp"), "BM first");

  // The keys reached the store on disk, not only this process's cache.
  std::ifstream keyfile(settingsEnvironment->root / "config/glib-2.0/settings/keyfile");
  const std::string stored{std::istreambuf_iterator<char>(keyfile), {}};
  EXPECT_NE(stored.find("picture-options='" + std::string(c.option) + "'"), std::string::npos)
      << stored;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GnomeSettingsTest,
    ::testing::Values(LayoutCase{"centred", WallpaperLayout::Centred, "centered"},
                      LayoutCase{"tiled", WallpaperLayout::Tiled, "wallpaper"},
                      LayoutCase{"stretched", WallpaperLayout::Stretched, "stretched"},
                      LayoutCase{"zoom", WallpaperLayout::Zoom, "zoom"}),
    [](const ::testing::TestParamInfo<LayoutCase>& tested) {
      return std::string(tested.param.name);
    });

TEST(GSettingsDesktopTest, EachChangeGetsAFreshNameAndDropsTheOldOne) {
  testing::TempDir dir;
  const std::string wallpaper = dir.write("wallpaper.bmp", "BM one");
  GSettingsDesktop desktop(GSettingsFamily::Gnome, dir.path());
  ASSERT_TRUE(desktop.setWallpaper(wallpaper).isOk());
  const std::string first = readKey("org.gnome.desktop.background", "picture-uri");

  // Rewritten the way the renderer does it: a new file renamed over the old.
  dir.write("wallpaper.new", "BM two");
  std::filesystem::rename(dir / "wallpaper.new", wallpaper);
  ASSERT_TRUE(desktop.setWallpaper(wallpaper).isOk());
  const std::string second = readKey("org.gnome.desktop.background", "picture-uri");

  EXPECT_NE(first, second);
  const std::vector<std::string> copies = wallpaperCopies(dir.path());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(fileUri(copies[0]), second);
  std::ifstream copy(copies[0]);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "BM two");
  EXPECT_EQ(dir.read("wallpaper.bmp"), "BM two");
}

TEST(GSettingsDesktopTest, MateTakesAPlainFileName) {
  testing::TempDir dir;
  const std::string wallpaper = dir.write("my pictures/写真.bmp", "BM");
  GSettingsDesktop desktop(GSettingsFamily::Mate, dir.path());
  desktop.setLayout(WallpaperLayout::Tiled);
  ASSERT_TRUE(desktop.setWallpaper(wallpaper).isOk());
  const std::vector<std::string> copies = wallpaperCopies(dir.path());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(readKey("org.mate.background", "picture-filename"), copies[0]);
  EXPECT_EQ(readKey("org.mate.background", "picture-options"), "wallpaper");
}

TEST(GSettingsDesktopTest, MissingSchemaIsAClearErrorAndChangesNothing) {
  testing::TempDir dir;
  const std::string wallpaper = dir.write("wallpaper.bmp", "BM");
  GSettingsDesktop desktop(GSettingsFamily::Cinnamon, dir.path());
  const Status status = desktop.setWallpaper(wallpaper);
  EXPECT_EQ(status.code, Status::Code::Unavailable);
  EXPECT_NE(status.message.find("org.cinnamon.desktop.background"), std::string::npos);
  EXPECT_TRUE(wallpaperCopies(dir.path()).empty());
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linux_platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "common/texts.h"
#include "platform/linux/gui_application.h"
#include "platform/linux/qt_messages.h"
#include "platform/linux/qt_module.h"
#include "platform/linux/x11_keyboard.h"
#include "tests/private_x_server.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

// Sets or clears environment variables for one test and restores them.
class ScopedEnvironment {
 public:
  void set(const char* name, const char* value) {
    remember(name);
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void remember(const char* name) {
    for (const auto& entry : saved_) {
      if (entry.first == name) return;
    }
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

void withoutAnyDisplay(ScopedEnvironment& environment) {
  environment.set("DISPLAY", nullptr);
  environment.set("WAYLAND_DISPLAY", nullptr);
  environment.set("QT_QPA_PLATFORM", nullptr);
}

TEST(MessagesWithoutDisplay, GoToStandardErrorAsOneLineAndAnswerCautiously) {
  ScopedEnvironment environment;
  withoutAnyDisplay(environment);
  QtMessages messages{std::string(text::kChangerCaption)};

  struct Case {
    Buttons buttons;
    Answer answer;
  };
  for (const Case c : {Case{Buttons::Ok, Answer::Ok}, Case{Buttons::OkCancel, Answer::Cancel},
                       Case{Buttons::YesNo, Answer::No}}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(messages.show(text::kStartupShortcutCreated, c.buttons), c.answer);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "壁紙の変更: スタートアップにショートカットを作成しました。 / "
              "アンインストールの際はご注意ください。\n");
  }
}

TEST(GuiApplication, RefusesInsteadOfAbortingWhenNoDisplayCanBeReached) {
  ScopedEnvironment environment;
  withoutAnyDisplay(environment);
  EXPECT_FALSE(EnsureGuiApplication());
  // Asked for X11 by name while no X server answers: Qt itself would abort.
  environment.set("QT_QPA_PLATFORM", "xcb");
  environment.set("DISPLAY", ":9999");
  EXPECT_FALSE(EnsureGuiApplication());
}

TEST(LinuxPlatformTest, ApplicationDirectoryIsTheRunningProgramsFolder) {
  const std::string folder = RunningProgramDirectory();
  EXPECT_TRUE(std::filesystem::exists(folder + "/linux_platform_test"));
  EXPECT_NE(folder.back(), '/');

  ScopedEnvironment environment;
  withoutAnyDisplay(environment);
  LinuxPlatform linuxPlatform(text::kChangerCaption);
  EXPECT_EQ(linuxPlatform.platform().applicationDirectory, folder);
  EXPECT_EQ(linuxPlatform.platform().inAppDir("List.txt"), folder + "/List.txt");
  EXPECT_FALSE(linuxPlatform.platform().keyboard.shiftHeld());
}

// The changer's module missing (a copy of the program alone, a broken
// install): each part of the run that would need Qt ends the way it does
// without a display, and none of them crashes.
TEST(WithoutTheQtModule, EveryPartAnswersAsWithoutADisplay) {
  testing::TempDir dir;
  ScopedEnvironment environment;
  withoutAnyDisplay(environment);
  environment.set("XDG_CURRENT_DESKTOP", "XFCE");
  const std::string missing = dir / "libtivolen-qt.so";
  // An Xfce session needs the module at once, for its desktop back-end.
  ::testing::internal::CaptureStderr();
  LinuxPlatform linuxPlatform(text::kChangerCaption, std::make_shared<QtModule>(missing));
  Platform& platform = linuxPlatform.platform();
  const std::string opening = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(opening.find(missing), std::string::npos) << opening;

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(platform.messages.show(text::kStartupShortcutCreated, Buttons::OkCancel),
            Answer::Cancel);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("スタートアップにショートカットを作成しました"), std::string::npos) << said;
  // The module's failure is said once, not at every call.
  EXPECT_EQ(said.find(missing), std::string::npos) << said;

  const Status set = platform.desktop.setWallpaper(dir / "wallpaper.bmp");
  EXPECT_EQ(set.code, Status::Code::Unavailable) << set.message;

  // A GIF is Qt's alone: refused with the loader's reason, never taken as
  // "no picture".
  const std::string gif = dir / "one.gif";
  {
    std::ofstream out(gif, std::ios::binary);
    // 1 x 1, a two-colour table, one white pixel.
    const unsigned char bytes[] = {'G', 'I',  'F',  '8',  '9', 'a', 1, 0,    1,    0, 0x80, 0,
                                   0,   0xff, 0xff, 0xff, 0,   0,   0, ',',  0,    0, 0,    0,
                                   1,   0,    1,    0,    0,   2,   2, 0x44, 0x01, 0, ';'};
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
  const LoadedPicture loaded = platform.pictures.load(gif);
  EXPECT_FALSE(loaded.status.isOk());
  EXPECT_NE(loaded.status.message.find(missing), std::string::npos) << loaded.status.message;

  // Smooth scaling falls back to our own scalers: the size asked for, in
  // the picture's own colours.
  Picture halves(40, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) halves.row(y)[x] = x < 20 ? 0xffff0000U : 0xff0000ffU;
  }
  const Picture scaled = platform.pictures.drawScaled(halves, {0, 0, 40, 20}, {10, 5});
  ASSERT_EQ(scaled.width(), 10);
  ASSERT_EQ(scaled.height(), 5);
  EXPECT_EQ(scaled.row(2)[1], 0xffff0000U);
  EXPECT_EQ(scaled.row(2)[8], 0xff0000ffU);
  const Picture part = platform.pictures.drawScaled(halves, {20, 0, 20, 20}, {5, 5});
  ASSERT_EQ(part.width(), 5);
  EXPECT_EQ(part.row(2)[2], 0xff0000ffU);
}

// Both layouts the build can choose, with the data home from the environment
// as the XDG rules give it: a relative XDG_DATA_HOME is ignored.
TEST(DataDirectoryTest, PortableStaysBesideTheProgramsPackagedGoesToTheDataHome) {
  testing::TempDir root;
  struct Case {
    const char* name;
    DataLayout layout;
    std::optional<std::string> dataHome;
    std::string expected;
  };
  const Case cases[] = {
      {"portable", DataLayout::BesideThePrograms, root / "data", root / "programs"},
      {"packaged", DataLayout::UserDataFolder, root / "data", root / "data/tivolen"},
      {"packaged, relative data home", DataLayout::UserDataFolder, "data",
       root / "home/.local/share/tivolen"},
      {"packaged, no data home", DataLayout::UserDataFolder, std::nullopt,
       root / "home/.local/share/tivolen"},
  };
  PosixFileSystem files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const XdgSpecialFolders folders(files,
                                    [&](std::string_view name) -> std::optional<std::string> {
                                      if (name == "HOME") return root / "home";
                                      if (name == "XDG_DATA_HOME") return c.dataHome;
                                      return std::nullopt;
                                    });
    EXPECT_EQ(DataDirectory(c.layout, root / "programs", folders), c.expected);
    EXPECT_EQ(std::filesystem::is_directory(c.expected), c.layout == DataLayout::UserDataFolder);
    std::filesystem::remove_all(root / "home");
    std::filesystem::remove_all(root / "data");
  }
}

bool toolInstalled(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(X11KeyboardTest, ReadsShiftFromTheServersKeyMap) {
  if (!toolInstalled("Xvfb") || !toolInstalled("xdotool")) GTEST_SKIP() << "no Xvfb or xdotool";
  const testing::PrivateXServer server;
  ASSERT_FALSE(server.display().empty());
  ScopedEnvironment environment;
  environment.set("DISPLAY", server.display().c_str());
  environment.set("WAYLAND_DISPLAY", nullptr);

  const X11Keyboard keyboard;
  EXPECT_TRUE(X11DisplayReachable());
  EXPECT_FALSE(keyboard.shiftHeld());
  for (const char* key : {"Shift_L", "Shift_R"}) {
    ASSERT_EQ(std::system(("xdotool keydown " + std::string(key)).c_str()), 0);
    EXPECT_TRUE(keyboard.shiftHeld()) << key;
    ASSERT_EQ(std::system(("xdotool keyup " + std::string(key)).c_str()), 0);
    EXPECT_FALSE(keyboard.shiftHeld()) << key;
  }
  ASSERT_EQ(std::system("xdotool keydown Control_L"), 0);
  EXPECT_FALSE(keyboard.shiftHeld()) << "another modifier is not Shift";
  ASSERT_EQ(std::system("xdotool keyup Control_L"), 0);
}

}  // namespace
}  // namespace tivolen

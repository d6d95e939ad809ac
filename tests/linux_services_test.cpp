// SPDX-License-Identifier: GPL-3.0-or-later
#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "platform/fake/fake_platform.h"
#include "platform/linux/desktop_entry_shortcuts.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/posix_processes.h"
#include "platform/linux/xdg_special_folders.h"
#include "platform/shared/system_clock.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using testing::TempDir;

// Waits for a file that a started program writes; programs are not awaited.
bool waitForFile(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && info.st_size > 0) {
      // The writer may still be mid-line; give it a moment to finish.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// A program that records how it was started: its arguments, its working
// directory and its parent, next to itself.
std::string writeRecorder(const TempDir& dir, const std::string& folder) {
  const std::string program = dir.write(
      folder + "/Tivolen",
      "#!/bin/sh\n"
      "here=$(dirname \"$0\")\n"
      "{ echo \"args=$# $*\"; echo \"pwd=$(pwd)\"; echo \"ppid=$PPID\"; } > \"$here/.part\"\n"
      "mv \"$here/.part\" \"$here/started\"\n");
  chmod(program.c_str(), 0755);
  return program;
}

// Folder names with every character the entry format and a shell treat
// specially, plus Japanese.
const char* const kOddFolders[] = {
    "plain",
    "with space",
    "dollar $HOME and $(touch pwned)",
    "back`tick`",
    "double \"quote\"",
    "back\\slash",
    "single 'quote'",
    "percent 100% %f",
    "壁紙 フォルダ",
    "semi;colon & amp | pipe > gt",
};

TEST(DesktopEntryExec, QuotesByTheEntryRules) {
  struct Case {
    const char* program;
    const char* exec;
  };
  const Case cases[] = {
      {"/opt/t/Tivolen", R"("/opt/t/Tivolen")"},
      {"/home/a b/Tivolen", R"("/home/a b/Tivolen")"},
      {"/x/a\"b", R"("/x/a\\"b")"},
      {"/x/$HOME", R"("/x/\\$HOME")"},
      {"/x/`id`", R"("/x/\\`id\\`")"},
      {"/x/a\\b", R"("/x/a\\\\b")"},
      {"/x/100%", R"("/x/100%%")"},
      {"/home/花子/壁紙", R"("/home/花子/壁紙")"},
  };
  for (const Case& c : cases) EXPECT_EQ(desktopEntryExec(c.program), c.exec) << c.program;
}

TEST(DesktopEntryValue, EscapesControlsAndALeadingBlank) {
  EXPECT_EQ(escapeDesktopEntryValue("a\\b"), "a\\\\b");
  EXPECT_EQ(escapeDesktopEntryValue(" lead and inner"), "\\slead and inner");
  EXPECT_EQ(escapeDesktopEntryValue("line\nbreak\ttab\rcr"), "line\\nbreak\\ttab\\rcr");
  EXPECT_EQ(escapeDesktopEntryValue("壁紙変更"), "壁紙変更");
}

TEST(DesktopEntryText, NewEntryHasExactlyTheSixKeys) {
  EXPECT_EQ(composeDesktopEntry("", {"壁紙変更", "/opt/t/Tivolen", "/opt/t"}),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=壁紙変更\n"
            "Exec=\"/opt/t/Tivolen\"\n"
            "Path=/opt/t\n"
            "TryExec=/opt/t/Tivolen\nStartupWMClass=tivolen\n");
}

const ShortcutAction kNavigator{"navigator", "ナビゲーター", "--navigator"};

TEST(DesktopEntryText, ActionsGetTheirGroupsAndOthersAreKept) {
  const std::string fresh =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=壁紙変更\n"
      "Exec=\"/a b/Tivolen\"\n"
      "Path=/a b\n"
      "TryExec=/a b/Tivolen\nStartupWMClass=tivolen\n"
      "Actions=navigator;\n"
      "\n"
      "[Desktop Action navigator]\n"
      "Name=ナビゲーター\n"
      "Exec=\"/a b/Tivolen\" --navigator\n";
  EXPECT_EQ(composeDesktopEntry("", {"壁紙変更", "/a b/Tivolen", "/a b", {kNavigator}}), fresh);
  // Rewriting is stable, and the user's own action survives beside ours.
  EXPECT_EQ(composeDesktopEntry(fresh, {"壁紙変更", "/a b/Tivolen", "/a b", {kNavigator}}), fresh);
  const std::string moved =
      "[Desktop Entry]\nName=x\nActions=mine;navigator\n\n"
      "[Desktop Action navigator]\nName=old\nExec=/old/Tivolen --navigator\n\n"
      "[Desktop Action mine]\nName=Mine\nExec=/usr/bin/mine\n";
  EXPECT_EQ(composeDesktopEntry(moved, {"壁紙変更", "/new/Tivolen", "/new", {kNavigator}}),
            "[Desktop Entry]\nName=壁紙変更\nActions=mine;navigator;\nType=Application\n"
            "Exec=\"/new/Tivolen\"\nPath=/new\nTryExec=/new/Tivolen\nStartupWMClass=tivolen\n\n"
            "[Desktop Action mine]\nName=Mine\nExec=/usr/bin/mine\n\n"
            "[Desktop Action navigator]\nName=ナビゲーター\nExec=\"/new/Tivolen\" --navigator\n");
}

TEST(DesktopEntryText, RewriteKeepsOtherKeysAndGroups) {
  const std::string existing =
      "# made by hand\r\n"
      "[Desktop Entry]\r\n"
      "Type=Application\r\n"
      "Name=old\r\n"
      "Name[ja]=古い名前\r\n"
      "Icon=wallpaper\r\n"
      "Exec=/old/Tivolen\r\n"
      "Exec=/duplicate/Tivolen\r\n"
      "X-GNOME-Autostart-enabled=false\r\n"
      "\r\n"
      "[Desktop Action other]\r\n"
      "Name=Other\r\n"
      "Exec=/usr/bin/other\r\n";
  EXPECT_EQ(composeDesktopEntry(existing, {"壁紙変更", "/new/Tivolen", "/new"}),
            "# made by hand\n"
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=壁紙変更\n"
            "Name[ja]=古い名前\n"
            "Icon=wallpaper\n"
            "Exec=\"/new/Tivolen\"\n"
            "X-GNOME-Autostart-enabled=false\n"
            "Path=/new\n"
            "TryExec=/new/Tivolen\nStartupWMClass=tivolen\n"
            "\n"
            "[Desktop Action other]\n"
            "Name=Other\n"
            "Exec=/usr/bin/other\n");
}

TEST(DesktopEntryText, TheProgramAnEntryStartsIsReadBack) {
  // Entries this program writes, for names the Exec rules must escape.
  for (const char* program : {"/opt/t/Tivolen", "/home/a b/Tivolen", "/x/a\"b", "/x/$HOME",
                              "/x/`id`", "/x/a\\b", "/x/100%", " /lead", "/home/花子/壁紙"}) {
    EXPECT_EQ(desktopEntryTarget(composeDesktopEntry("", {"壁紙変更", program, "/opt/t"})),
              program);
  }
  // Entries of older versions or by hand: no TryExec, Exec quoted or bare,
  // blanks around "=", keys of other groups ignored.
  EXPECT_EQ(desktopEntryTarget("[Desktop Entry]\nExec=\"/old/place/Tivolen\"\nPath=/old\n"),
            "/old/place/Tivolen");
  EXPECT_EQ(desktopEntryTarget("[Desktop Entry]\nExec = /usr/bin/tivolen --x\n"),
            "/usr/bin/tivolen");
  EXPECT_EQ(desktopEntryTarget("[Other]\nExec=/a\n[Desktop Entry]\nName=x\n[Desktop Action n]\n"
                               "Exec=/b\n"),
            std::nullopt);
  EXPECT_EQ(desktopEntryTarget("not an entry"), std::nullopt);
}

TEST(DesktopEntryText, SomethingElseIsReplacedWhole) {
  EXPECT_EQ(composeDesktopEntry("\x7f\x45LF garbage\nName=x\n", {"n", "/a/b", "/a"}),
            "[Desktop "
            "Entry]\nType=Application\nName=n\nExec=\"/a/b\"\nPath=/a\nTryExec=/a/"
            "b\nStartupWMClass=tivolen\n");
}

class DesktopEntryFile : public ::testing::Test {
 protected:
  DesktopEntryFile() { folders.folders[SpecialFolder::Desktop] = dir / "Desktop"; }
  TempDir dir;
  PosixFileSystem files;
  fake::FakeSpecialFolders folders;
  DesktopEntryShortcuts shortcuts{files, folders};
};

TEST_F(DesktopEntryFile, CreatesTheFolderAndAnEntryOnlyTheDesktopRuns) {
  const std::string entry = dir / "config/autostart/壁紙変更.desktop";
  EXPECT_EQ(shortcuts.fileName("壁紙変更"), "壁紙変更.desktop");
  ASSERT_TRUE(shortcuts.write(entry, "/opt/t/Tivolen", "/opt/t").isOk());

  EXPECT_EQ(dir.read("config/autostart/壁紙変更.desktop"),
            "[Desktop Entry]\nType=Application\nName=壁紙変更\nExec=\"/opt/t/Tivolen\"\n"
            "Path=/opt/t\nTryExec=/opt/t/Tivolen\nStartupWMClass=tivolen\n");
  EXPECT_EQ(std::filesystem::directory_iterator(dir / "config/autostart")->path().filename(),
            "壁紙変更.desktop")
      << "no temporary file is left behind";

  // systemd's autostart generator warns about executable entries; file
  // managers run a launcher on the desktop only when it is executable. A
  // rewrite of an entry an older version made executable fixes its mode.
  const std::string launcher = dir / "Desktop/壁紙管理.desktop";
  ASSERT_TRUE(shortcuts.write(launcher, "/opt/t/管理", "/opt/t").isOk());
  chmod(entry.c_str(), 0755);
  ASSERT_TRUE(shortcuts.write(entry, "/opt/t/Tivolen", "/opt/t").isOk());
  const mode_t mask = umask(022);
  umask(mask);
  for (const auto& [path, mode] : {std::pair{entry, 0644 & ~mask}, {launcher, 0755 & ~mask}}) {
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, static_cast<mode_t>(mode)) << path;
  }
}

TEST_F(DesktopEntryFile, RewriteThroughTheServiceKeepsOtherKeys) {
  const std::string entry = dir.write("壁紙管理.desktop",
                                      "[Desktop Entry]\nType=Application\nName=x\n"
                                      "Comment=mine\nExec=/old\nPath=/old\n");
  ASSERT_TRUE(shortcuts.write(entry, "/new/管理", "/new").isOk());
  EXPECT_EQ(dir.read("壁紙管理.desktop"),
            "[Desktop Entry]\nType=Application\nName=壁紙管理\nComment=mine\n"
            "Exec=\"/new/管理\"\nPath=/new\nTryExec=/new/管理\nStartupWMClass=tivolen\n");
}

TEST_F(DesktopEntryFile, FolderThatCannotBeMadeFails) {
  // A file where the folder should be defeats even root.
  const std::string blocker = dir.write("autostart", "not a folder");
  const Status written = shortcuts.write(blocker + "/x.desktop", "/a/b", "/a");
  EXPECT_EQ(written.code, Status::Code::Failed);
  EXPECT_NE(written.message.find("autostart"), std::string::npos);
  EXPECT_EQ(dir.read("autostart"), "not a folder");
}

// The package ships one icon, in the icon theme, not beside the programs:
// the entries the programs write name that one.
TEST_F(DesktopEntryFile, InstalledIconIsNamedWhenNoneLiesBesideTheProgram) {
  const std::string icon = dir.write("share/icons/tivolen.svg", "<svg/>");
  const std::string app = dir.mkdir("lib/tivolen");
  DesktopEntryShortcuts installed{files, folders, icon};
  ASSERT_TRUE(installed.write(dir / "a.desktop", app + "/Tivolen", app).isOk());
  EXPECT_NE(dir.read("a.desktop").find("\nIcon=" + icon + "\n"), std::string::npos)
      << dir.read("a.desktop");
}

TEST_F(DesktopEntryFile, OddPathsPassTheValidator) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed";
  }
  for (const char* folder : kOddFolders) {
    const std::string app = dir.mkdir(folder);
    dir.write(std::string(folder) + "/tivolen.svg", "<svg/>");
    const std::string entry = dir / "壁紙変更.desktop";
    ASSERT_TRUE(shortcuts.write(entry, app + "/Tivolen", app, {kNavigator}).isOk());
    EXPECT_NE(dir.read("壁紙変更.desktop")
                  .find("\nIcon=" + escapeDesktopEntryValue(app) + "/tivolen.svg\n"),
              std::string::npos)
        << "menus and docks show the program's icon";
    // The validator's exit status is its verdict; its path is a plain argv.
    const std::string command = "desktop-file-validate '" + entry + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << folder << "\n" << dir.read("壁紙変更.desktop");
  }
}

// The real proof of the quoting: GLib launches the entry as a desktop would,
// and the program must start with no arguments in its working directory; its
// navigator action adds exactly the option. Once the program is gone, the
// entry is passed over instead of failing.
TEST_F(DesktopEntryFile, DesktopLaunchesTheEntryFromOddFolders) {
  for (const char* folder : kOddFolders) {
    // GLib 2.74 checks that the program exists before expanding "%%", so no
    // GLib-based launcher can start a program from a folder with "%" in its
    // name; the entry is still valid and other launchers expand it.
    if (std::string_view(folder).find('%') != std::string_view::npos) continue;
    const std::string app = dir.mkdir(folder);
    writeRecorder(dir, folder);
    const std::string entry = dir / (std::string(folder) + ".desktop");
    ASSERT_TRUE(shortcuts.write(entry, app + "/Tivolen", app, {kNavigator}).isOk());

    std::unique_ptr<GDesktopAppInfo, decltype(&g_object_unref)> info(
        g_desktop_app_info_new_from_filename(entry.c_str()), g_object_unref);
    ASSERT_NE(info, nullptr) << folder;
    GError* error = nullptr;
    ASSERT_TRUE(g_app_info_launch(G_APP_INFO(info.get()), nullptr, nullptr, &error))
        << folder << ": " << (error != nullptr ? error->message : "");
    ASSERT_TRUE(waitForFile(app + "/started")) << folder;
    std::string record = dir.read(std::string(folder) + "/started");
    EXPECT_NE(record.find("args=0 \n"), std::string::npos) << folder << "\n" << record;
    EXPECT_NE(record.find("pwd=" + app + "\n"), std::string::npos) << folder << "\n" << record;

    std::filesystem::remove(app + "/started");
    g_desktop_app_info_launch_action(info.get(), "navigator", nullptr);
    ASSERT_TRUE(waitForFile(app + "/started")) << folder;
    record = dir.read(std::string(folder) + "/started");
    EXPECT_NE(record.find("args=1 --navigator\n"), std::string::npos) << folder << "\n" << record;

    std::filesystem::remove(app + "/Tivolen");
    EXPECT_EQ(g_desktop_app_info_new_from_filename(entry.c_str()), nullptr) << folder;
  }
  EXPECT_FALSE(std::filesystem::exists("pwned"));
  EXPECT_FALSE(dir.exists("pwned"));
}

TEST(PosixProcessesTest, StartsTheProgramWithoutAShellOrArguments) {
  TempDir dir;
  PosixProcesses processes;
  for (const char* folder : kOddFolders) {
    const std::string program = writeRecorder(dir, folder);
    ASSERT_TRUE(processes.start(program, WindowState::Normal).isOk()) << folder;
    ASSERT_TRUE(waitForFile(dir / folder + "/started")) << folder;
    const std::string record = dir.read(std::string(folder) + "/started");
    EXPECT_NE(record.find("args=0 \n"), std::string::npos) << folder << "\n" << record;
    // Started through an intermediate that has already ended, so it is never
    // our child and can never linger as our zombie.
    EXPECT_EQ(record.find("ppid=" + std::to_string(getpid()) + "\n"), std::string::npos) << record;
  }
  EXPECT_FALSE(dir.exists("pwned"));
}

TEST(PosixProcessesTest, ReportsProgramsThatCannotStart) {
  TempDir dir;
  PosixProcesses processes;
  const std::string notExecutable = dir.write("plain.txt", "text");
  chmod(notExecutable.c_str(), 0644);

  const Status missing = processes.start(dir / "管理", WindowState::Normal);
  EXPECT_EQ(missing.code, Status::Code::Failed);
  EXPECT_NE(missing.message.find("管理"), std::string::npos);
  EXPECT_EQ(processes.start(notExecutable, WindowState::Normal).code, Status::Code::Failed);
  EXPECT_EQ(processes.start(dir.path(), WindowState::Normal).code, Status::Code::Failed);
  EXPECT_EQ(processes.start("", WindowState::Normal).code, Status::Code::Failed);
}

TEST(UserDirs, ReadsTheDesktopLineAsXdgUserDirsWritesIt) {
  struct Case {
    const char* name;
    const char* file;
    std::optional<std::string> desktop;
  };
  const Case cases[] = {
      {"Default", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/u/Desktop"},
      {"Japanese", "# comment\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\r\n", "/home/u/デスクトップ"},
      {"Absolute", "XDG_DESKTOP_DIR=\"/data/desk/\"\n", "/data/desk"},
      {"HomeItself", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/u"},
      {"Relative", "XDG_DESKTOP_DIR=\"desk\"\n", std::nullopt},
      {"OtherVariable", "XDG_DESKTOP_DIR=\"$HOMEDIR/x\"\n", std::nullopt},
      {"CommentedOut", "#XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", std::nullopt},
      {"OtherKeyOnly", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", std::nullopt},
      {"Unquoted", "XDG_DESKTOP_DIR=$HOME/Desktop\n", std::nullopt},
      {"EscapedQuote", "XDG_DESKTOP_DIR=\"$HOME/a\\\"b\"\n", "/home/u/a\"b"},
      {"LastWins", "XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", "/home/u/b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(userDirFromFile(c.file, "XDG_DESKTOP_DIR", "/home/u"), c.desktop) << c.name;
  }
}

class XdgFolders : public ::testing::Test {
 protected:
  XdgSpecialFolders folders() {
    return XdgSpecialFolders(files, [this](std::string_view name) -> std::optional<std::string> {
      const auto found = environment.find(std::string(name));
      if (found == environment.end()) return std::nullopt;
      return found->second;
    });
  }

  TempDir home;
  PosixFileSystem files;
  std::map<std::string, std::string> environment{{"HOME", home.path()}};
};

TEST_F(XdgFolders, DefaultsUnderTheHomeFolder) {
  const auto f = folders();
  EXPECT_EQ(f.path(SpecialFolder::Startup), home / ".config/autostart");
  EXPECT_EQ(f.path(SpecialFolder::Desktop), home / "Desktop");
  EXPECT_EQ(f.path(SpecialFolder::AppData), home / ".local/share");
  EXPECT_EQ(f.path(SpecialFolder::Applications), home / ".local/share/applications");
}

TEST_F(XdgFolders, FollowsTheBaseDirectoryVariables) {
  environment["XDG_CONFIG_HOME"] = home / "cfg/";
  environment["XDG_DATA_HOME"] = home / "data";
  home.write("cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n");
  const auto f = folders();
  EXPECT_EQ(f.path(SpecialFolder::Startup), home / "cfg/autostart");
  EXPECT_EQ(f.path(SpecialFolder::Desktop), home / "デスクトップ");
  EXPECT_EQ(f.path(SpecialFolder::AppData), home / "data");
  EXPECT_EQ(f.path(SpecialFolder::Applications), home / "data/applications");
}

TEST_F(XdgFolders, IgnoresRelativeBaseDirectories) {
  environment["XDG_CONFIG_HOME"] = "relative/cfg";
  environment["XDG_DATA_HOME"] = "";
  const auto f = folders();
  EXPECT_EQ(f.path(SpecialFolder::Startup), home / ".config/autostart");
  EXPECT_EQ(f.path(SpecialFolder::AppData), home / ".local/share");
}

TEST(SeedableRandomTest, SameSeedSameDrawsAllInsideTheUnitInterval) {
  SeedableRandom a(42);
  SeedableRandom b(42);
  SeedableRandom c(43);
  int differentFromC = 0;
  double sum = 0;
  std::set<float> distinct;
  for (int i = 0; i < 20000; ++i) {
    const float x = a.next();
    ASSERT_EQ(x, b.next());
    if (x != c.next()) ++differentFromC;
    ASSERT_GE(x, 0.0F);
    ASSERT_LT(x, 1.0F);
    sum += x;
    distinct.insert(x);
  }
  EXPECT_GT(differentFromC, 19000);
  EXPECT_NEAR(sum / 20000, 0.5, 0.01);
  EXPECT_GT(distinct.size(), 19000U);
}

TEST(SeedableRandomTest, ReseedingRepeatsTheSequence) {
  SeedableRandom random(7);
  const float first = random.next();
  const float second = random.next();
  random.seed(7);
  EXPECT_EQ(random.next(), first);
  EXPECT_EQ(random.next(), second);
}

}  // namespace
}  // namespace tivolen

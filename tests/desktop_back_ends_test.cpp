// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <wordexp.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/linux/back_ends.h"
#include "platform/linux/desktop_texts.h"
#include "platform/linux/linux_pictures.h"
#include "platform/linux/pcmanfm_desktop.h"
#include "platform/linux/plasma_desktop.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/sway_desktop.h"
#include "platform/linux/tool_runner.h"
#include "platform/linux/wallpaper_handover.h"
#include "platform/linux/xfce_desktop.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string readWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

// Puts stand-in programs first in PATH for one test.
class StandInPath {
 public:
  explicit StandInPath(const std::string& folder) : saved_(std::getenv("PATH")) {
    setenv("PATH", (folder + ":" + saved_).c_str(), 1);
  }
  ~StandInPath() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

// A shell script that records its arguments one per line, then exits with
// `exitCode`.
// Started with --desktop it stands in for the running desktop instead.
void writeRecorder(const TempDir& dir, const std::string& name, int exitCode) {
  const std::string path = dir.write(
      "bin/" + name,
      "#!/bin/sh\nif [ \"$1\" = --desktop ]; then sleep 10; exit 0; fi\n"
      "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
          (dir / "arguments") + "\"\necho refused >&2\nexit " + std::to_string(exitCode) + "\n");
  chmod(path.c_str(), 0755);
}

// A stand-in desktop process, ended with the test.
class RunningDesktop {
 public:
  explicit RunningDesktop(const std::string& program)
      : pid_(spawnDetached(program, {"--desktop"}).pid) {
    for (int i = 0; i < 200 && processName(pid_) != program; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~RunningDesktop() {
    if (pid_ > 0) kill(pid_, SIGKILL);
  }
  RunningDesktop(const RunningDesktop&) = delete;
  RunningDesktop& operator=(const RunningDesktop&) = delete;

 private:
  pid_t pid_;
};

std::vector<std::string> recordedArguments(const TempDir& dir) {
  std::vector<std::string> lines;
  std::istringstream in(readWhole(dir / "arguments"));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ToolRunner, ReportsHowTheProgramEnded) {
  struct Case {
    const char* name;
    std::string program;
    std::vector<std::string> arguments;
    Status::Code code;
    int exitCode;
    const char* output;
  };
  const Case cases[] = {
      {"success", "sh", {"-c", "echo hello"}, Status::Code::Ok, 0, "hello\n"},
      {"stderr_kept", "sh", {"-c", "echo oops >&2; exit 3"}, Status::Code::Failed, 3, "oops\n"},
      {"not_installed", "tivolen-no-such-tool", {}, Status::Code::Unavailable, -1, ""},
      {"killed_by_signal", "sh", {"-c", "kill -9 $$"}, Status::Code::Failed, -1, ""},
      // A helper left running must not hold us until it ends.
      {"helper_keeps_output_open",
       "sh",
       {"-c", "sleep 5 & echo done"},
       Status::Code::Ok,
       0,
       "done\n"},
  };
  for (const auto& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    const ToolRun run = runTool(c.program, c.arguments, 3s);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s) << c.name;
    EXPECT_EQ(run.status.code, c.code) << c.name << ": " << run.status.message;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.output, c.output) << c.name;
  }
}

TEST(ToolRunner, NamesAMissingProgramInTheMessage) {
  const ToolRun run = runTool("tivolen-no-such-tool", {}, 1s);
  EXPECT_EQ(run.status.message, std::string(text::kDesktopToolMissing) + "tivolen-no-such-tool");
}

TEST(ToolRunner, EndsAProgramThatOutlivesItsTimeWithEverythingItStarted) {
  TempDir dir;
  const std::string pidFile = dir / "helper.pid";
  const auto started = std::chrono::steady_clock::now();
  const ToolRun run = runTool("sh", {"-c", "sleep 30 & echo $! > \"$0\"; wait", pidFile}, 300ms);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_EQ(run.status.code, Status::Code::Failed);
  EXPECT_NE(run.status.message.find(text::kDesktopToolTimedOut), std::string::npos);
  const pid_t helper = std::stoi(readWhole(pidFile));
  for (int i = 0; i < 100 && !processName(helper).empty(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(processName(helper), "");
}

TEST(ToolRunner, DetachedProgramRunsOnByItsOwnId) {
  const Spawned spawned = spawnDetached("sleep", {"30"});
  ASSERT_TRUE(spawned.status.isOk()) << spawned.status.message;
  EXPECT_EQ(processName(spawned.pid), "sleep");
  kill(spawned.pid, SIGKILL);
  for (int i = 0; i < 100 && !processName(spawned.pid).empty(); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(processName(spawned.pid), "");

  const Spawned missing = spawnDetached("tivolen-no-such-tool", {});
  EXPECT_EQ(missing.status.code, Status::Code::Unavailable);
}

TEST(XfceBackdrop, WritesEveryMonitorAndWorkspaceThatIsThereAndTheReportedMonitors) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    std::vector<std::string> monitors;
    std::vector<std::string> expected;
  };
  const std::string s = "/backdrop/screen0/";
  const Case cases[] = {
      {"empty_channel", {}, {"HDMI-1"}, {s + "monitorHDMI-1/workspace0"}},
      {"existing_keys_kept",
       {s + "monitoreDP-1/workspace0/last-image", s + "monitoreDP-1/workspace2/image-style",
        s + "monitorDP-2/workspace1/last-image", "/backdrop/single-workspace-mode"},
       {"eDP-1"},
       {s + "monitorDP-2/workspace1", s + "monitoreDP-1/workspace0",
        s + "monitoreDP-1/workspace2"}},
      {"new_monitor_gets_the_workspaces_in_use",
       {s + "monitorscreen/workspace0/last-image", s + "monitorscreen/workspace3/last-image"},
       {"screen", "HDMI-2"},
       {s + "monitorHDMI-2/workspace0", s + "monitorHDMI-2/workspace3",
        s + "monitorscreen/workspace0", s + "monitorscreen/workspace3"}},
      {"other_screens_and_odd_keys_ignored",
       {"/backdrop/screen1/monitorX/workspace0/last-image", s + "monitorX/workspaceA/last-image",
        s + "monitorX/workspace99999/last-image", s + "monitorX/workspace1"},
       {},
       {}},
      {"unnamed_monitors_skipped", {}, {"", "a/b"}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(xfceBackdropFolders(c.keys, c.monitors), c.expected) << c.name;
  }
}

TEST(PlasmaScript, StringLiteralsAreAsciiAndExact) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "file:///home/a.bmp", "\"file:///home/a.bmp\""},
      {"quotes", "say \"hi\" 'x'", "\"say \\\"hi\\\" 'x'\""},
      {"backslash", "a\\b", "\"a\\\\b\""},
      {"japanese", "壁紙", "\"\\u58c1\\u7d19\""},
      {"outside_the_basic_plane", "\xF0\x9F\x98\x80", "\"\\ud83d\\ude00\""},
      {"line_breaks", "a\nb\u2028", "\"a\\u000ab\\u2028\""},
      {"script_end_tag", "</script>", "\"</script>\""},
  };
  for (const auto& c : cases) EXPECT_EQ(javaScriptString(c.text), c.expected) << c.name;
}

TEST(PlasmaScript, NamesTheFileAsAUrlWithReservedCharactersEncoded) {
  const std::string script = plasmaWallpaperScript("/tmp/a #1?/b%.bmp", WallpaperLayout::Zoom);
  EXPECT_NE(script.find("\"file:///tmp/a %231%3F/b%25.bmp\""), std::string::npos) << script;
  EXPECT_NE(script.find("var fillMode = 2;"), std::string::npos);
}

// sway takes the double quotes off and expands the rest as a shell word.
std::string asSwayReadsIt(const std::string& quoted) {
  std::string word = quoted.substr(1, quoted.size() - 2);
  wordexp_t expanded{};
  if (wordexp(word.c_str(), &expanded, WRDE_NOCMD) != 0) return "<wordexp refused>";
  std::string joined;
  for (std::size_t i = 0; i < expanded.we_wordc; ++i) {
    if (i > 0) joined += ' ';
    joined += expanded.we_wordv[i];
  }
  wordfree(&expanded);
  return joined;
}

TEST(SwayQuoting, EveryFileNameComesThroughUnchanged) {
  const std::string names[] = {
      "/home/u/wallpaper-1.png",
      "/home/u/My Pictures/壁紙/wallpaper-1.png",
      "/tmp/a \"q\" 'single' \\back $HOME ~ `cmd` $(cmd) ;|&<>(){}[]*?!#/w.png",
      "/tmp/two  spaces/w.png",
  };
  for (const auto& name : names) {
    const auto quoted = swayQuoted(name);
    ASSERT_TRUE(quoted) << name;
    EXPECT_EQ(quoted->find("  "), std::string::npos) << *quoted;
    EXPECT_EQ(asSwayReadsIt(*quoted), name) << *quoted;
  }
  EXPECT_FALSE(swayQuoted("/tmp/line\nbreak.png"));
}

QImage blocks(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.setPixelColor(x, y, x < width / 2 ? QColor(200, 0, 0) : QColor(0, 0, 200));
    }
  }
  return image;
}

TEST(WallpaperHandover, PngCopyHoldsThePictureUnderANewNameEachTime) {
  TempDir dir;
  const std::string bmp = dir / "wallpaper.bmp";
  ASSERT_TRUE(blocks(40, 20).save(QString::fromStdString(bmp), "BMP"));
  dir.write("wallpaper-12ab.png");
  dir.write("wallpaper.png");

  const FreshCopy first = makeFreshPngCopy(bmp, dir.path());
  const FreshCopy second = makeFreshPngCopy(bmp, dir.path());
  ASSERT_TRUE(first.status.isOk()) << first.status.message;
  ASSERT_TRUE(second.status.isOk()) << second.status.message;
  EXPECT_NE(first.path, second.path);
  const QImage back(QString::fromStdString(second.path), "PNG");
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888), blocks(40, 20));

  removeOtherPngCopies(dir.path(), second.path);
  std::vector<std::string> expected{std::filesystem::path(second.path).filename().string(),
                                    "wallpaper-12ab.png", "wallpaper.bmp", "wallpaper.png"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn(dir.path()), expected);
}

TEST(WallpaperHandover, CoverCopyFillsTheScreenKeepingTheMiddle) {
  TempDir dir;
  const std::string bmp = dir / "wallpaper.bmp";
  ASSERT_TRUE(blocks(400, 100).save(QString::fromStdString(bmp), "BMP"));
  const FreshCopy cover = makeFreshCoverCopy(bmp, dir.path(), 100, 100);
  ASSERT_TRUE(cover.status.isOk()) << cover.status.message;
  const QImage image(QString::fromStdString(cover.path));
  ASSERT_EQ(image.size(), QSize(100, 100));
  // The middle quarter of a red-then-blue picture: red left, blue right.
  EXPECT_EQ(image.pixelColor(10, 50), QColor(200, 0, 0));
  EXPECT_EQ(image.pixelColor(90, 50), QColor(0, 0, 200));
}

TEST(WallpaperHandover, UnreadablePictureLeavesNoFile) {
  TempDir dir;
  const std::string broken = dir.write("wallpaper.bmp", "BM but not a bitmap");
  const FreshCopy png = makeFreshPngCopy(broken, dir.path());
  EXPECT_EQ(png.status.code, Status::Code::Failed);
  EXPECT_NE(png.status.message.find(text::kWallpaperCopyFailed), std::string::npos);
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"wallpaper.bmp"});
}

TEST(PcmanfmDesktop, HandsAFreshCopyOverWithTheModeAndChecksTheAnswer) {
  struct Case {
    const char* name;
    PcmanfmFlavour flavour;
    WallpaperLayout layout;
    const char* program;
    const char* mode;
  };
  const Case cases[] = {
      {"lxqt_centred", PcmanfmFlavour::Qt, WallpaperLayout::Centred, "pcmanfm-qt", "center"},
      {"lxqt_tiled", PcmanfmFlavour::Qt, WallpaperLayout::Tiled, "pcmanfm-qt", "tile"},
      {"lxde_stretched", PcmanfmFlavour::Gtk, WallpaperLayout::Stretched, "pcmanfm", "stretch"},
      {"lxde_zoom_is_crop", PcmanfmFlavour::Gtk, WallpaperLayout::Zoom, "pcmanfm", "crop"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeRecorder(dir, c.program, 0);
    StandInPath path(dir / "bin");
    RunningDesktop running(c.program);
    const std::string app = dir / "app";
    std::filesystem::create_directory(app);
    const std::string picture = dir.write("app/wallpaper.bmp", "picture");

    fake::FixedScreen screen;
    PcmanfmDesktop desktop(c.flavour, app, screen);
    desktop.setLayout(c.layout);
    const Status status = desktop.setWallpaper(picture);
    ASSERT_TRUE(status.isOk()) << c.name << ": " << status.message;
    const auto arguments = recordedArguments(dir);
    ASSERT_EQ(arguments.size(), 4U) << c.name;
    EXPECT_EQ(arguments[0], "--set-wallpaper") << c.name;
    EXPECT_EQ(std::filesystem::path(arguments[1]).parent_path(), app) << c.name;
    EXPECT_EQ(readWhole(arguments[1]), "picture") << c.name;
    EXPECT_EQ(arguments[2], "--wallpaper-mode") << c.name;
    EXPECT_EQ(arguments[3], c.mode) << c.name;
  }
}

TEST(PcmanfmDesktop, RefusalIsReportedAndTheNewCopyRemoved) {
  TempDir dir;
  writeRecorder(dir, "pcmanfm", 1);
  StandInPath path(dir / "bin");
  RunningDesktop running("pcmanfm");
  const std::string app = dir / "app";
  std::filesystem::create_directory(app);
  const std::string picture = dir.write("app/wallpaper.bmp", "picture");
  dir.write("app/wallpaper-1.bmp", "the picture shown now");

  fake::FixedScreen screen;
  PcmanfmDesktop desktop(PcmanfmFlavour::Gtk, app, screen);
  const Status status = desktop.setWallpaper(picture);
  EXPECT_EQ(status.code, Status::Code::Failed);
  EXPECT_NE(status.message.find(text::kDesktopToolFailed), std::string::npos);
  EXPECT_NE(status.message.find("refused"), std::string::npos) << status.message;
  EXPECT_EQ(namesIn(app), (std::vector<std::string>{"wallpaper-1.bmp", "wallpaper.bmp"}));
}

TEST(PcmanfmDesktop, WithoutItsDesktopRunningNothingIsHandedOver) {
  TempDir dir;
  writeRecorder(dir, "pcmanfm-qt", 0);
  StandInPath path(dir / "bin");
  const std::string app = dir / "app";
  std::filesystem::create_directory(app);
  const std::string picture = dir.write("app/wallpaper.bmp", "picture");

  fake::FixedScreen screen;
  PcmanfmDesktop desktop(PcmanfmFlavour::Qt, app, screen, 300ms);
  const auto started = std::chrono::steady_clock::now();
  const Status status = desktop.setWallpaper(picture);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
  EXPECT_EQ(status.code, Status::Code::Unavailable);
  EXPECT_NE(status.message.find(text::kDesktopNotRunning), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "arguments"));
  EXPECT_EQ(namesIn(app), std::vector<std::string>{"wallpaper.bmp"});
}

TEST(SwayDesktop, SendsOneBgCommandForEveryOutput) {
  TempDir dir;
  writeRecorder(dir, "swaymsg", 0);
  StandInPath path(dir / "bin");
  const std::string app = dir / "my app";
  std::filesystem::create_directory(app);
  const std::string picture = app + "/wallpaper.bmp";
  ASSERT_TRUE(blocks(8, 4).save(QString::fromStdString(picture), "BMP"));

  SwayDesktop desktop(app);
  desktop.setLayout(WallpaperLayout::Zoom);
  ASSERT_TRUE(desktop.setWallpaper(picture).isOk());
  const auto arguments = recordedArguments(dir);
  ASSERT_EQ(arguments.size(), 5U);
  EXPECT_EQ(arguments[0], "output");
  EXPECT_EQ(arguments[1], "*");
  EXPECT_EQ(arguments[2], "bg");
  const std::string handedOver = asSwayReadsIt(arguments[3]);
  EXPECT_EQ(std::filesystem::path(handedOver).parent_path(), app);
  EXPECT_EQ(std::filesystem::path(handedOver).extension(), ".png");
  EXPECT_EQ(QImage(QString::fromStdString(handedOver)).convertToFormat(QImage::Format_RGB888),
            blocks(8, 4));
  EXPECT_EQ(arguments[4], "fill");
}

bool endsWithin(pid_t pid, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!processName(pid).empty()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

pid_t pidIn(const std::string& file) {
  const std::string text = readWhole(file);
  return text.empty() ? -1 : static_cast<pid_t>(std::stol(text));
}

// A stand-in swaybg keeps its name while it runs (a script, not exec).
void writeSwaybg(const TempDir& dir, const std::string& body) {
  const std::string path = dir.write("bin/swaybg", "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
}

TEST(SwaybgDesktop, EndsOnlyTheSwaybgItStartedBefore) {
  TempDir dir;
  writeSwaybg(dir, "sleep 10");
  StandInPath path(dir / "bin");
  const std::string app = dir / "app";
  std::filesystem::create_directory(app);
  const std::string picture = app + "/wallpaper.bmp";
  ASSERT_TRUE(blocks(8, 4).save(QString::fromStdString(picture), "BMP"));
  const std::string pidFile = app + "/swaybg.pid";

  // Whatever the file names now, a process that is no swaybg of ours stays.
  const Spawned decoy = spawnDetached("sleep", {"30"});
  const Spawned foreign = spawnDetached("swaybg", {"-i", "/elsewhere/wallpaper-1.png"});
  ASSERT_TRUE(decoy.status.isOk() && foreign.status.isOk());
  PosixFileSystem files;
  SwaybgDesktop desktop(app, files);
  for (const pid_t stranger : {decoy.pid, foreign.pid}) {
    std::ofstream(pidFile) << stranger << "\n";
    ASSERT_TRUE(desktop.setWallpaper(picture).isOk());
    EXPECT_FALSE(endsWithin(stranger, 100ms)) << processName(stranger);
    EXPECT_NE(pidIn(pidFile), stranger);
    EXPECT_EQ(processName(pidIn(pidFile)), "swaybg");
  }
  // The one our last change started ends once the next one runs.
  const pid_t previous = pidIn(pidFile);
  desktop.setLayout(WallpaperLayout::Tiled);
  ASSERT_TRUE(desktop.setWallpaper(picture).isOk());
  const pid_t current = pidIn(pidFile);
  EXPECT_TRUE(endsWithin(previous, 2s));
  EXPECT_EQ(processName(current), "swaybg");
  const std::string arguments = readWhole("/proc/" + std::to_string(current) + "/cmdline");
  EXPECT_NE(arguments.find(std::string("-m\0tile\0-c\0#000000", 17)), std::string::npos);

  for (const pid_t pid : {decoy.pid, foreign.pid, current}) kill(pid, SIGKILL);
}

TEST(SwaybgDesktop, ASwaybgThatEndsAtOnceIsAFailureAndKeepsThePrevious) {
  TempDir dir;
  writeSwaybg(dir, "exit 1");
  StandInPath path(dir / "bin");
  const std::string app = dir / "app";
  std::filesystem::create_directory(app);
  const std::string picture = app + "/wallpaper.bmp";
  ASSERT_TRUE(blocks(8, 4).save(QString::fromStdString(picture), "BMP"));
  dir.write("app/swaybg.pid", "12345\n");

  PosixFileSystem files;
  SwaybgDesktop desktop(app, files);
  const Status status = desktop.setWallpaper(picture);
  EXPECT_EQ(status.code, Status::Code::Failed);
  EXPECT_NE(status.message.find(text::kDesktopToolFailed), std::string::npos);
  EXPECT_EQ(namesIn(app), (std::vector<std::string>{"swaybg.pid", "wallpaper.bmp"}));
  EXPECT_EQ(readWhole(app + "/swaybg.pid"), "12345\n");
}

TEST(DesktopLoader, WithoutAnySessionTheChangerIsToldWhy) {
  const char* names[] = {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "DISPLAY"};
  std::vector<std::pair<std::string, std::string>> saved;
  for (const char* name : names) {
    if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
    unsetenv(name);
  }
  TempDir dir;
  PosixFileSystem files;
  fake::FixedScreen screen;
  LinuxPictures pictures;
  auto desktop = makeDesktop(dir.path(), {files, screen, pictures});
  desktop->setLayout(WallpaperLayout::Tiled);
  const Status status = desktop->setWallpaper(dir.write("wallpaper.bmp"));
  for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
  EXPECT_EQ(status.code, Status::Code::Unavailable);
  EXPECT_EQ(status.message, text::kNoDesktopSession);
}

}  // namespace
}  // namespace tivolen

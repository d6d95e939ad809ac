// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/sway_desktop.h"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/linux/desktop_texts.h"
#include "platform/linux/tool_runner.h"
#include "platform/linux/wallpaper_handover.h"

namespace tivolen {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kPidFileName = "swaybg.pid";

// swaybg ends at once when it cannot read the picture or reach the
// compositor; one still running after this long has taken over the outputs.
constexpr auto kSettleTime = 500ms;

bool runsAfter(pid_t pid, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (processName(pid) != "swaybg") return false;
    std::this_thread::sleep_for(25ms);
  }
  return processName(pid) == "swaybg";
}

std::string commandLine(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Ends the swaybg that the last change started, and nothing else: the id
// may have been reused since, so the process must still be a swaybg showing
// a picture from our folder.
void endPreviousSwaybg(const std::string& pidFile, const std::string& folder, pid_t current) {
  std::ifstream file(pidFile);
  long long previous = 0;
  if (!(file >> previous) || previous <= 1 || previous > std::numeric_limits<pid_t>::max() ||
      previous == current) {
    return;
  }
  const auto pid = static_cast<pid_t>(previous);
  if (processName(pid) != "swaybg") return;
  if (commandLine(pid).find(folder + "/wallpaper-") == std::string::npos) return;
  kill(pid, SIGTERM);
}

}  // namespace

std::string swaybgMode(WallpaperLayout layout) {
  switch (layout) {
    case WallpaperLayout::Centred:
      return "center";
    case WallpaperLayout::Tiled:
      return "tile";
    case WallpaperLayout::Stretched:
      return "stretch";
    case WallpaperLayout::Zoom:
      return "fill";
  }
  return "center";
}

std::optional<std::string> swayQuoted(const std::string& path) {
  // sway keeps backslashes as they are, takes the double quotes off, then
  // expands the name as a shell word (wordexp): every character the shell
  // could read is escaped for that last step. Two spaces in a row would be
  // touched by sway itself, but escaped ones are never in a row.
  std::string quoted = "\"";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return std::nullopt;  // no escape survives wordexp
    if (!std::isalnum(byte) && byte < 0x80 &&
        std::string_view("/._-+,@%:=").find(c) == std::string_view::npos) {
      quoted += '\\';
    }
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

SwayDesktop::SwayDesktop(std::string applicationDirectory)
    : applicationDirectory_(std::move(applicationDirectory)) {}

void SwayDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status SwayDesktop::setWallpaper(const std::string& path) {
  const FreshCopy png = makeFreshPngCopy(path, applicationDirectory_);
  if (!png.status.isOk()) return png.status;
  const auto quoted = swayQuoted(png.path);
  if (!quoted) {
    unlink(png.path.c_str());
    return Status::failed(std::string(text::kDesktopToolFailed) +
                          "\nswaymsg: a control character in " + png.path);
  }
  const ToolRun run = runTool("swaymsg", {"output", "*", "bg", *quoted, swaybgMode(layout_)}, 10s);
  if (!run.status.isOk()) {
    unlink(png.path.c_str());
    return run.status;
  }
  // sway has started its swaybg on the new file; the old ones are unused.
  removeOtherPngCopies(applicationDirectory_, png.path);
  return Status::ok();
}

SwaybgDesktop::SwaybgDesktop(std::string applicationDirectory, FileSystem& files)
    : applicationDirectory_(std::move(applicationDirectory)), files_(files) {}

void SwaybgDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status SwaybgDesktop::setWallpaper(const std::string& path) {
  const FreshCopy png = makeFreshPngCopy(path, applicationDirectory_);
  if (!png.status.isOk()) return png.status;
  const Spawned swaybg = spawnDetached(
      "swaybg", {"-o", "*", "-i", png.path, "-m", swaybgMode(layout_), "-c", "#000000"});
  if (!swaybg.status.isOk()) {
    unlink(png.path.c_str());
    return swaybg.status;
  }
  if (!runsAfter(swaybg.pid, kSettleTime)) {
    unlink(png.path.c_str());
    return Status::failed(std::string(text::kDesktopToolFailed) +
                          "\nswaybg ended at once (no Wayland compositor, or the picture was "
                          "refused)");
  }
  const std::string pidFile = applicationDirectory_ + "/" + std::string(kPidFileName);
  endPreviousSwaybg(pidFile, applicationDirectory_, swaybg.pid);
  if (Status saved = files_.writeFileAtomically(pidFile, std::to_string(swaybg.pid) + "\n");
      !saved.isOk()) {
    return saved;
  }
  // The old swaybg read its picture when it started; it no longer needs it.
  removeOtherPngCopies(applicationDirectory_, png.path);
  return Status::ok();
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/pcmanfm_desktop.h"

#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>

#include "platform/linux/desktop_texts.h"
#include "platform/linux/fresh_copy.h"
#include "platform/linux/tool_runner.h"
#include "platform/linux/wallpaper_handover.h"

namespace tivolen {

using namespace std::chrono_literals;

PcmanfmDesktop::PcmanfmDesktop(PcmanfmFlavour flavour, std::string applicationDirectory,
                               const Screen& screen, std::chrono::milliseconds desktopWait)
    : flavour_(flavour),
      applicationDirectory_(std::move(applicationDirectory)),
      screen_(screen),
      desktopWait_(desktopWait) {}

void PcmanfmDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

std::string pcmanfmMode(PcmanfmFlavour flavour, WallpaperLayout layout) {
  switch (layout) {
    case WallpaperLayout::Centred:
      return "center";
    case WallpaperLayout::Tiled:
      return "tile";
    case WallpaperLayout::Stretched:
      return "stretch";
    // pcmanfm calls covering the screen "crop", pcmanfm-qt "zoom".
    case WallpaperLayout::Zoom:
      return flavour == PcmanfmFlavour::Gtk ? "crop" : "zoom";
  }
  return "center";
}

Status PcmanfmDesktop::setWallpaper(const std::string& path) {
  const std::string program = flavour_ == PcmanfmFlavour::Qt ? "pcmanfm-qt" : "pcmanfm";
  // Without a running desktop, pcmanfm-qt drops the request and reports
  // success, and pcmanfm becomes a file manager that never ends.
  const auto deadline = std::chrono::steady_clock::now() + desktopWait_;
  while (!userRunsProgram(program, "--desktop")) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::unavailable(std::string(text::kDesktopNotRunning) + "\n" + program +
                                 " --desktop");
    }
    std::this_thread::sleep_for(200ms);
  }
  std::string mode = pcmanfmMode(flavour_, layout_);
  // Both keep the wallpaper they have when the file name and mode are
  // unchanged, whatever the file now holds.
  FreshCopy copy;
  const auto screen = flavour_ == PcmanfmFlavour::Qt && layout_ == WallpaperLayout::Zoom
                          ? screen_.size()
                          : std::nullopt;
  if (screen) {
    // pcmanfm-qt 1.2 lists "zoom" in its help but ignores it on the command
    // line; the picture is covered here and stretched there, which is the
    // same on a screen of that size.
    copy = makeFreshCoverCopy(path, applicationDirectory_, screen->width, screen->height);
    mode = "stretch";
  } else {
    copy = makeFreshWallpaperCopy(path, applicationDirectory_);
  }
  if (!copy.status.isOk()) {
    return Status::failed(std::string(text::kWallpaperCopyFailed) + "\n" + copy.status.message);
  }
  const ToolRun run =
      runTool(program, {"--set-wallpaper", copy.path, "--wallpaper-mode", mode}, 15s);
  if (!run.status.isOk()) {
    unlink(copy.path.c_str());
    return run.status;
  }
  removeOtherWallpaperCopies(applicationDirectory_, copy.path);
  return Status::ok();
}

}  // namespace tivolen

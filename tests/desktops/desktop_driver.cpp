// SPDX-License-Identifier: GPL-3.0-or-later
// Applies one picture through the desktop back-end the session environment
// selects, as the changer does, so the desktop tests can check the real
// desktop's response to each layout.
#include <iostream>
#include <map>
#include <string>

#include "platform/linux/back_ends.h"
#include "platform/linux/posix_file_system.h"

int main(int argc, char** argv) {
  using tivolen::WallpaperLayout;
  const std::map<std::string, WallpaperLayout> layouts{{"centred", WallpaperLayout::Centred},
                                                       {"tiled", WallpaperLayout::Tiled},
                                                       {"stretched", WallpaperLayout::Stretched},
                                                       {"zoom", WallpaperLayout::Zoom}};
  if (argc != 4 || !layouts.contains(argv[2])) {
    std::cerr << "usage: desktop_driver APPLICATION_DIRECTORY centred|tiled|stretched|zoom FILE\n";
    return 64;
  }
  tivolen::PosixFileSystem files;
  const auto screen = tivolen::makeScreen();
  const auto pictures = tivolen::makePictures();
  auto desktop = tivolen::makeDesktop(argv[1], {files, *screen, *pictures});
  desktop->setLayout(layouts.at(argv[2]));
  const tivolen::Status status = desktop->setWallpaper(argv[3]);
  if (status.isOk()) return 0;
  std::cerr << status.message << '\n';
  return status.code == tivolen::Status::Code::Unavailable ? 2 : 1;
}

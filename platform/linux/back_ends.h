#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/pictures.h"
#include "platform/services.h"

namespace tivolen {

// What desktop back-ends use of the platform, handed in so that none builds
// a second file system, screen or picture service of its own.
struct DesktopServices {
  FileSystem& files;
  const Screen& screen;
  Pictures& pictures;
};

// The desktop back-end chosen from the session's environment.
std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services);
std::unique_ptr<Pictures> makePictures();
// Xlib's view of the primary screen; no Qt application needed.
std::unique_ptr<Screen> makeScreen();

}  // namespace tivolen

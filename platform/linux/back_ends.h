// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/pictures.h"
#include "platform/services.h"

namespace tivolen {

class QtParts;
class QtPictureCodec;

// At log-on the changer may start before the desktop's own program is up,
// so its back-ends wait for it; a window the user works in must answer at
// once instead, and say that the desktop cannot be reached.
enum class DesktopWait { WhileStarting, Never };

// What desktop back-ends use of the platform, handed in so that none builds
// a second file system, screen or picture service of its own.
struct DesktopServices {
  FileSystem& files;
  const Screen& screen;
  Pictures& pictures;
  DesktopWait wait = DesktopWait::WhileStarting;
};

// The desktop back-end chosen from the session's environment; the desktops
// driven through Qt come from `qt`.
std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services, QtParts& qt);
std::unique_ptr<Pictures> makePictures(std::shared_ptr<QtPictureCodec> qt);
// Xlib's view of the primary screen; no Qt application needed.
std::unique_ptr<Screen> makeScreen(std::shared_ptr<QtParts> qt);

// The same with Qt linked in (the manager, the tests); defined with the Qt parts.
std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services);
std::unique_ptr<Pictures> makePictures();
std::unique_ptr<Screen> makeScreen();

}  // namespace tivolen

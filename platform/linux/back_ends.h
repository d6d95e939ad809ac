#pragma once

#include <memory>
#include <string>

#include "platform/pictures.h"
#include "platform/services.h"

namespace tivolen {

// The desktop back-end chosen from the session's environment.
std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory);
std::unique_ptr<Pictures> makePictures();
// Xlib's view of the primary screen; no Qt application needed.
std::unique_ptr<Screen> makeScreen();

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/back_ends.h"

#include "platform/linux/linux_pictures.h"
#include "platform/linux/x11_screen.h"

namespace tivolen {

std::unique_ptr<Pictures> makePictures() {
  return std::make_unique<LinuxPictures>();
}
std::unique_ptr<Screen> makeScreen() {
  return std::make_unique<X11Screen>();
}

}  // namespace tivolen

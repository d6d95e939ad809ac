// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/back_ends.h"

#include "platform/linux/linux_pictures.h"
#include "platform/linux/qt_parts.h"
#include "platform/linux/x11_screen.h"

namespace tivolen {

std::unique_ptr<Pictures> makePictures(std::shared_ptr<QtPictureCodec> qt) {
  return std::make_unique<LinuxPictures>(std::move(qt));
}
std::unique_ptr<Screen> makeScreen(std::shared_ptr<QtParts> qt) {
  return std::make_unique<X11Screen>(std::move(qt));
}

}  // namespace tivolen

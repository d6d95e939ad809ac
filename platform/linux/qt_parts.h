// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/back_ends.h"
#include "platform/linux/desktop_detect.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "platform/services.h"

namespace tivolen {

// What the picture service leaves to Qt: the formats only its image
// plugins read, and its smooth scaling where our own scalers stop.
class QtPictureCodec {
 public:
  virtual ~QtPictureCodec() = default;
  // Whether Qt knows `head` (a file's first bytes) as a picture.
  virtual bool recognisesPicture(std::string_view head) = 0;
  // The whole file `bytes` decoded, oriented and in our pixel layout.
  virtual LoadedPicture decodePicture(std::string_view bytes) = 0;
  // The whole-pixel part `left`, `top`, `width` x `height` of `picture`
  // resampled smoothly to `target`.
  virtual Picture drawScaled(const Picture& picture, int left, int top, int width, int height,
                             PictureSize target) = 0;
};

// Everything the changer needs of Qt, in one place: the changer starts
// without loading Qt at all (loading it costs more than a whole log-on run
// on a small wallpaper), and reaches these through a module opened only
// when one of them is needed. The manager and the tests link them.
class QtParts : public QtPictureCodec {
 public:
  // A modal box with `caption`; nothing when no display can be reached.
  virtual std::optional<Answer> showBox(std::string_view caption, std::string_view text,
                                        Buttons buttons) = 0;
  // The changer's navigator window, until the user closes it; the exit code.
  virtual int showNavigator(Platform& platform) = 0;
  // The primary screen of a Wayland session without X, in device pixels.
  virtual std::optional<ScreenSize> waylandScreenSize() = 0;
  // The back-end of a desktop driven through Qt (D-Bus, the desktop's own
  // tools fed by QImage); null when it cannot be had.
  virtual std::unique_ptr<Desktop> makeDesktop(DesktopKind kind,
                                               const std::string& applicationDirectory,
                                               const DesktopServices& services) = 0;
};

}  // namespace tivolen

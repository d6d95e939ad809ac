// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "platform/linux/qt_parts.h"

namespace tivolen {

// The desktops driven through Qt: Xfce and Plasma over D-Bus, pcmanfm and
// the sway tools fed pictures QImage writes. Null for the other kinds.
std::unique_ptr<Desktop> MakeQtDesktop(DesktopKind kind, const std::string& applicationDirectory,
                                       const DesktopServices& services);

// QtParts with Qt linked: the manager and the tests use it directly, the
// changer's module hands one out. The navigator is the changer's own and
// handed in; without one there is none to show.
class LinkedQtParts final : public QtParts {
 public:
  explicit LinkedQtParts(std::function<int(Platform&)> navigator = {})
      : navigator_(std::move(navigator)) {}

  bool recognisesPicture(std::string_view head) override;
  LoadedPicture decodePicture(std::string_view bytes) override;
  Picture drawScaled(const Picture& picture, int left, int top, int width, int height,
                     PictureSize target) override;
  std::optional<Answer> showBox(std::string_view caption, std::string_view text,
                                Buttons buttons) override;
  int showNavigator(Platform& platform) override;
  std::optional<ScreenSize> waylandScreenSize() override;
  std::unique_ptr<Desktop> makeDesktop(DesktopKind kind, const std::string& applicationDirectory,
                                       const DesktopServices& services) override;

 private:
  std::function<int(Platform&)> navigator_;
};

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/linux/qt_parts.h"

// The one entry of the module: a new QtParts, owned by the caller.
extern "C" tivolen::QtParts* tivolen_qt_parts_create();

namespace tivolen {

// QtParts from the module beside the program, opened at the first call that
// needs it; nothing of Qt is loaded before. When the module cannot be
// opened, that is said once on standard error and every call answers as
// without a display: no box, no navigator, no Qt-only picture (its failure
// carries the loader's reason), no Qt-driven desktop.
class QtModule final : public QtParts {
 public:
  explicit QtModule(std::string path);
  ~QtModule() override;
  QtModule(const QtModule&) = delete;
  QtModule& operator=(const QtModule&) = delete;

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

  // Why the module could not be opened; empty while it could, or was not tried.
  [[nodiscard]] const std::string& failure() const { return failure_; }

 private:
  QtParts* parts();

  std::string path_;
  void* handle_ = nullptr;
  std::unique_ptr<QtParts> parts_;
  std::string failure_;
};

// The module's file name, and where the running program finds it: beside
// itself, as it finds the manager.
extern const char* const kQtModuleFileName;
std::string QtModulePath();

}  // namespace tivolen

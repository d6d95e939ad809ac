// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/qt_module.h"

#include <dlfcn.h>

#include <iostream>

#include "platform/linux/environment.h"
#include "platform/linux/linux_platform.h"

namespace tivolen {

const char* const kQtModuleFileName = TIVOLEN_QT_MODULE_FILE_NAME;

std::string QtModulePath() {
  return RunningProgramDirectory() + "/" + kQtModuleFileName;
}

QtModule::QtModule(std::string path) : path_(std::move(path)) {}

QtModule::~QtModule() {
  parts_.reset();
  // Opened with RTLD_NODELETE: pictures and desktops made by the module may
  // outlive this object, and Qt's application object is never torn down,
  // so the code stays mapped; closing only gives the handle back.
  if (handle_ != nullptr) dlclose(handle_);
}

QtParts* QtModule::parts() {
  if (parts_ != nullptr) return parts_.get();
  if (!failure_.empty()) return nullptr;
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    failure_ = why != nullptr ? why : path_ + ": cannot be opened";
  } else if (auto* entry = reinterpret_cast<decltype(&tivolen_qt_parts_create)>(
                 dlsym(handle_, "tivolen_qt_parts_create"));
             entry == nullptr) {
    const char* why = dlerror();
    failure_ = why != nullptr ? why : path_ + ": no entry";
  } else {
    parts_.reset(entry());
    if (parts_ == nullptr) failure_ = path_ + ": the module gave nothing";
  }
  if (parts_ != nullptr) return parts_.get();
  std::cerr << "Tivolen: the Qt module cannot be loaded, going on without it: " << failure_
            << std::endl;
  return nullptr;
}

bool QtModule::recognisesPicture(std::string_view head) {
  // Without the module the decoder's failure, which carries the reason,
  // is the better message than "not a picture".
  QtParts* qt = parts();
  return qt == nullptr || qt->recognisesPicture(head);
}

LoadedPicture QtModule::decodePicture(std::string_view bytes) {
  if (QtParts* qt = parts()) return qt->decodePicture(bytes);
  return LoadedPicture::failed("this kind of picture is read by the Qt module: " + failure_);
}

Picture QtModule::drawScaled(const Picture& picture, int left, int top, int width, int height,
                             PictureSize target) {
  if (QtParts* qt = parts()) return qt->drawScaled(picture, left, top, width, height, target);
  return {};
}

std::optional<Answer> QtModule::showBox(std::string_view caption, std::string_view text,
                                        Buttons buttons) {
  // With no display named at all (a run before log-on, a console) Qt could
  // show nothing, and loading it would only cost time.
  const auto named = [](std::string_view name) {
    const std::optional<std::string> value = processEnvironment(name);
    return value && !value->empty();
  };
  if (!named("DISPLAY") && !named("WAYLAND_DISPLAY") && !named("QT_QPA_PLATFORM")) {
    return std::nullopt;
  }
  if (QtParts* qt = parts()) return qt->showBox(caption, text, buttons);
  return std::nullopt;
}

int QtModule::showNavigator(Platform& platform) {
  if (QtParts* qt = parts()) return qt->showNavigator(platform);
  return 1;
}

std::optional<ScreenSize> QtModule::waylandScreenSize() {
  if (QtParts* qt = parts()) return qt->waylandScreenSize();
  return std::nullopt;
}

std::unique_ptr<Desktop> QtModule::makeDesktop(DesktopKind kind,
                                               const std::string& applicationDirectory,
                                               const DesktopServices& services) {
  if (QtParts* qt = parts()) return qt->makeDesktop(kind, applicationDirectory, services);
  return nullptr;
}

}  // namespace tivolen

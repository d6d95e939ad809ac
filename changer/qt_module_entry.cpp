// SPDX-License-Identifier: GPL-3.0-or-later
// The changer's Qt module: everything the changer needs of Qt, opened by
// QtModule only when a run needs it.
#include "changer/navigator_window.h"
#include "platform/linux/linked_qt_parts.h"
#include "platform/linux/qt_module.h"

extern "C" __attribute__((visibility("default"))) tivolen::QtParts* tivolen_qt_parts_create() {
  return new tivolen::LinkedQtParts(tivolen::ShowNavigator);
}

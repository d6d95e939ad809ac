// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace tivolen::manager {

// Qt's own texts (standard buttons of message boxes, context menus of text
// boxes) in Japanese like the rest of the window, whatever the system
// language. False when the translation is not installed: they stay English.
bool InstallJapaneseQtTexts(QCoreApplication& application);

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tivolen {

// Makes sure a QApplication exists, creating it on first need. A normal run of
// the changer never shows a window, and starting a toolkit costs more than the
// whole run, so nothing creates one up front. Returns false when no display
// can be reached (no X server, no usable Wayland plugin): Qt would abort the
// program there, and our programs must end cleanly instead.
bool EnsureGuiApplication();

}  // namespace tivolen

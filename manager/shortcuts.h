// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/status.h"

namespace tivolen::manager {

// The folder that takes the menu entry of old quick-launch shortcuts (the
// desktop's applications folder here); empty when it cannot be found.
std::string QuickLaunchFolder(const Platform& platform);

// Creates "壁紙変更" to the changer in `folder` unless one is there: true
// when it was created, false when one was there already. Unavailable when
// the folder is missing and may not be created; Failed when the shortcut
// could not be written.
Result<bool> CreateShortcutIn(Platform& platform, const std::string& folder, bool createFolder);

// Rewrites the startup entry to the changer of this application directory.
[[nodiscard]] Status WriteStartupShortcut(Platform& platform);
[[nodiscard]] Status WriteDesktopShortcut(Platform& platform);
// The shortcut's failure as the manager shows it: the reason follows the text.
void ShowShortcutFailure(Platform& platform, const Status& failure);

// The click handlers that ask and tell as they go.
void RemoveStartupShortcut(Platform& platform);
void CreateQuickLaunchShortcut(Platform& platform);

// True when the startup entry may be pointed at this folder's changer:
// always, unless it starts the changer of another install that is still
// there, which the user is asked about first.
bool MayTakeOverStartupShortcut(Platform& platform);

// A build with its own data folder, started without a list there, offers
// the list of the install whose changer the autostart entry starts.
void OfferListOfOtherInstall(Platform& platform);

// Before the list loads: an existing startup entry is pointed at this
// directory (asking first when it belongs to another install), and a
// missing menu entry is offered.
void CheckShortcutsAtStart(Platform& platform);

}  // namespace tivolen::manager

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/edit_form.h"
#include "platform/instance_lock.h"

namespace tivolen::manager {

// frmEdit as a plain Win32 window over the form: opens it, runs its message
// loop until the window closes and returns the program's exit code. Once
// shown, the window is named to `instanceLock` for later starts to bring
// forward.
int RunWin32FrmEdit(EditForm& form, InstanceLock* instanceLock = nullptr);

}  // namespace tivolen::manager

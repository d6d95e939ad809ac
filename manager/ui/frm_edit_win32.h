#pragma once

#include "manager/edit_form.h"

namespace tivolen::manager {

// frmEdit as a plain Win32 window over the form: opens it, runs its message
// loop until the window closes and returns the program's exit code.
int RunWin32FrmEdit(EditForm& form);

}  // namespace tivolen::manager

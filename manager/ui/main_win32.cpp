// SPDX-License-Identifier: GPL-3.0-or-later
#include <exception>

#include "common/texts.h"
#include "common/unexpected_failure.h"
#include "manager/edit_form.h"
#include "manager/single_manager.h"
#include "manager/ui/frm_edit_win32.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_instance_lock.h"
#include "platform/windows/win32_services.h"
#include "platform/windows/windows_platform.h"

int wmain() {
  try {
    tivolen::WindowsPlatform windowsPlatform(tivolen::text::kManagerCaption);
    tivolen::Win32InstanceLock instanceLock;
    tivolen::Platform& platform = windowsPlatform.platform();
    if (tivolen::manager::ClaimList(instanceLock, platform.messages, platform.dataFolder()) ==
        tivolen::manager::StartChoice::Leave) {
      return 0;
    }
    tivolen::manager::EditForm form(platform);
    return tivolen::manager::RunWin32FrmEdit(form, &instanceLock);
  } catch (const std::exception& error) {
    tivolen::Win32Messages messages{tivolen::Widen(tivolen::text::kManagerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, error.what(), tivolen::FailureBox::Show);
  } catch (...) {
    tivolen::Win32Messages messages{tivolen::Widen(tivolen::text::kManagerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, "unexpected failure",
                                           tivolen::FailureBox::Show);
  }
}

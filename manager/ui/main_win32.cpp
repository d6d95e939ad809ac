// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <exception>

#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/single_manager.h"
#include "manager/ui/frm_edit_win32.h"
#include "platform/windows/win32_instance_lock.h"
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
    std::fprintf(stderr, "管理: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fputs("管理: unexpected failure\n", stderr);
    return 1;
  }
}

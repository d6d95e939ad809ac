// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/task_scheduler.h"

#include <windows.h>
// After windows.h, which they build on.
#include <oleauto.h>
#include <taskschd.h>

#include <cstdio>

#include "common/schedule.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/wide_text.h"

namespace tivolen {
namespace {

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : text_(SysAllocString(text.c_str())) {}
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(text_); }
  BSTR get() const { return text_; }
  BSTR* out() { return &text_; }
  std::string narrow() const { return Narrow(std::wstring_view(text_, SysStringLen(text_))); }

 private:
  BSTR text_ = nullptr;
};

Status failure(std::string_view what, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(result));
  return Status::failed("Task Scheduler: " + std::string(what) + " failed with " + code);
}

VARIANT empty() {
  VARIANT value;
  VariantInit(&value);
  return value;
}

// The root folder of a connected Task Scheduler.
Status rootFolder(ComPtr<ITaskFolder>& folder) {
  ComPtr<ITaskService> service;
  HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskService, reinterpret_cast<void**>(service.out()));
  if (FAILED(result)) return failure("CoCreateInstance", result);
  result = service->Connect(empty(), empty(), empty(), empty());
  if (FAILED(result)) return failure("Connect", result);
  const Bstr root(L"\\");
  result = service->GetFolder(root.get(), folder.out());
  if (FAILED(result)) return failure("GetFolder", result);
  return Status::ok();
}

bool notFound(HRESULT result) {
  return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

}  // namespace

SchedulerReadiness Win32TaskScheduler::readiness(std::string& why) {
  const ComScope com;
  ComPtr<ITaskFolder> folder;
  if (const Status found = rootFolder(folder); !found.isOk()) {
    why = found.message;
    return SchedulerReadiness::NoScheduler;
  }
  return SchedulerReadiness::Ready;
}

std::optional<Schedule> Win32TaskScheduler::installed(const ScheduledProgram& program) {
  const ComScope com;
  ComPtr<ITaskFolder> folder;
  if (!rootFolder(folder).isOk()) return Schedule{};
  const Bstr name(Widen(ScheduleName(program.program)));
  ComPtr<IRegisteredTask> task;
  const HRESULT result = folder->GetTask(name.get(), task.out());
  if (notFound(result)) return Schedule{};
  if (FAILED(result)) return std::nullopt;
  Bstr xml;
  if (FAILED(task->get_Xml(xml.out())) || xml.get() == nullptr) return std::nullopt;
  return ScheduleOfTaskDefinition(xml.narrow());
}

Status Win32TaskScheduler::install(const ScheduledProgram& program, const Schedule& schedule) {
  const ComScope com;
  ComPtr<ITaskFolder> folder;
  if (Status found = rootFolder(folder); !found.isOk()) {
    // With no scheduler there is no task to remove either.
    return schedule.kind == ScheduleKind::Off ? Status::ok() : found;
  }
  const Bstr name(Widen(ScheduleName(program.program)));
  if (schedule.kind == ScheduleKind::Off) {
    const HRESULT result = folder->DeleteTask(name.get(), 0);
    if (FAILED(result) && !notFound(result)) return failure("DeleteTask", result);
    return Status::ok();
  }
  if (const std::string why = UnschedulablePath(program.program); !why.empty()) {
    return Status::failedAt(program.program, why);
  }
  const LocalTime now = clock_.now().value_or(LocalTime{{2000, 1, 1}, 0, 0, 0});
  const Bstr xml(Widen(TaskDefinitionXml(program, schedule, now)));
  ComPtr<IRegisteredTask> task;
  const HRESULT result =
      folder->RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, empty(), empty(),
                           TASK_LOGON_INTERACTIVE_TOKEN, empty(), task.out());
  if (FAILED(result)) return failure("RegisterTask", result);
  // Registered is not yet kept: a scheduler may store only the parts of the
  // definition it knows, and a task without its trigger or program would
  // stand there set and never run.
  Bstr kept;
  if (FAILED(task->get_Xml(kept.out())) || kept.get() == nullptr ||
      !TaskDefinitionRuns(kept.narrow(), program, schedule)) {
    folder->DeleteTask(name.get(), 0);
    return Status::failed(
        "タスク スケジューラーがタスクを登録しましたが、実行する時刻かプログラムが保存されません"
        "でした");
  }
  return Status::ok();
}

}  // namespace tivolen

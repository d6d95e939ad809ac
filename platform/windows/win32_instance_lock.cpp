// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_instance_lock.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

#include "platform/windows/wide_text.h"

namespace tivolen {
namespace {

constexpr DWORD kAnswerMs = 5000;
constexpr DWORD kPollMs = 100;

// FNV-1a over the folder's full path in upper case, as Windows names one
// folder in any case: the same name for the same folder in every build.
std::wstring folderHash(const std::string& dataFolder) {
  const std::wstring given = Widen(dataFolder);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(length == 0 ? 0 : length);
  if (full.empty()) full = given;
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  std::uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t c : full) {
    hash ^= static_cast<std::uint16_t>(c);
    hash *= 1099511628211ULL;
  }
  wchar_t text[17];
  std::swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::wstring mutexName(const std::string& dataFolder) {
  return L"Local\\TivolenManager-" + folderHash(dataFolder);
}
std::wstring windowName(const std::string& dataFolder) {
  return L"Local\\TivolenManagerWindow-" + folderHash(dataFolder);
}

}  // namespace

InstanceLock::Claim Win32InstanceLock::claim(const std::string& dataFolder) {
  if (mutex_) return Claim::Held;
  UniqueHandle mutex = AdoptHandle(CreateMutexW(nullptr, FALSE, mutexName(dataFolder).c_str()));
  if (!mutex) return Claim::Unavailable;
  if (GetLastError() == ERROR_ALREADY_EXISTS) return Claim::Taken;
  mutex_ = std::move(mutex);
  window_ = AdoptHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(std::uint64_t), windowName(dataFolder).c_str()));
  return Claim::Held;
}

bool Win32InstanceLock::askHolderToShow(const std::string& dataFolder) {
  // The holder names its window once it is shown; its start-up may still be
  // loading the list.
  for (DWORD waited = 0; waited <= kAnswerMs; waited += kPollMs) {
    UniqueHandle mapping =
        AdoptHandle(OpenFileMappingW(FILE_MAP_READ, FALSE, windowName(dataFolder).c_str()));
    if (mapping) {
      const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(std::uint64_t));
      std::uint64_t value = 0;
      if (view != nullptr) {
        value = *static_cast<const volatile std::uint64_t*>(view);
        UnmapViewOfFile(view);
      }
      HWND holder = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
      if (holder != nullptr && IsWindow(holder) != 0) {
        if (IsIconic(holder) != 0) ShowWindow(holder, SW_RESTORE);
        SetForegroundWindow(holder);
        return true;
      }
    }
    Sleep(kPollMs);
  }
  return false;
}

void Win32InstanceLock::serve(std::function<void()> /*show*/, std::uintptr_t nativeWindow) {
  if (!window_) return;
  void* view = MapViewOfFile(window_.get(), FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t));
  if (view == nullptr) return;
  *static_cast<volatile std::uint64_t*>(view) = static_cast<std::uint64_t>(nativeWindow);
  UnmapViewOfFile(view);
}

}  // namespace tivolen

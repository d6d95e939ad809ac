// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "common/folder_order.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_handle.h"

namespace tivolen {
namespace {

constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

Status lastErrorAt(std::string_view where) {
  return Status::failedAt(where, SystemErrorText(GetLastError()));
}

}  // namespace

Win32FileSystem::Win32FileSystem(unsigned systemCodePage) : systemCodePage_(systemCodePage) {}

unsigned Win32FileSystem::SystemLocaleCodePage() {
  DWORD codePage = 0;
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<LPWSTR>(&codePage),
                     sizeof(codePage) / sizeof(wchar_t)) == 0) {
    return 0;
  }
  return codePage;
}

bool Win32FileSystem::fileExists(const std::string& path) const {
  const DWORD found = GetFileAttributesW(WidePath(path).c_str());
  return found != INVALID_FILE_ATTRIBUTES &&
         (found & (FILE_ATTRIBUTE_DIRECTORY | kHiddenOrSystem)) == 0;
}

bool Win32FileSystem::isExecutable(const std::string& path) const {
  const DWORD found = GetFileAttributesW(WidePath(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES || (found & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // CreateProcessW starts programs and command scripts, nothing else.
  std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  std::transform(ending.begin(), ending.end(), ending.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return ending == ".exe" || ending == ".com" || ending == ".bat" || ending == ".cmd";
}

bool Win32FileSystem::folderExists(const std::string& path) const {
  const DWORD found = GetFileAttributesW(WidePath(path).c_str());
  return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<int> Win32FileSystem::attributes(const std::string& path) const {
  const DWORD found = GetFileAttributesW(WidePath(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<int>(found & 0xFFFF);
}

std::optional<FolderIdentity> Win32FileSystem::folderIdentity(const std::string& folder) const {
  // The volume serial and file index name a folder whatever junction led
  // there; FILE_FLAG_BACKUP_SEMANTICS opens folders.
  const UniqueHandle handle = AdoptHandle(CreateFileW(
      WidePath(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
  return FolderIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<std::int64_t> Win32FileSystem::fileSize(const std::string& path) const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
}

std::optional<std::vector<FolderEntry>> Win32FileSystem::listFolder(
    const std::string& folder) const {
  std::wstring pattern = WidePath(folder);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (raw == INVALID_HANDLE_VALUE) {
    // An empty root of a drive has no entry at all, not even ".".
    return GetLastError() == ERROR_FILE_NOT_FOUND ? std::optional(std::vector<FolderEntry>{})
                                                  : std::nullopt;
  }
  struct FindCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
  };
  const std::unique_ptr<void, FindCloser> find(raw);
  std::vector<FolderEntry> entries;
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back({Narrow(name), static_cast<int>(data.dwFileAttributes & 0xFFFF)});
  } while (FindNextFileW(raw, &data) != 0);
  // NTFS already returns this order; FAT drives and network shares do not.
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    return LessByFolderOrder(a.name, b.name);
  });
  return entries;
}

std::optional<std::string> Win32FileSystem::readFile(const std::string& path) const {
  const UniqueHandle file = AdoptHandle(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file.get(), &size) == 0 || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
  std::string contents(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < contents.size()) {
    DWORD read = 0;
    if (ReadFile(file.get(), contents.data() + done, static_cast<DWORD>(contents.size() - done),
                 &read, nullptr) == 0) {
      return std::nullopt;
    }
    if (read == 0) break;  // cut short while we read: take what is there
    done += read;
  }
  contents.resize(done);
  return contents;
}

Status Win32FileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
  static std::atomic<unsigned> serial{0};
  const std::wstring target = WidePath(path);
  // Beside the target, named as every writer of the project names its
  // temporary files, so the clean-up after a crash finds it.
  const std::wstring temporary = WidePath(path + ".tmp-" + std::to_string(GetCurrentProcessId()) +
                                          "-" + std::to_string(serial++));
  {
    const UniqueHandle file = AdoptHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return lastErrorAt(path);
    std::size_t done = 0;
    while (done < contents.size()) {
      DWORD written = 0;
      const auto chunk =
          static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 30));
      if (WriteFile(file.get(), contents.data() + done, chunk, &written, nullptr) == 0) {
        const Status failure = lastErrorAt(path);
        DeleteFileW(temporary.c_str());
        return failure;
      }
      done += written;
    }
    if (FlushFileBuffers(file.get()) == 0) {
      const Status failure = lastErrorAt(path);
      DeleteFileW(temporary.c_str());
      return failure;
    }
  }
  if (MoveFileExW(temporary.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    const Status failure = lastErrorAt(path);
    DeleteFileW(temporary.c_str());
    return failure;
  }
  return Status::ok();
}

std::string Win32FileSystem::systemTextToUtf8(std::string_view bytes) const {
  // A locale with no ANSI code page (0 would mean CP_ACP, UTF-8 here) wrote
  // no such lists: the bytes stay as they are.
  if (bytes.empty() || systemCodePage_ == 0) return std::string(bytes);
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(systemCodePage_, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::string(bytes);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(systemCodePage_, 0, bytes.data(), size, wide.data(), length);
  return Narrow(wide);
}

std::optional<std::string> Win32FileSystem::utf8ToSystemText(std::string_view utf8) const {
  if (utf8.empty()) return std::string();
  if (systemCodePage_ == 0) return std::nullopt;
  const std::wstring wide = Widen(utf8);
  const int size = static_cast<int>(wide.size());
  // No best fit: a name written as a look-alike would name another file.
  BOOL defaulted = FALSE;
  const int length = WideCharToMultiByte(systemCodePage_, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                         nullptr, 0, nullptr, &defaulted);
  if (length <= 0 || defaulted) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(systemCodePage_, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(),
                      length, nullptr, nullptr);
  // Only what reads back as the same text counts as written.
  if (systemTextToUtf8(bytes) != utf8) return std::nullopt;
  return bytes;
}

Status Win32FileSystem::removeFile(const std::string& path) {
  if (DeleteFileW(WidePath(path).c_str()) == 0) return lastErrorAt(path);
  return Status::ok();
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's load and save of List.txt in every layout it reads: any file
// loads without a crash, and saving what was loaded is stable: loading the
// saved file and saving again leaves the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/list_file.h"
#include "manager/edit_form.h"
#include "platform/fake/fake_platform.h"
#include "platform/linux/posix_file_system.h"

namespace {

const std::string& appDirectory() {
  static const std::string directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-manager-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return directory;
}

// The real file system inside the fuzz folder only: a list naming "/" would
// otherwise make every save count the machine's own folders, which is
// bounded but far slower than the fuzzer's time limit under the sanitizers,
// and differs from machine to machine.
class ConfinedFiles final : public tivolen::FileSystem {
 public:
  explicit ConfinedFiles(std::string root) : root_(std::move(root)) {}
  [[nodiscard]] bool fileExists(const std::string& path) const override {
    return inside(path) && real_.fileExists(path);
  }
  [[nodiscard]] bool folderExists(const std::string& path) const override {
    return inside(path) && real_.folderExists(path);
  }
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override {
    return inside(path) ? real_.attributes(path) : std::nullopt;
  }
  [[nodiscard]] std::optional<std::vector<tivolen::FolderEntry>> listFolder(
      const std::string& folder) const override {
    return inside(folder) ? real_.listFolder(folder) : std::nullopt;
  }
  [[nodiscard]] std::optional<tivolen::FolderIdentity> folderIdentity(
      const std::string& folder) const override {
    return inside(folder) ? real_.folderIdentity(folder) : std::nullopt;
  }
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override {
    return inside(path) ? real_.fileSize(path) : std::nullopt;
  }
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override {
    return inside(path) ? real_.readFile(path) : std::nullopt;
  }
  tivolen::Status writeFileAtomically(const std::string& path, std::string_view contents) override {
    if (!inside(path)) return tivolen::Status::failed("outside the fuzz folder");
    return real_.writeFileAtomically(path, contents);
  }
  tivolen::Status removeFile(const std::string& path) override {
    if (!inside(path)) return tivolen::Status::failed("outside the fuzz folder");
    return real_.removeFile(path);
  }

 private:
  [[nodiscard]] bool inside(const std::string& path) const {
    return path.starts_with(root_ + "/") && path.find("/..") == std::string::npos;
  }
  std::string root_;
  tivolen::PosixFileSystem real_;
};

// The list file after the manager opened it and saved on closing; nothing
// when it refused to save (an empty list keeps the file as it was).
std::optional<std::string> loadAndSave(tivolen::fake::FakePlatform& fake, ConfinedFiles& files) {
  tivolen::Platform platform = tivolen::fake::withSwapped(fake.platform(), {.files = &files});
  tivolen::manager::EditForm form(platform);
  form.Load();  // as the window opens: rows made, list loaded
  const bool saved = form.SaveList();
  const auto file = files.readFile(platform.inAppDir(tivolen::kListFileName));
  return saved ? file : std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tivolen::fake::FakePlatform fake(appDirectory());
  const std::string list = fake->inAppDir(tivolen::kListFileName);
  std::ofstream(list, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  ConfinedFiles files(appDirectory());
  const auto first = loadAndSave(fake, files);
  if (!first) return 0;
  // A second round must leave the same bytes, whether it saves again or
  // finds nothing to save (rows that are shown but never stored).
  loadAndSave(fake, files);
  const auto second = files.readFile(list);
  if (second != first) {
    std::fprintf(stderr, "first save:\n%s\nsecond save:\n%s\n", first->c_str(),
                 second ? second->c_str() : "(no file)");
    std::abort();
  }
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "manager/edit_form.h"
#include "platform/fake/fake_platform.h"
#include "tests/temp_dir.h"

namespace tivolen::testing {

// The real file system with what a temporary tree cannot show: attribute sets
// Linux never gives (hidden and system), folders of tens of thousands of
// entries, and a disk that refuses writes. Counts the list saves.
class StagedFiles final : public FileSystem {
 public:
  std::map<std::string, int> attributeOverrides;
  std::map<std::string, std::vector<FolderEntry>> listingOverrides;
  std::optional<Status> failWrites;
  std::set<std::string> unreadable;
  // The system code page as a Japanese Windows has it; none on Linux.
  std::function<std::string(std::string_view)> codePage;
  // UTF-8 into that code page; nothing for a character it has not.
  std::function<std::optional<std::string>(std::string_view)> toCodePage;
  int writes = 0;

  [[nodiscard]] bool fileExists(const std::string& path) const override {
    return real_->fileExists(path);
  }
  [[nodiscard]] bool folderExists(const std::string& path) const override {
    return real_->folderExists(path);
  }
  [[nodiscard]] bool isExecutable(const std::string& path) const override {
    return real_->isExecutable(path);
  }
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override {
    if (const auto found = attributeOverrides.find(path); found != attributeOverrides.end()) {
      return found->second;
    }
    return real_->attributes(path);
  }
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override {
    std::string key = folder;
    while (key.size() > 1 && PathRules::native().endsWithSeparator(key)) key.pop_back();
    if (const auto found = listingOverrides.find(key); found != listingOverrides.end()) {
      return found->second;
    }
    return real_->listFolder(folder);
  }
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override {
    return real_->folderIdentity(folder);
  }
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override {
    return real_->fileSize(path);
  }
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override {
    if (unreadable.contains(path)) return std::nullopt;
    return real_->readFile(path);
  }
  Status writeFileAtomically(const std::string& path, std::string_view contents) override {
    ++writes;
    if (failWrites) return *failWrites;
    return real_->writeFileAtomically(path, contents);
  }
  Status removeFile(const std::string& path) override { return real_->removeFile(path); }
  [[nodiscard]] std::string systemTextToUtf8(std::string_view bytes) const override {
    return codePage ? codePage(bytes) : std::string(bytes);
  }
  [[nodiscard]] std::optional<std::string> utf8ToSystemText(std::string_view utf8) const override {
    return toCodePage ? toCodePage(utf8) : std::string(utf8);
  }

 private:
  std::unique_ptr<FileSystem> real_ = fake::NativeFileSystem();
};

// An application directory, special folders and a recording platform around
// one EditForm. The menu entry exists unless a test removes it, so the
// start-up question stays out of tests about other things.
class ManagerBench {
 public:
  explicit ManagerBench(Shortcuts* shortcuts = nullptr)
      : fake_(root.mkdir("app")),
        platform_{fake::withSwapped(fake_.platform(), {.files = &files, .shortcuts = shortcuts})} {
    fake_.specialFolders.folders[SpecialFolder::Startup] = root.mkdir("config/autostart");
    fake_.specialFolders.folders[SpecialFolder::Desktop] = root.mkdir("Desktop");
    fake_.specialFolders.folders[SpecialFolder::Applications] = root.mkdir("share/applications");
    root.write("share/applications/" + fake_.shortcuts.fileName("壁紙変更"), "[Desktop Entry]\n");
  }

  manager::EditForm& open() {
    form_ = std::make_unique<manager::EditForm>(platform_);
    form_->Load();
    return *form_;
  }
  manager::EditForm& form() { return *form_; }

  void writeList(std::string_view contents) { root.write("app/List.txt", contents); }
  [[nodiscard]] std::string list() const { return root.read("app/List.txt"); }
  [[nodiscard]] bool listExists() const { return root.exists("app/List.txt"); }
  // Writes an image (any contents) and returns its full path.
  std::string picture(std::string_view relative) { return root.write(relative, "x"); }

  [[nodiscard]] const std::vector<std::string>& messages() const { return fake_.messages.shown; }
  std::deque<Answer>& answers() { return fake_.messages.answers; }
  fake::FakePlatform& fake() { return fake_; }
  Platform& platform() { return platform_; }

  TempDir root;
  StagedFiles files;

 private:
  fake::FakePlatform fake_;
  Platform platform_;
  std::unique_ptr<manager::EditForm> form_;
};

// A path or row text written with "/" in the system's own separator.
inline std::string Native(std::string text) {
  for (char& c : text) {
    if (c == '/') c = PathRules::native().separator();
  }
  return text;
}

// The rows as columns over every slot 0 to rowCapacity, spare ones too.
struct RowColumns {
  std::vector<std::string> path;
  std::vector<int> kind;
  std::vector<int> style;
  std::vector<int> ratio;
  int rowCapacity = 0;
};
inline RowColumns columns(const manager::EditForm& form) {
  const manager::ListDocument& document = form.document();
  RowColumns out;
  out.rowCapacity = document.rowCapacity();
  for (int i = 0; i <= document.rowCapacity(); ++i) {
    const manager::ListRow& row = document.row(i);
    out.path.push_back(row.path);
    out.kind.push_back(row.kind);
    out.style.push_back(row.style);
    out.ratio.push_back(row.ratio);
  }
  return out;
}

// What List1 shows, line by line.
inline std::vector<std::string> listTexts(const manager::EditForm& form) {
  std::vector<std::string> texts;
  for (int i = 0; i < form.rowCount(); ++i) texts.push_back(form.document().row(i).text);
  return texts;
}

// "Ver","1.30" with the given settings lines and entry records, CR LF ended.
inline std::string listBytes(int timing, int order, int depth,
                             const std::vector<std::string>& records) {
  std::string out = "\"Ver\",\"1.30\"\r\n" + std::to_string(timing) + "\r\n" +
                    std::to_string(order) + "\r\n\"[SubFolder]\"," + std::to_string(depth) + "\r\n";
  for (const std::string& record : records) out += record + "\r\n";
  return out;
}

}  // namespace tivolen::testing

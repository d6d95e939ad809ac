// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/pictures.h"

namespace tivolen::fake {

// The real file system and picture services of the machine the tests run on,
// chosen by the build: tests build their folder trees in temporary folders.
std::unique_ptr<FileSystem> NativeFileSystem();
std::unique_ptr<Pictures> NativePictures(FileSystem& files);

// The machine's own files, which can also play a Windows machine: after
// playWindows(), the core is told the Windows path rules, and a path on the
// drive ("C:\Users\...", either slash) is led to a real folder. So Windows
// paths run through the core on any system the tests build on.
class FakeFiles final : public FileSystem {
 public:
  FakeFiles();

  // `drive` is "C:"; `root` is the real folder standing for its root.
  void playWindows(std::string drive, std::string root);
  // Where `path` really is on this machine.
  [[nodiscard]] std::string realPath(const std::string& path) const;
  [[nodiscard]] FileSystem& native() { return *native_; }

  [[nodiscard]] PathRules pathRules() const override { return rules_; }
  [[nodiscard]] std::string systemTextToUtf8(std::string_view bytes) const override {
    return native_->systemTextToUtf8(bytes);
  }
  [[nodiscard]] std::optional<std::string> utf8ToSystemText(std::string_view utf8) const override {
    return native_->utf8ToSystemText(utf8);
  }
  [[nodiscard]] bool fileExists(const std::string& path) const override;
  [[nodiscard]] bool folderExists(const std::string& path) const override;
  [[nodiscard]] bool isExecutable(const std::string& path) const override {
    return native_->isExecutable(realPath(path));
  }
  [[nodiscard]] std::optional<int> attributes(const std::string& path) const override;
  [[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<FolderIdentity> folderIdentity(
      const std::string& folder) const override;
  [[nodiscard]] std::optional<std::int64_t> fileSize(const std::string& path) const override;
  [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override;
  Status writeFileAtomically(const std::string& path, std::string_view contents) override;
  Status removeFile(const std::string& path) override;

 private:
  std::unique_ptr<FileSystem> native_;
  PathRules rules_ = PathRules::native();
  std::string drive_;
  std::string root_;
};

// The machine's picture services, reached through the paths FakeFiles plays.
class FakePictures final : public Pictures {
 public:
  explicit FakePictures(FakeFiles& files)
      : files_(files), native_(NativePictures(files.native())) {}
  LoadedPicture load(const std::string& path, const NeededSize& needed = {}) override {
    return native_->load(files_.realPath(path), needed);
  }
  // The back-end's own, which may scale while it decodes: the log-on path
  // under test is the real one.
  LoadedPicture loadScaled(const std::string& path, const ScalePlan& plan) override {
    return native_->loadScaled(files_.realPath(path), plan);
  }
  Picture drawScaled(const Picture& picture, const SourceRect& source,
                     PictureSize target) override {
    return native_->drawScaled(picture, source, target);
  }
  Status saveBitmap(const Picture& picture, const std::string& path) override {
    return native_->saveBitmap(picture, files_.realPath(path));
  }

 private:
  FakeFiles& files_;
  std::unique_ptr<Pictures> native_;
};

}  // namespace tivolen::fake

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/fake_files.h"
#include "platform/linux/linux_pictures.h"
#include "platform/linux/posix_file_system.h"

namespace tivolen::fake {

std::unique_ptr<FileSystem> NativeFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

std::unique_ptr<Pictures> NativePictures(FileSystem& /*files*/) {
  return std::make_unique<LinuxPictures>();
}

}  // namespace tivolen::fake

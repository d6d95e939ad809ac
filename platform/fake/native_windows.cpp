// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/fake_files.h"
#include "platform/windows/wic_pictures.h"
#include "platform/windows/win32_file_system.h"

namespace tivolen::fake {

std::unique_ptr<FileSystem> NativeFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

std::unique_ptr<Pictures> NativePictures(FileSystem& files) {
  return std::make_unique<WicPictures>(files);
}

}  // namespace tivolen::fake

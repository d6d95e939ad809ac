#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tivolen {

// True when the last three characters, lower-cased, are "bmp", "jpg", "gif"
// or "peg" (the last only for names ending in "jpeg").
bool IsImageName(std::string_view nameOrPath);

// A folder is a directory with no attribute but read-only: exactly 16 or 17.
bool IsFolderAttributes(std::optional<int> attributes);

// Counts what a registered folder holds down to depthSetting: every
// sub-folder met plus every image. Appends "/" to folderPath when it lacks
// one (the caller sees it); depthCounter is left as found.
int CountFolderItems(const FileSystem& files, std::string& folderPath, int& depthCounter,
                     int depthSetting);

}  // namespace tivolen

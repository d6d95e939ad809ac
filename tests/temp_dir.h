// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/path_rules.h"

namespace tivolen::testing {

// Paths are UTF-8 strings in the core; the standard library's narrow strings
// are the system code page on Windows, so every conversion goes through u8.
inline std::filesystem::path FromUtf8(std::string_view path) {
  return {std::u8string(path.begin(), path.end())};
}
inline std::string ToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// A fresh folder under the system's temporary folder, removed with
// everything in it at the end. Relative names are written with "/" and
// joined with the system's separator, as the programs join them.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate = temp / ("tivolen-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path_ = ToUtf8(candidate);
    }
    if (path_.empty()) std::abort();
  }
  ~TempDir() {
    std::error_code ignored;
    // Read-only folders made by a test must not survive it.
    for (auto it = std::filesystem::recursive_directory_iterator(FromUtf8(path_), ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(FromUtf8(path_), ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string operator/(std::string_view name) const {
    constexpr PathRules kRules = PathRules::native();
    std::string joined = path_ + kRules.separator();
    for (const char c : name) joined += c == '/' ? kRules.separator() : c;
    return joined;
  }

  // Writes a file (creating its folders) and returns its full path.
  std::string write(std::string_view relative, std::string_view contents = "x") const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(FromUtf8(full).parent_path());
    std::ofstream(FromUtf8(full), std::ios::binary) << contents;
    return full;
  }
  std::string mkdir(std::string_view relative) const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(FromUtf8(full));
    return full;
  }
  [[nodiscard]] std::string read(std::string_view relative) const {
    std::ifstream in(FromUtf8(*this / relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  [[nodiscard]] bool exists(std::string_view relative) const {
    return std::filesystem::exists(FromUtf8(*this / relative));
  }

 private:
  std::string path_;
};

}  // namespace tivolen::testing

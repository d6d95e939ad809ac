#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tivolen::testing {

// A fresh folder under TMPDIR, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tivolen-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    // Read-only folders made by a test must not survive it.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string operator/(std::string_view name) const {
    return path_ + "/" + std::string(name);
  }

  // Writes a file (creating its folders) and returns its full path.
  std::string write(std::string_view relative, std::string_view contents = "x") const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << contents;
    return full;
  }
  std::string mkdir(std::string_view relative) const {
    const std::string full = *this / relative;
    std::filesystem::create_directories(full);
    return full;
  }
  [[nodiscard]] std::string read(std::string_view relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  [[nodiscard]] bool exists(std::string_view relative) const {
    return std::filesystem::exists(*this / relative);
  }

 private:
  std::string path_;
};

}  // namespace tivolen::testing

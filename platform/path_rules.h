// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tivolen {

// How the system the programs run on writes paths: the separator, what is
// absolute, and what a program file is called. The core asks these of the
// file system it is handed, so tests can run Windows rules on Linux. The
// only place that knows which rules this build has.
class PathRules {
 public:
  enum class Style { Posix, Windows };
  constexpr explicit PathRules(Style style) : style_(style) {}
  // The rules of the system this build is for.
  static constexpr PathRules native() {
#if defined(_WIN32)
    return PathRules(Style::Windows);
#else
    return PathRules(Style::Posix);
#endif
  }

  [[nodiscard]] constexpr bool windows() const {
    return style_ == Style::Windows;
  }
  [[nodiscard]] constexpr char separator() const {
    return windows() ? '\\' : '/';
  }
  // Windows accepts both slashes everywhere; a backslash is an ordinary
  // character in a POSIX name.
  [[nodiscard]] constexpr bool isSeparator(char c) const {
    return c == '/' || (windows() && c == '\\');
  }
  // "/x" here; "C:\x", "C:/x" and "\\server\share" on Windows.
  [[nodiscard]] constexpr bool isAbsolute(std::string_view path) const {
    if (!windows()) return !path.empty() && path.front() == '/';
    const bool drive = path.size() >= 3 && path[1] == ':' && isSeparator(path[2]) &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool share = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    return drive || share;
  }
  [[nodiscard]] bool endsWithSeparator(std::string_view path) const {
    return !path.empty() && isSeparator(path.back());
  }
  // Appends the separator unless the folder already ends in one.
  void endWithSeparator(std::string& folder) const {
    if (!endsWithSeparator(folder)) folder += separator();
  }
  // "folder" + separator + "name", with one separator between them.
  [[nodiscard]] std::string join(std::string_view folder, std::string_view name) const {
    std::string joined(folder);
    endWithSeparator(joined);
    while (!name.empty() && isSeparator(name.front())) name.remove_prefix(1);
    joined += name;
    return joined;
  }
  // "Tivolen" -> "Tivolen.exe" on Windows.
  [[nodiscard]] std::string programFileName(std::string_view name) const {
    std::string file(name);
    if (windows()) file += ".exe";
    return file;
  }

 private:
  Style style_;
};

}  // namespace tivolen

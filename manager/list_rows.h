#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tivolen::manager {

// Row kinds in memory; 0 and 4 or more are the registered rows that reach the
// file, 1 and 2 are shown below an expanded folder, 3 is a folder in which
// nothing was found.
inline constexpr int kKindImage = 0;
inline constexpr int kKindFolderImage = 1;
inline constexpr int kKindFolderSubfolder = 2;
inline constexpr int kKindFolderBase = 3;

// Row indices and kinds are 16-bit in the list file and the changer.
inline constexpr int kMaxRows = 32767;
inline constexpr int kMaxRowCapacity = 32767;

inline constexpr int kNewRowStyle = 3;
inline constexpr int kNewRowRatio = 5;

[[nodiscard]] inline bool isRegisteredKind(int kind) {
  return kind == kKindImage || kind > kKindFolderBase;
}

// The four row arrays, indexed 0 to rowCapacity. Slots above the last row
// keep the values of rows that were removed or skipped: the older list
// layouts leave fields unread and rely on what the slot already holds.
struct ListRows {
  std::vector<std::string> path;
  std::vector<int> kind;
  std::vector<int> style;
  std::vector<int> ratio;
  int rowCapacity = 0;

  // Resizes the arrays to indices 0 to rowCapacity, keeping every element.
  void GrowRows();
  // One step of growth as the loader and the registration make it; false at
  // the 16-bit limit.
  bool growOneStep();
};

// The text a row shows: what follows the last "/" that is not the path's last
// character ("pics/" for "/home/a/pics/").
std::string DisplayName(std::string_view path);

}  // namespace tivolen::manager

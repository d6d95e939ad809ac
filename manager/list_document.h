// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/folder_walk.h"
#include "common/list_file.h"
#include "common/record.h"
#include "platform/file_system.h"

namespace tivolen::manager {

// Kinds that exist only in the manager's memory, beside common's stored ones:
// rows shown below an expanded folder.
inline constexpr int kKindFolderImage = 1;
inline constexpr int kKindFolderSubfolder = 2;

// Row indices are 16-bit in the list file and the changer.
inline constexpr int kMaxRows = kInt16Max;

// What registration gives every new row.
inline constexpr int kNewRowStyle = kStyleFit;
inline constexpr int kNewRowRatio = 5;

[[nodiscard]] inline bool isRegisteredKind(int kind) {
  return kind == kKindImage || kind > kKindFolderBase;
}

// One line of List1 and its fields.
struct ListRow {
  std::string text;  // what the list shows
  std::string path;
  int kind = kKindImage;
  int style = 0;
  int ratio = 0;  // 1 to 5 on registered rows, negative on expansion rows
};

// What a list file said about the settings, for the controls that hold them.
struct LoadedSettings {
  int timing = 0;
  int order = 0;
  std::optional<int> subfolderDepth;
  std::optional<std::string> launcherPath;
};

struct LoadResult {
  enum class Problem {
    None,
    OtherVersion,  // a header this program does not know: nothing loaded
    Damaged,       // a record that could not be read: what could be read is loaded
  };
  LoadedSettings settings;
  Problem problem = Problem::None;
  int notLoaded = 0;  // entries past the row limit, kept for the next save
  // Images left out because their folder no longer holds them.
  std::vector<std::string> removed;
};

// The text a row shows: what follows the last separator that is not the
// path's last character: "pics/" for "/home/a/pics/", and on Windows
// "pics\" for "C:\pics\", where either slash separates.
std::string DisplayName(std::string_view path, PathRules rules);

// Tells a picture that is gone from one that cannot be looked at now: only a
// folder that is there and can be listed, and lacks the name, says "gone".
// Each folder is listed once.
class PictureLookup {
 public:
  explicit PictureLookup(const FileSystem& files) : files_(files) {}
  [[nodiscard]] bool isGone(const std::string& path);

 private:
  const FileSystem& files_;
  std::map<std::string, std::optional<std::vector<FolderEntry>>> listings_;
};

// What the duplicate check compares: the path without the separators that
// end it ("R/" and "R" are one folder), on Windows with one kind of slash.
std::string DuplicateKey(std::string_view path, PathRules rules);

// Picture files whose names start with "." are hidden but registered all the
// same; what counts is an ordinary file that the program may open.
bool IsPictureFile(const FileSystem& files, const std::string& path);

// The manager's rows: one vector of records indexed 0 to rowCapacity. Slots
// above the last row keep the values of rows that were removed or skipped,
// because the older list layouts leave fields unread and rely on what the
// slot already holds.
class ListDocument {
 public:
  ListDocument();

  [[nodiscard]] int rowCount() const { return count_; }
  [[nodiscard]] int rowCapacity() const { return static_cast<int>(slots_.size()) - 1; }
  [[nodiscard]] const ListRow& row(int index) const { return slots_.at(toSlot(index)); }
  [[nodiscard]] ListRow& row(int index) { return slots_.at(toSlot(index)); }
  // Resizes to indices 0 to capacity, keeping every slot; never shrinks.
  void GrowRows(int capacity);

  // Empties the list; the slots keep their values.
  void Clear();
  // Fills the rows from index 0 with a list file of any layout this program
  // has written; folders are listed without a look, images only when they
  // are still there.
  LoadResult Load(std::string_view contents, const FileSystem& files);
  // The registered rows as the file holds them, folders recounted to
  // `depth`, followed by the entries that were past the row limit. The rows
  // themselves stay as they are.
  [[nodiscard]] std::vector<ListEntry> Save(const FileSystem& files, int depth) const;

  // Appends a row; false at the row limit.
  bool AppendRow(ListRow row);
  // Removes every row whose flag is set, in one pass.
  void RemoveRows(const std::vector<char>& remove);
  void SwapRows(int first, int second);
  // Flags every row whose path names the same file or folder as an earlier
  // row's (DuplicateKey); letter case counts.
  [[nodiscard]] std::vector<char> FindDuplicates(PathRules rules) const;

  // Rebuilds the rows with the expansion rows of every registered folder
  // below it; false when the row limit cut some of them off.
  bool ExpandList(const FileSystem& files, int depth);
  // Removes every expansion row; flags the rows removed.
  std::vector<char> CollapseList();

 private:
  static std::size_t toSlot(int index) { return static_cast<std::size_t>(index); }
  void ensureSlot(int index);
  void ListFolderRows(const FileSystem& files, std::string folder, int& depthCounter, int depth,
                      const ListRow& owner, int ownerIndex, int reserved, FolderVisits& visits);

  std::vector<ListRow> slots_;
  int count_ = 0;
  std::vector<ListEntry> notLoaded_;
  bool expansionCut_ = false;
};

}  // namespace tivolen::manager

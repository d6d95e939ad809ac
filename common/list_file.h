// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace tivolen {

inline constexpr std::string_view kListFileName = "List.txt";
inline constexpr std::string_view kVersionTag = "Ver";
inline constexpr std::string_view kCurrentListVersion = "1.30";
inline constexpr std::string_view kSubFolderTag = "[SubFolder]";
inline constexpr std::string_view kLauncherTag = "[Lounch]";  // spelled so in every file

// The largest List.txt either program reads: the most rows the manager holds
// with the longest paths take a few megabytes, and anything near this is not
// a list; reading it whole would cost gigabytes.
inline constexpr std::int64_t kMaxListFileBytes = std::int64_t{64} << 20;
// True when the file at `path` is larger than that; checked before reading.
bool ListFileTooLarge(const FileSystem& files, const std::string& path);

// The contents without a UTF-8 byte-order mark, which editors on Windows put
// in front: the list is the same list with it or without.
std::string_view WithoutByteOrderMark(std::string_view contents);

// Entry kinds as stored; 1 to 3 exist only in the manager's memory.
inline constexpr int kKindImage = 0;
inline constexpr int kKindFolderBase = 3;  // a folder's kind is 3 + its item count

// Style numbers shared by the list, the manager and the changer.
enum Style : int {
  kStyleCentred = 0,
  kStyleTiled = 1,
  kStyleStretched = 2,
  kStyleFit = 3,
  kStyleCover = 4
};

// When the changer changes the wallpaper; 4 or more never.
enum TimingMode : int {
  kTimingEveryStart = 0,
  kTimingDateChanged = 1,
  kTimingWeekdayChanged = 2,
  kTimingMonthChanged = 3
};

// How the next picture is chosen.
enum OrderMode : int { kOrderSequential = 0, kOrderRandom = 1 };

struct ListEntry {
  std::string path;
  int kind = kKindImage;
  int style = kStyleCentred;
  int ratio = 0;

  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

struct ListSettings {
  int timingMode = 0;  // 0 every start, 1 date, 2 weekday, 3 month
  int orderMode = 0;   // 0 sequential, 1 random
  int subfolderDepth = 2;

  friend bool operator==(const ListSettings&, const ListSettings&) = default;
};

// The whole of a "1.30" list.
struct ImageList {
  ListSettings settings;
  std::vector<ListEntry> entries;
  std::optional<std::string> launcherPath;

  friend bool operator==(const ImageList&, const ImageList&) = default;
};

// What the changer learns from the first fields of the list at start-up.
struct ListHeader {
  bool currentVersion = false;    // "Ver","1.30"
  std::optional<int> timingMode;  // nothing when the record is damaged
};
ListHeader readListHeader(std::string_view contents);

struct ListReadResult {
  std::optional<ImageList> list;  // nothing when the file is damaged
  bool otherVersion = false;      // the header is not "Ver","1.30"
};
// Reads a "1.30" list as the changer does: entries up to the end of the file
// or up to the launcher record, which ends the reading. A truncated record or
// a field of the wrong type makes the whole file damaged.
ListReadResult readImageList(std::string_view contents);

// The file bytes, CR LF records. Entries with a kind of 1 to 3, a negative
// kind or an empty path are not written, as the manager never stores them.
std::string writeImageList(const ImageList& list);

}  // namespace tivolen

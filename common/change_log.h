// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "platform/file_system.h"

namespace tivolen {

inline constexpr std::string_view kChangeLogFileName = "WallPaper.log";
inline constexpr std::string_view kChangeLabelPrefix = "現在の壁紙ファイル：";

struct ChangeLog {
  Date changeDate = kNeverChanged;
  int changePosition = 0;
  std::string changeLabel;  // with the prefix, as the navigator shows it
};

// The three records: date literal, position, prefixed path.
std::string writeChangeLog(const Date& today, int position, std::string_view chosenPath);

// A damaged or truncated log counts as a missing one (nothing). The run needs
// only the date and the position; the navigator also the label.
enum class ChangeLogPart { DateAndPosition, All };
std::optional<ChangeLog> readChangeLog(std::string_view contents, ChangeLogPart part);

// Three short records take a few hundred bytes: a larger file is not a log
// the changer wrote, and reading a huge one whole would cost its size in
// memory at every log-on. It counts as damaged without being read.
inline constexpr std::int64_t kMaxChangeLogBytes = std::int64_t{64} << 10;

// The log file at `path`, read only when it is of a log's size; nothing when
// it is missing, too large, unreadable or damaged.
std::optional<ChangeLog> ReadChangeLogFile(const FileSystem& files, const std::string& path,
                                           ChangeLogPart part);

// The log as it stood before a choice was written, so that a change the
// desktop never took can be taken back: the next start must find it still
// due and step from the same place.
class ChangeLogSnapshot {
 public:
  static ChangeLogSnapshot take(const FileSystem& files, std::string path);
  // Puts the earlier bytes back; a log that was missing or not readable as a
  // log is removed, which the next start reads the same way.
  [[nodiscard]] Status restore(FileSystem& files) const;

 private:
  std::string path_;
  std::optional<std::string> contents_;
};

// The pictures and folders the last log-on run passed over because they
// were not there, one path a line, kept beside the log (whose layout older
// programs read, so it holds nothing new) until the manager has shown them.
inline constexpr std::string_view kUnavailableFileName = "Unavailable.log";
// A record larger than this is not one the changer wrote.
inline constexpr std::int64_t kMaxUnavailableFileBytes = std::int64_t{64} << 10;
std::string writeUnavailableEntries(const std::vector<std::string>& paths);
std::vector<std::string> readUnavailableEntries(std::string_view contents);

}  // namespace tivolen

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/date.h"

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

}  // namespace tivolen

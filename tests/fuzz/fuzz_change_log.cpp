// SPDX-License-Identifier: GPL-3.0-or-later
// WallPaper.log: never crashes, and a log it accepts is written back to the
// same date, position and label.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/change_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tivolen;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  readChangeLog(bytes, ChangeLogPart::DateAndPosition);
  const auto log = readChangeLog(bytes, ChangeLogPart::All);
  if (!log || !log->changeLabel.starts_with(kChangeLabelPrefix)) return 0;
  const std::string_view path =
      std::string_view(log->changeLabel).substr(kChangeLabelPrefix.size());
  const auto again =
      readChangeLog(writeChangeLog(log->changeDate, log->changePosition, path), ChangeLogPart::All);
  if (!again || again->changeDate != log->changeDate ||
      again->changePosition != log->changePosition || again->changeLabel != log->changeLabel) {
    std::abort();
  }
  return 0;
}

#include "common/change_log.h"

#include "common/record.h"

namespace tivolen {

std::string writeChangeLog(const Date& today, int position, std::string_view chosenPath) {
  std::string label(kChangeLabelPrefix);
  label += chosenPath;
  RecordWriter out;
  out.date(today).endRecord().integer(position).endRecord().text(label).endRecord();
  return out.str();
}

std::optional<ChangeLog> readChangeLog(std::string_view contents, ChangeLogPart part) {
  RecordReader reader(contents);
  ChangeLog log;
  const auto date = reader.readDate();
  // The changer writes positions past 32767 for long lists: read back what
  // was written, or the next start would take it for a first run.
  const auto position = reader.readWideInteger();
  if (!date || !position) return std::nullopt;
  log.changeDate = *date;
  log.changePosition = *position;
  if (part == ChangeLogPart::All) {
    auto label = reader.readText();
    if (!label) return std::nullopt;
    log.changeLabel = std::move(*label);
  }
  return log;
}

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/change_log.h"

#include "common/record.h"
#include "common/text_encoding.h"

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

namespace {

bool logSized(const FileSystem& files, const std::string& path) {
  const std::optional<std::int64_t> size = files.fileSize(path);
  return size && *size <= kMaxChangeLogBytes;
}

}  // namespace

std::optional<ChangeLog> ReadChangeLogFile(const FileSystem& files, const std::string& path,
                                           ChangeLogPart part) {
  if (!files.fileExists(path) || !logSized(files, path)) return std::nullopt;
  const std::optional<std::string> contents = ReadTextFile(files, path);
  if (!contents) return std::nullopt;
  return readChangeLog(*contents, part);
}

ChangeLogSnapshot ChangeLogSnapshot::take(const FileSystem& files, std::string path) {
  ChangeLogSnapshot snapshot;
  if (files.fileExists(path) && logSized(files, path)) snapshot.contents_ = files.readFile(path);
  snapshot.path_ = std::move(path);
  return snapshot;
}

Status ChangeLogSnapshot::restore(FileSystem& files) const {
  if (contents_) return files.writeFileAtomically(path_, *contents_);
  if (!files.fileExists(path_)) return Status::ok();
  return files.removeFile(path_);
}

std::string writeUnavailableEntries(const std::vector<std::string>& paths) {
  std::string out;
  for (const std::string& path : paths) {
    for (const char c : path) out += c == '\r' || c == '\n' ? '?' : c;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> readUnavailableEntries(std::string_view contents) {
  std::vector<std::string> paths;
  while (!contents.empty()) {
    const std::size_t end = contents.find('\n');
    std::string_view line = contents.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) paths.emplace_back(line);
    if (end == std::string_view::npos) break;
    contents.remove_prefix(end + 1);
  }
  return paths;
}

}  // namespace tivolen

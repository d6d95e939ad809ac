// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/record.h"

#include <charconv>

namespace tivolen {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

bool RecordReader::atEnd() const {
  for (std::size_t i = pos_; i < contents_.size(); ++i) {
    if (!isBlank(contents_[i]) && !isLineEnd(contents_[i])) return false;
  }
  return true;
}

std::optional<Field> RecordReader::next() {
  // Blank lines between records carry no fields.
  while (pos_ < contents_.size() && (isBlank(contents_[pos_]) || isLineEnd(contents_[pos_]))) {
    ++pos_;
  }
  if (pos_ >= contents_.size()) return std::nullopt;

  Field field;
  if (contents_[pos_] == '"') {
    const std::size_t close = contents_.find('"', pos_ + 1);
    if (close == std::string_view::npos) {
      pos_ = contents_.size();
      return std::nullopt;
    }
    field.type = Field::Type::Text;
    field.text = std::string(contents_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    // Anything between the closing quote and the delimiter is dropped.
    while (pos_ < contents_.size() && contents_[pos_] != ',' && !isLineEnd(contents_[pos_])) {
      ++pos_;
    }
  } else {
    const std::size_t start = pos_;
    while (pos_ < contents_.size() && contents_[pos_] != ',' && !isLineEnd(contents_[pos_])) {
      ++pos_;
    }
    std::size_t end = pos_;
    while (end > start && isBlank(contents_[end - 1])) --end;
    field.text = std::string(contents_.substr(start, end - start));
    field.type = field.text.size() >= 2 && field.text.front() == '#' && field.text.back() == '#'
                     ? Field::Type::DateLiteral
                     : Field::Type::Bare;
  }
  // Consume the delimiter: a comma, or one line end (CR LF counts once).
  if (pos_ < contents_.size()) {
    const char delimiter = contents_[pos_++];
    if (delimiter == '\r' && pos_ < contents_.size() && contents_[pos_] == '\n') ++pos_;
  }
  return field;
}

std::optional<std::string> RecordReader::readText() {
  auto field = next();
  if (!field || field->type != Field::Type::Text) return std::nullopt;
  return std::move(field->text);
}

std::optional<int> RecordReader::readInteger() {
  const auto value = readWideInteger();
  if (!value || *value < kInt16Min || *value > kInt16Max) return std::nullopt;
  return value;
}

std::optional<int> RecordReader::readWideInteger() {
  auto field = next();
  if (!field || field->type != Field::Type::Bare || field->text.empty()) return std::nullopt;
  const std::string& text = field->text;
  int value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  auto [parsed, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || parsed != end) return std::nullopt;
  return value;
}

std::optional<Date> RecordReader::readDate() {
  auto field = next();
  if (!field || field->type != Field::Type::DateLiteral) return std::nullopt;
  return parseDateLiteral(field->text);
}

void RecordWriter::separate() {
  if (recordStarted_) out_ += ',';
  recordStarted_ = true;
}

RecordWriter& RecordWriter::text(std::string_view value) {
  separate();
  out_ += '"';
  out_ += value;
  out_ += '"';
  return *this;
}

RecordWriter& RecordWriter::integer(int value) {
  separate();
  out_ += std::to_string(value);
  return *this;
}

RecordWriter& RecordWriter::date(const Date& value) {
  separate();
  out_ += formatDateLiteral(value);
  return *this;
}

RecordWriter& RecordWriter::endRecord() {
  out_ += "\r\n";
  recordStarted_ = false;
  return *this;
}

bool canHoldText(std::string_view value) {
  return value.find_first_of("\"\r\n") == std::string_view::npos;
}

}  // namespace tivolen

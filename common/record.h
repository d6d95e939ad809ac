// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/date.h"

namespace tivolen {

// The text record notation shared by List.txt and WallPaper.log: fields
// separated by commas, texts in double quotes without escaping, bare 16-bit
// integers, dates as "#YYYY-MM-DD#", records ending in CR LF.

inline constexpr int kInt16Min = -32768;
inline constexpr int kInt16Max = 32767;

struct Field {
  enum class Type { Text, Bare, DateLiteral };
  Type type = Type::Bare;
  std::string text;  // without the quotes for Text
};

// Reads field after field; commas and line ends (CR LF, LF or CR) both end a
// field, so records may be split across lines anywhere. Never throws: a read
// of the wrong type or past the end answers nothing and leaves the position
// after the field it looked at.
class RecordReader {
 public:
  explicit RecordReader(std::string_view contents) : contents_(contents) {}

  // True when nothing but blanks and line ends is left.
  [[nodiscard]] bool atEnd() const;
  // The next field of any type; nothing at the end or at an unterminated quote.
  std::optional<Field> next();
  std::optional<std::string> readText();
  // A bare integer within -32768..32767.
  std::optional<int> readInteger();
  // A bare integer within the range of a 32-bit int, for the few fields that
  // outgrew 16 bits (positions in lists whose shares pass 32767).
  std::optional<int> readWideInteger();
  std::optional<Date> readDate();

 private:
  std::string_view contents_;
  std::size_t pos_ = 0;
};

// Builds records; texts that the notation cannot hold are the caller's
// business (see canHoldText).
class RecordWriter {
 public:
  RecordWriter& text(std::string_view value);
  RecordWriter& integer(int value);
  RecordWriter& date(const Date& value);
  RecordWriter& endRecord();
  [[nodiscard]] const std::string& str() const { return out_; }

 private:
  void separate();
  std::string out_;
  bool recordStarted_ = false;
};

// A text field has no escaping: a double quote, CR or LF inside would split it.
[[nodiscard]] bool canHoldText(std::string_view value);

}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tivolen {
namespace {

TEST(TextEncoding, TellsUtf8FromOldCodePageBytes) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\写真\\海.jpg", true},
           {"\xF0\x9F\x98\x80", true},  // beyond U+FFFF
           {"", true},
           // "写真" in Shift_JIS, as a list written on a Japanese Windows holds it.
           {"C:\\\x8E\xCA\x90\x5E\\a.jpg", false},
           {"\xC0\xAF", false},          // an overlong "/"
           {"\xED\xA0\x80", false},      // a lone surrogate
           {"\xF4\x90\x80\x80", false},  // above U+10FFFF
           {"\xE6\x97", false},          // cut short
       }) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
  }
}

}  // namespace
}  // namespace tivolen

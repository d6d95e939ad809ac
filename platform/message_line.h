// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tivolen {

// A message as the one line it takes on standard error: its line breaks
// (stored as CR LF) become " / ".
inline std::string MessageLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      line += " / ";
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace tivolen

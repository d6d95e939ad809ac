// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/message_line.h"
#include "platform/services.h"

namespace tivolen {

// Modal message boxes with the program's caption. Every message also goes to
// standard error as one line, so runs without a display (and their logs) still
// say what happened. Without a display a question gets its cautious answer:
// Cancel or No.
class QtMessages final : public Messages {
 public:
  explicit QtMessages(std::string caption) : caption_(std::move(caption)) {}
  Answer show(std::string_view text, Buttons buttons) override;
  void detail(std::string_view text) override;

 private:
  std::string caption_;
};

// The box alone, without the line on standard error; nothing when no
// display can be reached.
std::optional<Answer> ShowQtBox(std::string_view caption, std::string_view text, Buttons buttons);

}  // namespace tivolen

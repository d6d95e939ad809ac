// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/box_messages.h"

#include <iostream>

#include "platform/message_line.h"

namespace tivolen {

void BoxMessages::detail(std::string_view text) {
  std::cerr << caption_ << ": " << MessageLine(text) << std::endl;
}

Answer BoxMessages::show(std::string_view text, Buttons buttons) {
  std::cerr << caption_ << ": " << MessageLine(text) << std::endl;
  return qt_->showBox(caption_, text, buttons).value_or(CautiousAnswer(buttons));
}

}  // namespace tivolen

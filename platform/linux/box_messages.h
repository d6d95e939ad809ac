// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/linux/qt_parts.h"
#include "platform/services.h"

namespace tivolen {

// Messages as QtMessages gives them, with the box reached through `qt`: the
// line on standard error comes first, so a run without a display, or without
// the Qt module, still says what happened. Nobody to ask gets the cautious
// answer.
class BoxMessages final : public Messages {
 public:
  BoxMessages(std::string caption, std::shared_ptr<QtParts> qt)
      : caption_(std::move(caption)), qt_(std::move(qt)) {}
  Answer show(std::string_view text, Buttons buttons) override;
  void detail(std::string_view text) override;

 private:
  std::string caption_;
  std::shared_ptr<QtParts> qt_;
};

}  // namespace tivolen

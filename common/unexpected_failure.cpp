// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/unexpected_failure.h"

#include "common/texts.h"

namespace tivolen {

int EndOnUnexpectedFailure(Messages& messages, std::string_view what, FailureBox box) {
  messages.detail(what);
  if (box == FailureBox::Show) {
    messages.show(text::kUnexpectedFailure);
  } else {
    messages.detail(text::kUnexpectedFailure);
  }
  return kExitUnexpectedFailure;
}

}  // namespace tivolen

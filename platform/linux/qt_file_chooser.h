// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

namespace tivolen {

// Qt's file dialog, which uses the desktop's portal where there is one (a
// sandbox, or a desktop that asks for it) and its own dialog elsewhere.
class QtFileChooser final : public FileChooser {
 public:
  std::vector<std::string> choose(ChooseWhat what, std::string_view title,
                                  const std::vector<std::string>& patterns) override;
};

}  // namespace tivolen

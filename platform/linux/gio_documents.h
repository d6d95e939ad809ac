// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/services.h"

namespace tivolen {

// The desktop's own choice of program for a file type, as the file manager
// opens a double-clicked file: GIO reads the same associations as xdg-open
// and goes through the document portal inside a sandbox.
class GioDocuments final : public Documents {
 public:
  Status open(const std::string& path) override;
};

}  // namespace tivolen

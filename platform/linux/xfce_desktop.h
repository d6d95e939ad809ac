// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/services.h"

namespace tivolen {

// XFCE's desktop (xfdesktop) follows its settings in xfconf, which it keeps
// per monitor and workspace. They are written over D-Bus to xfconfd, so no
// XFCE library is needed.
class XfceDesktop final : public Desktop {
 public:
  explicit XfceDesktop(std::string applicationDirectory);

  void setLayout(WallpaperLayout layout) override;
  // Unavailable when xfconfd cannot be reached; nothing is changed then.
  Status setWallpaper(const std::string& path) override;

 private:
  std::string applicationDirectory_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

// xfdesktop's image-style number for a layout.
int xfceImageStyle(WallpaperLayout layout);

// The "/backdrop/screen0/monitor<NAME>/workspace<N>" folders to write: every
// one that has settings already, and for each monitor that has none yet
// (`monitors`, as the window system names them) the workspaces the others
// use, or workspace 0.
std::vector<std::string> xfceBackdropFolders(const std::vector<std::string>& existingKeys,
                                             const std::vector<std::string>& monitors);

}  // namespace tivolen

// Placeholder until the desktop back-ends land; replaced whole by them.
#include "platform/linux/back_ends.h"

namespace tivolen {
namespace {
class NoDesktop final : public Desktop {
 public:
  void setLayout(WallpaperLayout) override {}
  Status setWallpaper(const std::string&) override { return Status::unavailable("not built"); }
};
}  // namespace

std::unique_ptr<Desktop> makeDesktop(const std::string&) { return std::make_unique<NoDesktop>(); }

}  // namespace tivolen

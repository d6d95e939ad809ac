// Placeholder until rendering and applying land; replaced whole by them.
#include "platform/linux/back_ends.h"

namespace tivolen {
namespace {
class NoDesktop final : public Desktop {
 public:
  void setLayout(WallpaperLayout) override {}
  Status setWallpaper(const std::string&) override { return Status::unavailable("not built"); }
};
class NoPictures final : public Pictures {};
class NoScreen final : public Screen {
 public:
  [[nodiscard]] std::optional<ScreenSize> size() const override { return std::nullopt; }
};
}  // namespace

std::unique_ptr<Desktop> makeDesktop(const std::string&) { return std::make_unique<NoDesktop>(); }
std::unique_ptr<Pictures> makePictures() { return std::make_unique<NoPictures>(); }
std::unique_ptr<Screen> makeScreen() { return std::make_unique<NoScreen>(); }

}  // namespace tivolen

// Placeholder until the picture services land; replaced whole by them.
#include "platform/linux/back_ends.h"

namespace tivolen {
namespace {
class NoPictures final : public Pictures {};
class NoScreen final : public Screen {
 public:
  [[nodiscard]] std::optional<ScreenSize> size() const override { return std::nullopt; }
};
}  // namespace

std::unique_ptr<Pictures> makePictures() { return std::make_unique<NoPictures>(); }
std::unique_ptr<Screen> makeScreen() { return std::make_unique<NoScreen>(); }

}  // namespace tivolen

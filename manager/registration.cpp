// Registration of files and folders dropped on the window.
#include "common/folder_walk.h"
#include "common/record.h"
#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

constexpr int kHiddenAndSystem = attr::kHidden | attr::kSystem;

}  // namespace

void EditForm::RegisterDroppedItems(const std::vector<std::string>& paths) {
  // One failed save is told once per drop; the rows stay and the next save
  // tries again.
  bool saveFailed = false;
  for (const std::string& path : paths) {
    const std::optional<int> attributes = platform_.files.attributes(path);
    if (!attributes) continue;  // vanished between the drag and the drop
    if (*attributes == kHiddenAndSystem) continue;
    const bool folder = IsFolderAttributes(attributes);
    if (!folder && !IsImageName(path)) {
      platform_.messages.show(tivolen::text::kUnsupportedFormat);
      continue;
    }
    if (!canHoldText(path)) {
      platform_.messages.show(std::string(text::kNameNotStorable) + path);
      continue;
    }
    if (rowCount() >= kMaxRows) {
      platform_.messages.show(text::kListFull);
      break;
    }
    int kind = kKindImage;
    if (folder) {
      std::string copy = path;
      int depthCounter = 0;
      const int count = CountFolderItems(platform_.files, copy, depthCounter, subfolderDepth());
      // The count stops at the largest a 16-bit kind holds, so reaching it
      // means the folder may hold more than the list can describe.
      if (count >= kMaxFolderCount) {
        platform_.messages.show(std::string(text::kFolderTooLarge) + path);
        continue;
      }
      kind = kKindFolderBase + count;
    }
    if (rowCount() + 1 >= rows_.rowCapacity) rows_.growOneStep();
    const auto index = static_cast<std::size_t>(rowCount());
    rows_.kind[index] = kind;
    rows_.style[index] = kNewRowStyle;
    rows_.ratio[index] = kNewRowRatio;
    list1_.items.push_back(folder ? std::string(text::kFolderMarker) + DisplayName(path)
                                  : DisplayName(path));
    list1_.selected.push_back(0);
    rows_.path[index] = path;
    if (observer_) observer_->rowsAppended(rowCount());
    if (!saveList(/*reportFailure=*/!saveFailed)) saveFailed = true;
  }
}

}  // namespace tivolen::manager

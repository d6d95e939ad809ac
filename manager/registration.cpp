// SPDX-License-Identifier: GPL-3.0-or-later
// Registration of files and folders dropped on the window, or chosen in the
// system's file dialog.
#include "common/folder_walk.h"
#include "common/picture_types.h"
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
      // Counted one past the limit, so that a folder of exactly the largest
      // count a 16-bit kind holds is told from a larger one.
      const int count =
          CountFolderItems(platform_.files, path, subfolderDepth(), kMaxFolderCount + 1);
      if (count > kMaxFolderCount) {
        platform_.messages.show(std::string(text::kFolderTooLarge) + path);
        continue;
      }
      kind = kKindFolderBase + count;
    }
    const PathRules rules = platform_.files.pathRules();
    const std::string shown = folder ? std::string(text::kFolderMarker) + DisplayName(path, rules)
                                     : DisplayName(path, rules);
    // The slot grows by one step as the loader grows it.
    if (rowCount() + 1 >= document_.rowCapacity()) {
      document_.GrowRows(document_.rowCapacity() + 1);
    }
    document_.AppendRow({shown, path, kind, kNewRowStyle, kNewRowRatio});
    list1_.selected.push_back(0);
    if (observer_) observer_->rowsAppended(rowCount());
    if (!saveList(/*reportFailure=*/!saveFailed)) saveFailed = true;
  }
}

void EditForm::AddChosenItems(ChooseWhat what) {
  if (platform_.fileChooser == nullptr) return;
  // The pictures a drop accepts, both cases of each ending as a dialog on a
  // case-sensitive system needs.
  std::vector<std::string> patterns;
  for (const PictureType& type : kPictureTypes) {
    if (!type.listed) continue;
    const std::string_view ending =
        type.ending.starts_with('.') ? type.ending.substr(1) : type.ending;
    std::string upper(ending);
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    patterns.push_back("*." + std::string(ending));
    patterns.push_back("*." + upper);
  }
  const std::vector<std::string> chosen = platform_.fileChooser->choose(
      what, what == ChooseWhat::Folder ? text::kChooseFolder : text::kChoosePictures, patterns);
  if (!chosen.empty()) RegisterDroppedItems(chosen);
}

}  // namespace tivolen::manager

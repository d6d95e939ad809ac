// Moving the rows and the settings controls to and from List.txt.
#include "common/folder_walk.h"
#include "common/list_file.h"
#include "common/record.h"
#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

// A field taken "as an integer" whatever its notation: a bare 16-bit number.
std::optional<int> asInteger(const std::optional<Field>& field) {
  if (!field || field->type != Field::Type::Bare) return std::nullopt;
  RecordReader reader(field->text);
  return reader.readInteger();
}

enum class Layout { Headerless, V110, V11x, V130, Unknown };

Layout layoutOf(const std::optional<Field>& first, const std::optional<Field>& second) {
  if (!first || first->type != Field::Type::Text || first->text != kVersionTag) {
    return Layout::Headerless;
  }
  if (!second || second->type != Field::Type::Text) return Layout::Unknown;
  const std::string& version = second->text;
  if (version == "1.10") return Layout::V110;
  if (version == "1.11" || version == "1.20" || version == "1.22") return Layout::V11x;
  if (version == kCurrentListVersion) return Layout::V130;
  return Layout::Unknown;
}

// Reads an integer into a row slot; a failed read keeps what the slot holds,
// as every failed step of the loader is skipped.
void readInto(RecordReader& reader, int& slot) {
  if (const auto value = reader.readInteger()) slot = *value;
}

}  // namespace

void EditForm::appendRow(std::string text, const std::string& path) {
  const auto index = list1_.items.size();
  list1_.items.push_back(std::move(text));
  list1_.selected.push_back(0);
  rows_.path[index] = path;
  if (static_cast<int>(index) + 2 >= rows_.rowCapacity) rows_.growOneStep();
}

void EditForm::LoadList() {
  const std::string file = platform_.inDataDir(kListFileName);
  if (!platform_.files.fileExists(file)) {
    SetBarSubFolder(8);
    return;
  }
  const std::optional<std::string> read = platform_.files.readFile(file);
  if (!read) {
    // Loading goes on as with an empty file; saying so keeps the user from
    // taking the empty list for the real one.
    platform_.messages.show(tivolen::text::kListUnreadable);
  }
  const std::string contents = read.value_or("");
  RecordReader reader(contents);
  const auto first = reader.next();
  const auto second = reader.next();
  const Layout layout = layoutOf(first, second);

  int timing = 0;
  int order = 0;
  if (layout == Layout::Headerless) {
    timing = asInteger(first).value_or(timing);
    order = asInteger(second).value_or(order);
  } else if (layout != Layout::Unknown) {
    readInto(reader, timing);
    readInto(reader, order);
  }
  if (layout == Layout::V11x) SetBarSubFolder(2);
  if (layout == Layout::V130) {
    reader.next();  // the "[SubFolder]" tag, not checked
    if (const auto depth = reader.readInteger()) SetBarSubFolder(kDepthBarMax - *depth);
  }

  bool truncated = false;
  if (layout != Layout::Unknown) {
    // The end test follows each record, so the body runs at least once.
    do {
      const auto index = static_cast<std::size_t>(rowCount());
      std::string path = reader.readText().value_or("");
      if (layout != Layout::Headerless && layout != Layout::V110 && path == kLauncherTag) {
        const auto launcher = reader.next();
        SetChkLounch(true);
        SetTxtLounch(launcher ? launcher->text : std::string());
        break;
      }
      if (rowCount() >= kMaxRows) {
        truncated = true;
        break;
      }
      switch (layout) {
        case Layout::Headerless:
          if (platform_.files.fileExists(path)) {
            rows_.ratio[index] = 5;
            appendRow(DisplayName(path), path);
          }
          break;
        case Layout::V110:
          readInto(reader, rows_.style[index]);
          readInto(reader, rows_.ratio[index]);
          if (platform_.files.fileExists(path)) appendRow(DisplayName(path), path);
          break;
        case Layout::V11x:
          readInto(reader, rows_.style[index]);
          readInto(reader, rows_.ratio[index]);
          rows_.kind[index] = kKindImage;
          if (platform_.files.fileExists(path)) appendRow(DisplayName(path), path);
          break;
        default: {
          readInto(reader, rows_.kind[index]);
          readInto(reader, rows_.style[index]);
          readInto(reader, rows_.ratio[index]);
          const int kind = rows_.kind[index];
          if (kind == kKindImage) {
            if (platform_.files.fileExists(path)) appendRow(DisplayName(path), path);
          } else if (kind > kKindFolderBase) {
            // Folders are never tested: a folder on a detached drive stays listed.
            appendRow(std::string(text::kFolderMarker) + DisplayName(path), path);
          }
          break;
        }
      }
    } while (!reader.atEnd());
  }
  SetTiming(timing);
  SetOrder(order);
  if (observer_) observer_->rowsReset();
  if (truncated) platform_.messages.show(text::kListTruncated);
}

bool EditForm::SaveList() {
  return saveList(/*reportFailure=*/true);
}

bool EditForm::saveList(bool reportFailure) {
  if (rowCount() == 0) {
    platform_.messages.show(tivolen::text::kNoEntries);
    return false;
  }
  ImageList list;
  list.settings.timingMode = timing_;
  list.settings.orderMode = order_ == 0 ? 0 : 1;
  list.settings.subfolderDepth = subfolderDepth();
  const int count = rowCount();
  list.entries.reserve(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) {
    const auto i = static_cast<std::size_t>(row);
    if (rows_.kind[i] > kKindFolderBase && !platform_.files.folderExists(rows_.path[i])) {
      // A folder on a drive that is not attached now counts nothing; dropping
      // it from the file would lose the registration for good. It keeps its
      // last count; the changer passes over a folder it cannot open.
      if (!rows_.path[i].empty() && rows_.path[i].back() != '/') rows_.path[i] += '/';
    } else if (rows_.kind[i] > kKindFolderBase) {
      int depthCounter = 0;
      const int items =
          CountFolderItems(platform_.files, rows_.path[i], depthCounter, subfolderDepth());
      // A folder grown past what a 16-bit kind holds stays registered at the
      // largest kind rather than wrapping round or vanishing.
      rows_.kind[i] = kKindFolderBase + std::min(items, kMaxFolderCount);
    }
    if (isRegisteredKind(rows_.kind[i]) && !rows_.path[i].empty()) {
      list.entries.push_back({rows_.path[i], rows_.kind[i], rows_.style[i], rows_.ratio[i]});
    }
  }
  const std::string& launcher = txtLounch_.text;
  if (txtLounch_.enabled && !launcher.empty() && launcher != " " &&
      platform_.files.fileExists(launcher)) {
    if (canHoldText(launcher)) {
      list.launcherPath = launcher;
    } else if (reportFailure) {
      platform_.messages.show(text::kLauncherNotStorable);
    }
  }
  const Status status =
      platform_.files.writeFileAtomically(platform_.inDataDir(kListFileName), writeImageList(list));
  if (!status.isOk()) {
    if (reportFailure) platform_.messages.show(std::string(text::kSaveFailed) + status.message);
    return false;
  }
  return true;
}

}  // namespace tivolen::manager

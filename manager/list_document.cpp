// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/list_document.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "common/folder_walk.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

constexpr int kInitialRowCapacity = 5;

// A field taken "as an integer" whatever its notation: a bare 16-bit number.
std::optional<int> asInteger(const std::optional<Field>& field) {
  if (!field || field->type != Field::Type::Bare) return std::nullopt;
  RecordReader reader(field->text);
  return reader.readInteger();
}

enum class Layout { Headerless, V110, V11x, V130, OtherVersion, DamagedHeader };

Layout layoutOf(const std::optional<Field>& first, const std::optional<Field>& second) {
  if (!first || first->type != Field::Type::Text || first->text != kVersionTag) {
    return Layout::Headerless;
  }
  if (!second || second->type != Field::Type::Text) return Layout::DamagedHeader;
  const std::string& version = second->text;
  if (version == "1.10") return Layout::V110;
  if (version == "1.11" || version == "1.20" || version == "1.22") return Layout::V11x;
  if (version == kCurrentListVersion) return Layout::V130;
  return Layout::OtherVersion;
}

// Reads an integer into a row field; a failed read keeps what the field
// holds, as every failed step of the loader is skipped.
bool readInto(RecordReader& reader, int& field) {
  const auto value = reader.readInteger();
  if (value) field = *value;
  return value.has_value();
}

std::string folderText(std::string_view path, PathRules rules) {
  return std::string(text::kFolderMarker) + DisplayName(path, rules);
}

bool sameName(std::string_view a, std::string_view b, PathRules rules) {
  if (!rules.windows()) return a == b;
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

bool PictureLookup::isGone(const std::string& path) {
  const PathRules rules = files_.pathRules();
  std::size_t cut = path.size();
  while (cut > 0 && !rules.isSeparator(path[cut - 1])) --cut;
  // A bare name or a folder's own path says nothing about where it lies.
  if (cut == 0 || cut == path.size()) return false;
  const std::string folder = path.substr(0, cut);
  const std::string name = path.substr(cut);
  auto found = listings_.find(folder);
  if (found == listings_.end()) {
    // Only a folder that is there and can be read can tell that a name is
    // not in it; a drive that is not attached, or a folder this user may not
    // open, tells nothing.
    std::optional<std::vector<FolderEntry>> entries;
    if (files_.folderExists(folder)) entries = files_.listFolder(folder);
    found = listings_.emplace(folder, std::move(entries)).first;
  }
  if (!found->second) return false;
  return std::none_of(found->second->begin(), found->second->end(),
                      [&](const FolderEntry& entry) { return sameName(entry.name, name, rules); });
}

std::string DisplayName(std::string_view path, PathRules rules) {
  for (std::size_t at = path.size() < 2 ? 0 : path.size() - 1; at-- > 0;) {
    if (rules.isSeparator(path[at])) return std::string(path.substr(at + 1));
  }
  return std::string(path);
}

bool IsPictureFile(const FileSystem& files, const std::string& path) {
  // The common case in one look; the attribute set, dearer, only for what
  // that look refuses: hidden files count here, folders and system files not.
  if (files.fileExists(path)) return true;
  const std::optional<int> attributes = files.attributes(path);
  return attributes && (*attributes & (attr::kDirectory | attr::kSystem)) == 0;
}

ListDocument::ListDocument() {
  GrowRows(kInitialRowCapacity);
}

void ListDocument::GrowRows(int capacity) {
  if (capacity > rowCapacity()) slots_.resize(toSlot(capacity) + 1);
}

void ListDocument::ensureSlot(int index) {
  if (index >= rowCapacity()) GrowRows(index + 1);
}

void ListDocument::Clear() {
  count_ = 0;
  notLoaded_.clear();
}

LoadResult ListDocument::Load(std::string_view contents, const FileSystem& files) {
  LoadResult result;
  LoadedSettings& settings = result.settings;
  RecordReader reader(contents);
  // An empty file holds nothing to lose and nothing to say.
  if (reader.atEnd()) return result;
  const auto first = reader.next();
  const auto second = reader.next();
  const Layout layout = layoutOf(first, second);
  bool damaged = false;
  auto integer = [&](int& field) { damaged = !readInto(reader, field) || damaged; };

  switch (layout) {
    case Layout::OtherVersion:
      result.problem = LoadResult::Problem::OtherVersion;
      return result;
    case Layout::DamagedHeader:
      result.problem = LoadResult::Problem::Damaged;
      return result;
    case Layout::Headerless: {
      const auto timing = asInteger(first);
      const auto order = asInteger(second);
      damaged = !timing || !order;
      settings.timing = timing.value_or(0);
      settings.order = order.value_or(0);
      break;
    }
    default:
      integer(settings.timing);
      integer(settings.order);
      break;
  }
  if (layout == Layout::V11x) settings.subfolderDepth = 8;
  if (layout == Layout::V130) {
    reader.next();  // the "[SubFolder]" tag, not checked
    int depth = 0;
    integer(depth);
    settings.subfolderDepth = depth;
  }

  const bool hasLauncher = layout == Layout::V11x || layout == Layout::V130;
  const bool headerDamaged = damaged;
  damaged = false;
  ListRow beyondLimit;
  PictureLookup lookup(files);
  // An image is left out only when its folder shows it is gone; one on a
  // drive that is not attached stays, and is saved back as it was.
  auto imageListed = [&](const std::string& path) {
    // The current layout reads this path as the launcher's tag: kept as an
    // entry, it would turn into a launcher at the next load.
    if (path.empty() || path == kLauncherTag) return false;
    if (IsPictureFile(files, path) || !lookup.isGone(path)) return true;
    if (count_ < kMaxRows) result.removed.push_back(path);
    return false;
  };
  // The end test follows each record, so the body runs at least once; a file
  // that ends right after its header gives one pass of failed reads.
  const bool emptyBody = reader.atEnd();
  do {
    const bool full = count_ >= kMaxRows;
    ListRow& target = full ? beyondLimit : row(count_);
    const auto path = reader.readText();
    damaged = damaged || (!path && !emptyBody);
    target.path = path.value_or("");
    if (hasLauncher && target.path == kLauncherTag) {
      const auto launcher = reader.next();
      settings.launcherPath = launcher ? launcher->text : std::string();
      break;
    }
    bool listed = false;
    switch (layout) {
      case Layout::Headerless:
        target.ratio = kNewRowRatio;
        listed = imageListed(target.path);
        break;
      case Layout::V110:
      case Layout::V11x:
        integer(target.style);
        integer(target.ratio);
        if (layout == Layout::V11x) target.kind = kKindImage;
        listed = imageListed(target.path);
        break;
      default:
        integer(target.kind);
        integer(target.style);
        integer(target.ratio);
        // Folders are never tested: a folder on a detached drive stays listed.
        listed = target.kind > kKindFolderBase ||
                 (target.kind == kKindImage && imageListed(target.path));
        break;
    }
    if (full) {
      // Kept as read, so the next save writes back what was not shown.
      if (isRegisteredKind(target.kind) && !target.path.empty()) {
        notLoaded_.push_back({target.path, target.kind, target.style, target.ratio});
      }
      continue;
    }
    if (!listed) continue;
    target.text = target.kind > kKindFolderBase ? folderText(target.path, files.pathRules())
                                                : DisplayName(target.path, files.pathRules());
    ++count_;
    if (count_ + 1 >= rowCapacity() && rowCapacity() < kMaxRows) GrowRows(rowCapacity() + 1);
  } while (!reader.atEnd());

  result.notLoaded = static_cast<int>(notLoaded_.size());
  if (headerDamaged || (damaged && !emptyBody)) result.problem = LoadResult::Problem::Damaged;
  return result;
}

std::vector<ListEntry> ListDocument::Save(const FileSystem& files, int depth) const {
  std::vector<ListEntry> entries;
  entries.reserve(toSlot(count_) + notLoaded_.size());
  for (int i = 0; i < count_; ++i) {
    const ListRow& source = row(i);
    ListEntry entry{source.path, source.kind, source.style, source.ratio};
    if (entry.kind > kKindFolderBase) {
      if (!files.folderExists(entry.path)) {
        // A folder on a drive that is not attached now counts nothing; dropping
        // it from the file would lose the registration for good. It keeps its
        // last count; the changer passes over a folder it cannot open.
        if (!entry.path.empty()) files.pathRules().endWithSeparator(entry.path);
      } else {
        // Every saved folder path ends in its separator, as the count has
        // always left it.
        files.pathRules().endWithSeparator(entry.path);
        // A folder grown past what a 16-bit kind holds stays registered at
        // the largest kind rather than wrapping round or vanishing.
        const int count = CountFolderItems(files, entry.path, depth);
        // An empty folder is most often a mount point with nothing mounted:
        // it keeps the count it was saved with, as a missing one does.
        if (count > 0 || entry.kind <= kKindFolderBase) entry.kind = kKindFolderBase + count;
      }
    }
    if (isRegisteredKind(entry.kind) && !entry.path.empty()) entries.push_back(std::move(entry));
  }
  entries.insert(entries.end(), notLoaded_.begin(), notLoaded_.end());
  return entries;
}

bool ListDocument::AppendRow(ListRow newRow) {
  if (count_ >= kMaxRows) return false;
  ensureSlot(count_ + 1);
  row(count_) = std::move(newRow);
  ++count_;
  return true;
}

void ListDocument::RemoveRows(const std::vector<char>& remove) {
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    if (i < static_cast<int>(remove.size()) && remove[toSlot(i)] != 0) continue;
    if (kept != i) std::swap(row(kept), row(i));
    ++kept;
  }
  count_ = kept;
}

void ListDocument::SwapRows(int first, int second) {
  std::swap(row(first), row(second));
}

std::string DuplicateKey(std::string_view path, PathRules rules) {
  std::string key(path);
  // A folder is saved with its separator but dropped without one; both name
  // the same folder. A root folder keeps its only separator.
  while (key.size() > 1 && rules.isSeparator(key.back())) key.pop_back();
  if (rules.windows()) std::replace(key.begin(), key.end(), '/', rules.separator());
  return key;
}

std::vector<char> ListDocument::FindDuplicates(PathRules rules) const {
  std::vector<char> duplicate(toSlot(count_), 0);
  // Rows the user registered are judged among themselves, expansion rows
  // among themselves: a sub-folder row names its folder without the
  // separator, and must never push out the same folder registered later.
  std::unordered_set<std::string> registered;
  std::unordered_set<std::string_view> expansion;
  for (int i = 0; i < count_; ++i) {
    const ListRow& current = row(i);
    const bool shownOnly = current.kind == kKindFolderImage || current.kind == kKindFolderSubfolder;
    const bool repeated = shownOnly ? !expansion.insert(current.path).second
                                    : !registered.insert(DuplicateKey(current.path, rules)).second;
    if (repeated) duplicate[toSlot(i)] = 1;
  }
  return duplicate;
}

std::vector<char> ListDocument::CollapseList() {
  std::vector<char> expansion(toSlot(count_), 0);
  // The kind tells an expansion row even when something has written a
  // ratio into it.
  for (int i = 0; i < count_; ++i) {
    const ListRow& current = row(i);
    const bool shownOnly = current.kind == kKindFolderImage ||
                           current.kind == kKindFolderSubfolder || current.ratio < 0;
    expansion[toSlot(i)] = shownOnly ? 1 : 0;
  }
  RemoveRows(expansion);
  return expansion;
}

bool ListDocument::ExpandList(const FileSystem& files, int depth) {
  CollapseList();
  const std::vector<ListRow> registered(slots_.begin(), slots_.begin() + count_);
  count_ = 0;
  expansionCut_ = false;
  const int total = static_cast<int>(registered.size());
  for (int i = 0; i < total; ++i) {
    ListRow again = registered[toSlot(i)];
    again.text = again.kind < kKindFolderBase ? DisplayName(again.path, files.pathRules())
                                              : folderText(again.path, files.pathRules());
    const int index = count_;
    AppendRow(std::move(again));
    if (registered[toSlot(i)].kind >= kKindFolderBase) {
      int depthCounter = 0;
      FolderVisits visits(files);
      visits.enter(registered[toSlot(i)].path, 0);
      // The registered rows after this one always keep their place.
      ListFolderRows(files, registered[toSlot(i)].path, depthCounter, depth, registered[toSlot(i)],
                     index, total - i - 1, visits);
    }
  }
  return !expansionCut_;
}

void ListDocument::ListFolderRows(const FileSystem& files, std::string folder, int& depthCounter,
                                  int depth, const ListRow& owner, int ownerIndex, int reserved,
                                  FolderVisits& visits) {
  // Once cut, no later row fits either: walking on would only cost time.
  if (depthCounter > depth || expansionCut_) return;
  ++depthCounter;
  const int ratio = -1 - ownerIndex;
  auto append = [&](std::string text, std::string path, int kind) {
    if (count_ >= kMaxRows - reserved) {
      expansionCut_ = true;
      return;
    }
    AppendRow({std::move(text), std::move(path), kind, owner.style, ratio});
  };
  const PathRules rules = files.pathRules();
  if (depthCounter > 1) append(".." + folderText(folder, rules), folder, kKindFolderSubfolder);
  rules.endWithSeparator(folder);
  const FolderScan scan = ScanFolder(files, folder);
  if (scan.found) {
    for (const std::string& name : scan.subFolders) {
      // Shown once, as the count counts it once: a maze of links would
      // otherwise be walked down every road.
      if (!visits.enter(folder + name, depthCounter)) continue;
      ListFolderRows(files, folder + name, depthCounter, depth, owner, ownerIndex, reserved,
                     visits);
    }
    // Two separators between folder and name mark a picture seen through its
    // folder, so it never counts as a duplicate of the same file registered
    // on its own.
    for (const std::string& name : scan.images) {
      std::string path = folder;
      path.append(1, rules.separator()).append(name);
      append(std::string("..").append(1, rules.separator()).append(name), std::move(path),
             kKindFolderImage);
    }
  }
  --depthCounter;
}

}  // namespace tivolen::manager

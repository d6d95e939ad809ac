// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/list_file.h"

#include "common/record.h"

namespace tivolen {
namespace {

bool headerIsCurrent(RecordReader& reader) {
  const auto tag = reader.next();
  const auto version = reader.next();
  return tag && version && tag->type == Field::Type::Text && tag->text == kVersionTag &&
         version->type == Field::Type::Text && version->text == kCurrentListVersion;
}

bool isStoredEntry(const ListEntry& entry) {
  return !entry.path.empty() && (entry.kind == kKindImage || entry.kind > kKindFolderBase);
}

}  // namespace

std::string_view WithoutByteOrderMark(std::string_view contents) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (contents.starts_with(kMark)) contents.remove_prefix(kMark.size());
  return contents;
}

bool ListFileTooLarge(const FileSystem& files, const std::string& path) {
  const std::optional<std::int64_t> size = files.fileSize(path);
  return size && *size > kMaxListFileBytes;
}

ListHeader readListHeader(std::string_view contents) {
  RecordReader reader(WithoutByteOrderMark(contents));
  ListHeader header;
  header.currentVersion = headerIsCurrent(reader);
  if (header.currentVersion) header.timingMode = reader.readInteger();
  return header;
}

ListReadResult readImageList(std::string_view contents) {
  RecordReader reader(WithoutByteOrderMark(contents));
  ListReadResult result;
  if (!headerIsCurrent(reader)) {
    result.otherVersion = true;
    return result;
  }
  ImageList list;
  const auto timing = reader.readInteger();
  const auto order = reader.readInteger();
  const auto tag = reader.readText();
  const auto depth = reader.readInteger();
  if (!timing || !order || !tag || !depth) return result;
  list.settings = {*timing, *order, *depth};

  while (!reader.atEnd()) {
    auto path = reader.readText();
    if (!path) return result;
    if (*path == kLauncherTag) {
      auto launcher = reader.readText();
      if (!launcher) return result;
      list.launcherPath = std::move(*launcher);
      break;
    }
    const auto kind = reader.readInteger();
    const auto style = reader.readInteger();
    const auto ratio = reader.readInteger();
    if (!kind || !style || !ratio) return result;
    list.entries.push_back({std::move(*path), *kind, *style, *ratio});
  }
  result.list = std::move(list);
  return result;
}

std::string writeImageList(const ImageList& list) {
  RecordWriter out;
  out.text(kVersionTag).text(kCurrentListVersion).endRecord();
  out.integer(list.settings.timingMode).endRecord();
  out.integer(list.settings.orderMode).endRecord();
  out.text(kSubFolderTag).integer(list.settings.subfolderDepth).endRecord();
  for (const ListEntry& entry : list.entries) {
    if (!isStoredEntry(entry)) continue;
    out.text(entry.path).integer(entry.kind).integer(entry.style).integer(entry.ratio).endRecord();
  }
  if (list.launcherPath) out.text(kLauncherTag).text(*list.launcherPath).endRecord();
  return out.str();
}

}  // namespace tivolen

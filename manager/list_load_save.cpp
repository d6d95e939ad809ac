// SPDX-License-Identifier: GPL-3.0-or-later
// Moving the rows and the settings controls to and from List.txt.
#include <cstdio>

#include "common/change_log.h"
#include "common/list_file.h"
#include "common/record.h"
#include "common/text_encoding.h"
#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {

void EditForm::LoadList() {
  const std::string file = platform_.inDataDir(kListFileName);
  listEncoding_ = TextEncoding::Utf8;
  if (!platform_.files.fileExists(file)) {
    SetBarSubFolder(8);
    return;
  }
  const bool tooLarge = ListFileTooLarge(platform_.files, file);
  const std::optional<std::string> read = tooLarge ? std::nullopt : platform_.files.readFile(file);
  const DecodedText decoded = DecodeTextKeepingEncoding(platform_.files, read.value_or(""));
  listEncoding_ = decoded.encoding;
  if (!read) {
    // Loading goes on as with an empty file; saying so keeps the user from
    // taking the empty list for the real one.
    platform_.messages.show(tooLarge ? tivolen::text::kListTooLarge
                                     : tivolen::text::kListUnreadable);
    platform_.messages.detail(file);
  }
  const LoadResult result = document_.Load(WithoutByteOrderMark(decoded.text), platform_.files);
  const LoadedSettings& settings = result.settings;
  if (settings.subfolderDepth) SetBarSubFolder(kDepthBarMax - *settings.subfolderDepth);
  if (settings.launcherPath) {
    SetChkLounch(true);
    SetTxtLounch(*settings.launcherPath);
  }
  SetTiming(settings.timing);
  SetOrder(settings.order);
  list1_.selected.assign(static_cast<std::size_t>(rowCount()), 0);
  list1_.listIndex = -1;
  if (observer_) observer_->rowsReset();
  if (read) reportLoadProblem(result);
  if (!result.removed.empty()) reportRemovedImages(result.removed);
  // A list mended by hand and read again whole needs no copy any more.
  unreadList_.reset();
  if (read && (result.problem != LoadResult::Problem::None || !result.removed.empty())) {
    unreadList_ = *read;
    // The user was told of the copy with the removed rows; saving it needs
    // no second box.
    unreadListAnnounced_ = result.problem == LoadResult::Problem::None;
  }
}

void EditForm::reportRemovedImages(const std::vector<std::string>& removed) {
  constexpr std::size_t kShownPaths = 20;
  std::string message(text::kImagesRemoved);
  for (std::size_t i = 0; i < removed.size() && i < kShownPaths; ++i) {
    message += "\r\n";
    message += removed[i];
  }
  if (removed.size() > kShownPaths) {
    message += "\r\n" + std::string(text::kImagesRemovedMore) +
               std::to_string(removed.size() - kShownPaths) + std::string(text::kItemsUnit);
  }
  platform_.messages.show(message);
  for (const std::string& path : removed) platform_.messages.detail(path);
}

// Told once: the record is removed as it is shown.
void EditForm::reportUnavailableAtLogOn() {
  const std::string file = platform_.inDataDir(kUnavailableFileName);
  if (!platform_.files.fileExists(file)) return;
  const std::optional<std::int64_t> size = platform_.files.fileSize(file);
  const std::optional<std::string> read =
      size && *size <= kMaxUnavailableFileBytes ? platform_.files.readFile(file) : std::nullopt;
  if (const Status removed = platform_.files.removeFile(file); !removed.isOk()) {
    platform_.messages.detail(removed.message);
  }
  const std::vector<std::string> paths = readUnavailableEntries(read.value_or(""));
  if (paths.empty()) return;
  constexpr std::size_t kShown = 20;
  std::string message(text::kUnavailableAtLogOn);
  for (std::size_t i = 0; i < paths.size() && i < kShown; ++i) message += "\r\n" + paths[i];
  if (paths.size() > kShown) {
    std::string more(text::kUnavailableMore);
    more.replace(more.find("%d"), 2, std::to_string(paths.size() - kShown));
    message += "\r\n" + more;
  }
  platform_.messages.show(message);
}

void EditForm::reportLoadProblem(const LoadResult& result) {
  switch (result.problem) {
    case LoadResult::Problem::OtherVersion:
      platform_.messages.show(text::kListOtherVersion);
      break;
    case LoadResult::Problem::Damaged:
      platform_.messages.show(text::kListDamagedAtStart);
      break;
    case LoadResult::Problem::None:
      break;
  }
  if (result.notLoaded > 0) platform_.messages.show(text::kListTruncated);
}

bool EditForm::SaveList() {
  return saveList(/*reportFailure=*/true);
}

bool EditForm::saveList(bool reportFailure) {
  if (rowCount() == 0) {
    platform_.messages.show(tivolen::text::kNoEntries);
    return false;
  }
  const SaveFailure failure = writeList(composeList(Report::Boxes), Report::Boxes);
  if (failure.message.empty()) return true;
  if (reportFailure) {
    platform_.messages.show(failure.message);
    platform_.messages.detail(failure.detail);
  }
  return false;
}

void EditForm::EndSession() {
  timer1_.enabled = false;
  if (rowCount() == 0) {
    platform_.messages.detail(tivolen::text::kNoEntries);
    return;
  }
  const std::string contents = composeList(Report::StderrOnly);
  const SaveFailure failure = writeList(contents, Report::StderrOnly);
  if (failure.message.empty()) return;
  platform_.messages.detail(failure.message);
  platform_.messages.detail(failure.detail);
  // The session will not wait for an answer: the edits go to a file of
  // their own beside the list, and the next start points the user to it.
  const std::string copy = platform_.inDataDir(UnsavedCopyName(platform_.clock.now()));
  const Status kept = platform_.files.writeFileAtomically(copy, contents);
  if (kept.isOk()) {
    platform_.messages.detail(std::string(text::kEditsKeptIn) + copy);
  } else {
    platform_.messages.detail(text::kEditsLost);
    platform_.messages.detail(kept.message);
  }
}

void EditForm::reportUnsavedCopies() {
  const auto entries = platform_.files.listFolder(platform_.dataFolder());
  if (!entries) return;
  std::string found;
  for (const FolderEntry& entry : *entries) {
    if (entry.isDirectory() || !entry.name.starts_with(kUnsavedCopyPrefix)) continue;
    found += "\r\n" + platform_.inDataDir(entry.name);
  }
  if (!found.empty()) platform_.messages.show(std::string(text::kUnsavedCopiesFound) + found);
}

std::string UnsavedCopyName(const std::optional<LocalTime>& now) {
  std::string name(kUnsavedCopyPrefix);
  if (!now) return name + "time-unknown";
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now->day.year, now->day.month,
                now->day.day, now->hour, now->minute, now->second);
  return name + stamp;
}

void EditForm::tell(Report report, std::string_view message) {
  if (report == Report::Boxes) {
    platform_.messages.show(message);
  } else {
    platform_.messages.detail(message);
  }
}

std::string EditForm::composeList(Report report) {
  ImageList list;
  list.settings.timingMode = timing_;
  list.settings.orderMode = order_ == kOrderSequential ? kOrderSequential : kOrderRandom;
  list.settings.subfolderDepth = subfolderDepth();
  list.entries = document_.Save(platform_.files, subfolderDepth());
  const std::string& launcher = txtLounch_.text;
  // Kept whether or not the program is there now: it may be on a drive that
  // is not attached, and OK says what is wrong with it.
  if (txtLounch_.enabled && !launcher.empty() && launcher != " ") {
    if (canHoldText(launcher)) {
      list.launcherPath = launcher;
    } else {
      tell(report, text::kLauncherNotStorable);
    }
  }
  return writeImageList(list);
}

EditForm::SaveFailure EditForm::writeList(const std::string& contents, Report report) {
  const std::string file = platform_.inDataDir(kListFileName);
  std::optional<std::string> stored = EncodeText(platform_.files, contents, listEncoding_);
  // A name the old code page cannot hold turns the list into UTF-8; the old
  // programs cannot read that, so the list they wrote stays beside it.
  const bool toUtf8 = !stored;
  if (toUtf8) stored = contents;
  std::optional<std::string> backup = unreadList_;
  if (toUtf8 && !backup && platform_.files.fileExists(file)) {
    backup = platform_.files.readFile(file);
    if (!backup) return {text::kBackupFailed, file};
  }
  bool keptUnreadList = false;
  if (backup) {
    // The user's own list is never replaced unseen: it stays beside the new
    // one as it was.
    const Status kept = platform_.files.writeFileAtomically(file + ".bak", *backup);
    if (!kept.isOk()) return {text::kBackupFailed, kept.message};
    keptUnreadList = unreadList_.has_value();
    unreadList_.reset();
  }
  const Status status = platform_.files.writeFileAtomically(file, *stored);
  // Told after the list is written: a box must never stand between the
  // edits and the disk.
  if (keptUnreadList) {
    tell(unreadListAnnounced_ ? Report::StderrOnly : report, text::kListKeptAsBackup);
  }
  if (!status.isOk()) return {text::kSaveFailed, status.message};
  if (toUtf8) {
    listEncoding_ = TextEncoding::Utf8;
    tell(report, backup ? std::string(text::kListNowUtf8) + std::string(text::kOldListKept)
                        : std::string(text::kListNowUtf8));
  }
  return {};
}

}  // namespace tivolen::manager

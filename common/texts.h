// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// Every text the programs show, in one place: the messages are the system's
// own words and must stand exactly as users know them.
namespace tivolen::text {

inline constexpr std::string_view kNoList = "リストなし";
inline constexpr std::string_view kOtherVersion = "別のバージョンで作成されたリストです。";
inline constexpr std::string_view kFileNotFound = "ファイルが見つかりません";
inline constexpr std::string_view kError = "エラー";
inline constexpr std::string_view kStartupShortcutCreated =
    "スタートアップにショートカットを作成しました。\r\nアンインストールの際はご注意ください。";
inline constexpr std::string_view kNoEntries = "リストがありません";
inline constexpr std::string_view kUnsupportedFormat = "未対応のファイル形式です";
inline constexpr std::string_view kChangerCaption = "壁紙の変更";
inline constexpr std::string_view kManagerCaption = "壁紙の設定";

// Tips of the navigator's buttons: our own, as the old window had none.
inline constexpr std::string_view kTipBack = "前の画像を壁紙にします";
inline constexpr std::string_view kTipRandom =
    "リストの設定（順番に・ランダム）どおりに選んで壁紙にします";
inline constexpr std::string_view kTipNext = "次の画像を壁紙にします";
inline constexpr std::string_view kTipManager = "管理を起動します";

// Our own texts for cases the old programs never ended cleanly.
inline constexpr std::string_view kListDamaged =
    "リストが壊れています。管理で開いて保存し直してください。";
inline constexpr std::string_view kListHasNoEntries = "リストに画像が登録されていません。";
inline constexpr std::string_view kStartupShortcutFailed =
    "スタートアップにショートカットを作成できませんでした。";
inline constexpr std::string_view kAppFolderNameNotUtf8 =
    "フォルダー名に UTF-8 でない文字があるため、ログオン時に起動できません。"
    "フォルダー名を変えてから、もう一度起動してください：";
// A failure nothing below main() could answer ends the program with this.
inline constexpr std::string_view kUnexpectedFailure =
    "予期しないエラーが発生したため、終了します。";
inline constexpr std::string_view kManagerNotStarted = "管理プログラムを起動できませんでした。";
inline constexpr std::string_view kListUnreadable = "リストを読み込めませんでした。";
inline constexpr std::string_view kListTooLarge =
    "リストが大きすぎるため読み込めません（64 MB まで）。";
inline constexpr std::string_view kRandomNeedsTwoPictures =
    "ランダムに選ぶには、画像を2つ以上登録してください。";
inline constexpr std::string_view kNoPictureToShow = "リストの中に表示できる画像が見つかりません。";
inline constexpr std::string_view kFolderHasNoPicture = "登録されたフォルダーに画像がありません。";
// Shown with the folder's path on the next line (and on standard error).
inline constexpr std::string_view kRegisteredFolderMissing =
    "登録されたフォルダーが見つかりません：";
inline constexpr std::string_view kRegisteredFolderUnreadable =
    "登録されたフォルダーを読み込めません：";
// Lines for standard error only; the reason follows.
inline constexpr std::string_view kChangeLogNotWritten = "WallPaper.log を書き込めませんでした：";
inline constexpr std::string_view kUnavailablePassedOver = "見つからないため飛ばしました：";
inline constexpr std::string_view kNothingAvailable =
    "リストの画像がどれも見つからないため、壁紙を変更しませんでした。";

// Pictures and the desktop.
inline constexpr std::string_view kCannotShowFormat = "この画像形式は表示できません";
inline constexpr std::string_view kCannotLoadPicture = "画像を読み込めません";
inline constexpr std::string_view kPictureTooLarge = "画像が大きすぎるため読み込めません";
inline constexpr std::string_view kCannotWriteWallpaper = "壁紙ファイルを書き込めません";
inline constexpr std::string_view kDesktopUnreachable =
    "デスクトップに接続できないため、壁紙を変更できませんでした。";
inline constexpr std::string_view kDesktopRefused = "デスクトップが壁紙を受け付けませんでした。";

}  // namespace tivolen::text

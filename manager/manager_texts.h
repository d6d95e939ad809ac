// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

// The manager's own words: captions of its controls, the pieces of the
// details text and its messages. Users know these texts; keep them exact.
namespace tivolen::manager::text {

inline constexpr std::string_view kFolderMarker = "[フォルダ]";

inline constexpr std::array<std::string_view, 4> kTimingCaptions = {"起動ごと", "日にちごと",
                                                                    "曜日", "毎月"};
inline constexpr std::array<std::string_view, 2> kOrderCaptions = {"順番に", "ランダム"};
inline constexpr std::array<std::string_view, 5> kStyleNames = {"中央", "タイル", "拡大", "オート1",
                                                                "オート2"};

// Depth and ratio labels.
inline constexpr std::string_view kSubFolderLabel = "サブフォルダの階層:";
inline constexpr std::string_view kLuckDesignCaption = "割合";
inline constexpr std::string_view kLuckLabel = "割合:";
// Index = ratio value; each word starts with an ideographic space.
inline constexpr std::array<std::string_view, 6> kLuckWords = {"",         "　まれ", "",
                                                               "　ふつう", "",       "　頻出"};

// Pieces of the details text.
inline constexpr std::string_view kStartCount = "回目";
inline constexpr std::string_view kDay = "日";
inline constexpr std::string_view kMonth = "月";
inline constexpr std::string_view kUnused = "未使用";
inline constexpr std::string_view kFrequency = "頻度:";
inline constexpr std::array<std::string_view, 5> kStyleDetails = {
    "　中央に表示", "　並べて表示", "　画面に合わせて拡大", "　拡大して全体を表示",
    "　余白を無くして拡大"};
inline constexpr std::string_view kKindImageText = " 画像";
inline constexpr std::string_view kKindFolderImageText = " 登録フォルダ内の画像";
inline constexpr std::string_view kKindFolderSubfolderText = " 登録フォルダ内のフォルダ";
inline constexpr std::string_view kKindFolderText = " フォルダ";
// Sunday first, as a Japanese system counts the week.
inline constexpr std::array<std::string_view, 7> kWeekdays = {
    "日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};

// At the start after a log-on that passed over pictures or folders that were
// not there; the paths follow, one a line, then kUnavailableMore if cut short.
inline constexpr std::string_view kUnavailableAtLogOn =
    "前回のログオン時、次の画像・フォルダーが見つからなかったため飛ばしました"
    "（接続されていないドライブ上にある場合は、接続すれば次回から表示されます）：";
inline constexpr std::string_view kUnavailableMore = "ほか %d 件";

// The folder-view button.
inline constexpr std::string_view kExpand = "展開";
inline constexpr std::string_view kCollapse = "たたむ";
// After the count of removed duplicates and one blank before it.
inline constexpr std::string_view kDuplicatesFound = "個の重複がありました。";

// The slideshow; its two messages end in an ASCII full stop.
inline constexpr std::string_view kSlideshowStart = "Start";
inline constexpr std::string_view kSlideshowStop = "Stop";
inline constexpr std::string_view kSlideshowInterrupted = "壁紙スライドショーを中断しました.";
inline constexpr std::string_view kSlideshowFinished = "壁紙スライドショーを修了しました.";
// Our own: a picture the show cannot show is passed over, not stopped at.
// The message naming the picture follows.
inline constexpr std::string_view kSlideshowPassedOver = "飛ばしました：";
// Below the end or interruption message: the count, then the first such
// picture, then kSlideshowSkippedMore when there were more.
inline constexpr std::string_view kSlideshowSkippedCount = "表示できない画像を飛ばしました（";
inline constexpr std::string_view kSlideshowSkippedUnit = " 枚）：";
inline constexpr std::string_view kSlideshowSkippedMore = " ほか";

// Tips shown in Lbl while the mouse moves over a control, by control name.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 22> kTips = {{
    {"BtnAddPictures", "壁紙にしたい画像を選んで登録します(ドラッグと同じです)"},
    {"BtnAddFolder", "壁紙にしたい画像のフォルダを選んで登録します(ドラッグと同じです)"},
    {"BttnUp", "リストの順番を入れ替えます"},
    {"BtnDwn", "リストの順番を入れ替えます"},
    {"BtnDlt", "壁紙画像/フォルダを登録から外します。ファイルそのものは削除しません"},
    {"BtnListRefresh", "リストをメモ帳で編集した後に押してください."},
    {"BtnShowList",
     "メモ帳でリストを開きます.普通は使いません.\r\nリストを一括削除するときなどに使用."},
    {"BtnChkW", "画像リスト重複をチェックします。"},
    {"BtnSupW", "Windowsの起動ごとにTivolenが起動されるようになります."},
    {"BtnSupD", "スタートアップからTivolenへのショートカットを削除します."},
    {"BtnDskSC", "デスクトップ上に管理.exeへのショートカットを作成します."},
    {"BtnQlSc", "クイックランチにTivolenへのショートカットを作成します."},
    {"ChkLounch",
     "Tivolen起動後,指定のソフトを起動します.\r\nカレンダーソフトなどを登録してください , \""},
    {"FrameShow", "壁紙を順次変えていきます."},
    {"OptR1", "ランダムに壁紙を選びます. "},
    {"OptR0", "リストから順番に壁紙にします."},
    {"optt0", "Tivolenを起動するごとに壁紙を変更します."},
    {"optt1", "起動時に日付が変わっていたら壁紙を変更します."},
    {"optt2", "起動時に曜日が変わっていたら壁紙を変更します."},
    {"optt3", "起動時に月が変わっていたら壁紙を変更します."},
    {"Frame0", "壁紙にしたい画像/フォルダをここにドラッグしてください"},
    {"BtnUnstrech", "登録したフォルダを展開し、画像を表示します。"},
}};
// The tips above name Windows' own programs and places; elsewhere these
// take their place: the desktop's text editor, the log-on, the programs'
// own names, and the applications menu the menu entry goes to.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kTipsOffWindows = {{
    {"BtnListRefresh", "リストをテキストエディターで編集した後に押してください."},
    {"BtnShowList",
     "テキストエディターでリストを開きます.普通は使いません."
     "\r\nリストを一括削除するときなどに使用."},
    {"BtnSupW", "ログオンのたびにTivolenが起動されるようになります."},
    {"BtnDskSC", "デスクトップ上に管理へのショートカットを作成します."},
    {"BtnQlSc", "アプリケーションメニューにTivolenの項目を作成します."},
}};
// On Windows the entry goes to the Start menu: the quick-launch bar is gone.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 1> kTipsOnWindows = {{
    {"BtnQlSc", "スタートメニューにTivolenへのショートカットを作成します."},
}};
// The caption of BtnQlSc on Windows.
inline constexpr std::string_view kStartMenuCaption = "スタートメニュー";

// BtnUnstrech while it reads "たたむ".
inline constexpr std::string_view kTipCollapse =
    "展開したフォルダを消し、実際に登録してあるもののみリストに表示します";

// Titles of the file dialog that adds pictures or a folder.
inline constexpr std::string_view kChoosePictures = "壁紙にする画像を選んでください";
inline constexpr std::string_view kChooseFolder = "壁紙にする画像のフォルダを選んでください";

// Shortcuts.
inline constexpr std::string_view kAlreadyThere = "もうあります。";
inline constexpr std::string_view kNoShortcut = "ショートカットはありません";
inline constexpr std::string_view kAskRemoveStartup =
    "スタートアップからショートカットを削除します。";
// The menu entry of BtnQlSc, by what it really is: {Windows, elsewhere}.
inline constexpr std::array<std::string_view, 2> kMenuFolderNotFound = {
    "スタートメニューを見つけられませんでした",
    "アプリケーションメニューのフォルダーを見つけられませんでした"};
inline constexpr std::array<std::string_view, 2> kAskCreateMenuEntry = {
    "スタートメニューにショートカットを作成します",
    "アプリケーションメニューにTivolenの項目を作成します"};

// The schedule the system keeps (operations page).
inline constexpr std::string_view kScheduleCaption = "定期的に変更";
inline constexpr std::string_view kScheduleNoScheduler =
    "この環境ではシステムのスケジューラーを使えないため、定期的な変更は設定できません。";
inline constexpr std::string_view kScheduleNoDisplay =
    "システムのスケジューラーにデスクトップの画面が伝わっていないため、定期的な変更は設定できませ"
    "ん。\r\nデスクトップで「systemctl --user import-environment DISPLAY "
    "WAYLAND_DISPLAY」を実行してから、もう一度選んでください。";
inline constexpr std::string_view kScheduleFailed = "定期的な変更を設定できませんでした：";

// Help texts drawn at random on the about page.
inline constexpr std::string_view kHelpTaskScheduler =
    "一定時間ごとに変更したい場合は操作ページの「定期的に変更」をご利用下さい.";
// There is no board: questions and reports go where the help page says.
inline constexpr std::string_view kHelpQuestions =
    "ご質問・不具合のご報告はヘルプ(help.htm)の「ご質問・不具合のご報告」をご覧ください";
inline constexpr std::string_view kHelpDoubleClick =
    "画像リスト上のファイル名をダブルクリックすると壁紙を変更できます";
inline constexpr std::string_view kHelpShift =
    "[新機能]Shift押しながらTivolen起動で、前後のファイルを壁紙に";

// The about page. There is no home page: the links lead to the help page and
// the README shipped beside the programs.
inline constexpr std::string_view kHelpPage = "help.htm";
// The Windows programs come with a short read-me of their own, as text.
inline constexpr std::array<std::string_view, 2> kReadme = {"README.txt", "README.md"};
inline constexpr std::string_view kLinkCaption = "ヘルプ: help.htm";
inline constexpr std::string_view kAuthorCaption = "作: Tivolen 開発チーム";
inline constexpr std::string_view kMailCaption =
    "ご質問・不具合のご報告: ヘルプの「ご質問・不具合のご報告」をご覧ください";

// Opening a document.
inline constexpr std::string_view kDocumentMissing = "ファイルが見つかりません。\r\n";
inline constexpr std::string_view kDocumentNotOpened =
    "ファイルを開けませんでした。この種類のファイルを開くアプリケーションが"
    "設定されているか確かめてください。\r\n";
inline constexpr std::string_view kListNotSavedYet =
    "リストはまだ保存されていません。画像やフォルダを登録すると List.txt が作られます。";

// Our own messages for cases the old program let corrupt or lose data.
inline constexpr std::string_view kListFull =
    "リストがいっぱいです。登録できるのは32767件までです。残りは登録しませんでした。";
inline constexpr std::string_view kFolderTooLarge =
    "このフォルダは画像とサブフォルダが32764を超えるため登録できません。\r\n";
inline constexpr std::string_view kNameNotStorable =
    "名前に「\"」や改行を含むため、リストに保存できません。登録しませんでした。\r\n";
inline constexpr std::string_view kLauncherNotStorable =
    "ランチャーの名前に「\"」や改行を含むため、ランチャーは保存しませんでした。";
inline constexpr std::string_view kLauncherMissing =
    "ランチャーのファイルが見つかりません。入力した名前はそのまま保存しますが、"
    "このままでは壁紙を変えた後に起動されません。\r\n";
inline constexpr std::string_view kLauncherNotExecutable =
    "ランチャーのファイルは実行できません。入力した名前はそのまま保存しますが、"
    "実行を許可するまでは壁紙を変えた後に起動されません。\r\n";
inline constexpr std::string_view kSaveFailed =
    "リストを保存できませんでした。前のリストはそのまま残っています。\r\n"
    "フォルダに書き込めるか、ディスクに空きがあるかを確かめてください。";
inline constexpr std::string_view kEditsKeptOpen =
    "\r\n編集内容を残すため、ウィンドウは閉じません。もう一度 OK を押すと保存し直します。";
inline constexpr std::string_view kAskQuitUnsaved = "\r\n保存せずに終了しますか？";
inline constexpr std::string_view kEditsKeptIn =
    "リストを保存できなかったため、編集内容を次のファイルに残しました: ";
inline constexpr std::string_view kEditsLost =
    "リストを保存できず、編集内容を別のファイルに残すこともできませんでした。";
inline constexpr std::string_view kUnsavedCopiesFound =
    "前回の終了時にリストを保存できなかったため、編集内容を次のファイルに残しています。\r\n"
    "内容を確かめて List.txt に戻してから、このファイルを削除してください。";
inline constexpr std::string_view kListTruncated =
    "リストの項目が32767件を超えています。超えた分は表示しませんが、保存するときはそのまま残します"
    "。";
inline constexpr std::string_view kListOtherVersion =
    "別のバージョンで作成されたリストです。このリストは読み込めませんでした。\r\n"
    "次に保存するとき、元のリストは List.txt.bak として残します。";
inline constexpr std::string_view kListDamagedAtStart =
    "リストが壊れています。読める部分だけを読み込みました。\r\n"
    "次に保存するとき、元のリストは List.txt.bak として残します。";
inline constexpr std::string_view kListKeptAsBackup =
    "読み込めなかった元のリストを List.txt.bak として残しました。";
inline constexpr std::string_view kListNowUtf8 =
    "追加した名前に、これまでのリストの文字コードで書けない文字があるため、"
    "リストを UTF-8 で保存しました。";
inline constexpr std::string_view kOldListKept = "元のリストは List.txt.bak として残しました。";
inline constexpr std::string_view kBackupFailed =
    "元のリストを List.txt.bak として残せなかったため、リストを保存しませんでした。";
inline constexpr std::string_view kImagesRemoved =
    "次の画像はファイルが見つからないため、リストから外しました。\r\n"
    "元のリストは、次に保存するとき List.txt.bak として残します。";
inline constexpr std::string_view kPictureUnreachable =
    "画像のあるフォルダを開けません。ドライブがつながっているか確かめてください。"
    "リストからは外しません。\r\n";
inline constexpr std::string_view kImagesRemovedMore = "ほか ";
inline constexpr std::string_view kItemsUnit = " 件";
inline constexpr std::string_view kExpansionCut =
    "行が32767行を超えるため、フォルダの中身の一部は表示していません。";
// Shown over the empty list.
inline constexpr std::string_view kEmptyListHint =
    "ここに画像ファイルやフォルダをドロップすると登録されます";
inline constexpr std::string_view kShortcutFailed = "ショートカットを作成できませんでした。\r\n";
inline constexpr std::string_view kShortcutRemoveFailed =
    "ショートカットを削除できませんでした。\r\n";
// The missing pictures named after "ファイルが見つかりません", at most
// this many; the rest are counted.
inline constexpr std::size_t kMissingNamesShown = 10;
inline constexpr std::string_view kMissingNamesMore = "ほか ";
inline constexpr std::string_view kMissingNamesCount = " 件";
// A second manager on the same list whose first one did not come forward.
inline constexpr std::string_view kManagerAlreadyOpen =
    "このリストの壁紙の設定はすでに開いています。\r\n"
    "開いている画面で編集してください。二つの画面で同時に編集すると、後から閉じた方の内容で"
    "上書きされます。";
// Another install's changer is the one the session starts at log-on; its
// path follows.
inline constexpr std::string_view kAskTakeOverStartup =
    "ログオン時には、別の場所にある壁紙変更が起動するよう登録されています。\r\n"
    "この場所の壁紙変更に切り替えますか？\r\n";
// The list of that install; its path follows.
inline constexpr std::string_view kAskCopyOtherList =
    "リストがまだありません。ログオン時に起動する別の場所の壁紙変更のリストが見つかりました。\r\n"
    "このリストをコピーして使いますか？\r\n";
inline constexpr std::string_view kListCopyFailed = "リストをコピーできませんでした。\r\n";

// The fixed captions of the window's controls and menus, by control name.
// Captions the form sets (the details, the depth, the slideshow's button)
// are not here.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 46> kCaptions = {{
    {"MnuList", "画像リスト編集"},
    {"MnuSet", "設定"},
    {"MnuOpe", "操作"},
    {"MnuHelp", "ヘルプ"},
    {"Frame0", "画像リスト"},
    {"BttnUp", "上へ"},
    {"BtnDwn", "下へ"},
    {"BtnDlt", "削除"},
    {"BtnAddPictures", "追加…"},
    {"BtnAddFolder", "フォルダ…"},
    {"BtnUnstrech", kExpand},
    {"BtnWall", "壁紙に"},
    {"lblLuck", kLuckDesignCaption},
    {"Frame1", "画像"},
    {"OptR0", kOrderCaptions[0]},
    {"OptR1", kOrderCaptions[1]},
    {"Frame2", "変更のタイミング"},
    {"optt0", kTimingCaptions[0]},
    {"optt1", kTimingCaptions[1]},
    {"optt2", kTimingCaptions[2]},
    {"optt3", kTimingCaptions[3]},
    {"Frame5", "フォルダ登録"},
    {"Frame3", "操作"},
    {"Frame2List", "画像リスト"},
    {"BtnListRefresh", "更新"},
    {"BtnShowList", "開く"},
    {"BtnChkW", "ダブりチェック"},
    {"FrameShow", "壁紙スライドショー"},
    {"Label2", "秒"},
    {"BtnShowStart", kSlideshowStart},
    {"ChkLounch", "ランチャー"},
    {"LblSchedule", kScheduleCaption},
    {"Frame4Shortcuts", "ショートカット"},
    {"Frame1Startup", "スタートアップ"},
    {"BtnSupW", "登録"},
    {"BtnSupD", "削除"},
    {"BtnDskSC", "デスクトップ"},
    {"BtnQlSc", "クイックランチ"},
    {"Frame4", "Tivolen"},
    {"Label1", "Tivolen"},
    {"BtnHelp", "ヘルプ"},
    {"FrameMSG", "Tivolen"},
    {"BtnOK", "OK"},
    {"Label4", kAuthorCaption},
    {"LblMail", kMailCaption},
    {"Label3", kLinkCaption},
}};

}  // namespace tivolen::manager::text

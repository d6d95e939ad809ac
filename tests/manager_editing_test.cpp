// SPDX-License-Identifier: GPL-3.0-or-later
// The list editor without a display: moving, removing, de-duplicating,
// refreshing, folder expansion, the preview requests, and the lists the
// manager must never lose.
#include <gtest/gtest.h>

#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"
#include "tests/manager_test_support.h"

namespace tivolen {
namespace {

using manager::EditForm;
using testing::listBytes;
using testing::listTexts;
using testing::ManagerBench;
using Texts = std::vector<std::string>;

std::vector<int> selectedRows(const EditForm& form) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < form.List1().selected.size(); ++i) {
    if (form.List1().selected[i] != 0) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::string record(const std::string& path, int kind = 0, int style = 3, int ratio = 5) {
  return "\"" + path + "\"," + std::to_string(kind) + "," + std::to_string(style) + "," +
         std::to_string(ratio);
}

// --- Editing ----------------------------------------------------------------

// Registered images named by the letters, styles 0, 1, 2, ... in turn.
EditForm& openLetters(ManagerBench& bench, std::string_view letters) {
  std::vector<std::string> records;
  int style = 0;
  for (char letter : letters) {
    records.push_back(record(bench.picture(std::string(1, letter) + ".jpg"), 0, style++ % 5));
  }
  bench.writeList(listBytes(0, 0, 2, records));
  return bench.open();
}

class ManagerEditing : public ::testing::Test {
 protected:
  EditForm& openLetters(std::string_view letters) { return tivolen::openLetters(bench, letters); }
  ManagerBench bench;
};

TEST_F(ManagerEditing, UpMovesOnlyTheFocusedRowAndItsFieldsAndLeavesTheFileAlone) {
  EditForm& form = openLetters("ABC");
  const std::string written = bench.list();
  form.SetSelection({2}, 2);
  form.MoveRowUp();
  EXPECT_EQ(listTexts(form), (Texts{"A.jpg", "C.jpg", "B.jpg"}));
  EXPECT_EQ(testing::columns(form).style[1], 2);  // C's own style went with it
  EXPECT_EQ(selectedRows(form), (std::vector<int>{1}));
  EXPECT_EQ(form.List1().listIndex, 1);
  EXPECT_TRUE(form.List1().tag.empty());
  EXPECT_EQ(bench.list(), written);

  form.MoveRowUp();
  form.MoveRowUp();  // already first: nothing
  EXPECT_EQ(listTexts(form), (Texts{"C.jpg", "A.jpg", "B.jpg"}));
  form.SetSelection({2}, 2);
  form.MoveRowDown();  // already last: nothing
  EXPECT_EQ(listTexts(form), (Texts{"C.jpg", "A.jpg", "B.jpg"}));
  form.QueryUnload();
  EXPECT_EQ(bench.list().find("C.jpg") < bench.list().find("A.jpg"), true);
}

TEST(ManagerDeleting, DeletingSelectsTheRowThatTookTheFocusedPlace) {
  struct Case {
    const char* name;
    std::vector<int> selected;
    int focus;
    Texts left;
    std::vector<int> selectedAfter;
  };
  const Case cases[] = {
      {"B and C of four", {1, 2}, 1, {"A.jpg", "D.jpg"}, {1}},
      {"the last row", {3}, 3, {"A.jpg", "B.jpg", "C.jpg"}, {}},
      {"nothing focused", {}, -1, {"A.jpg", "B.jpg", "C.jpg", "D.jpg"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    EditForm& form = tivolen::openLetters(bench, "ABCD");
    form.SetSelection(c.selected, c.focus);
    form.List1KeyDown(manager::kKeyDelete);
    EXPECT_EQ(listTexts(form), c.left);
    EXPECT_EQ(selectedRows(form), c.selectedAfter);
    EXPECT_TRUE(bench.messages().empty());
  }
}

TEST_F(ManagerEditing, DuplicatesAreExactPathsAndTheFirstStays) {
  const std::string a = bench.picture("a.jpg");
  const std::string upper = bench.picture("A.jpg");
  bench.writeList(
      listBytes(0, 0, 2, {record(a, 0, 1), record(a, 0, 2), record(upper), record(a, 0, 4)}));
  EditForm& form = bench.open();
  form.CheckDuplicates();
  EXPECT_EQ(listTexts(form), (Texts{"a.jpg", "A.jpg"}));
  EXPECT_EQ(testing::columns(form).style[0], 1);
  form.CheckDuplicates();
  EXPECT_EQ(bench.messages(), (Texts{" 2個の重複がありました。", " 0個の重複がありました。"}));
}

TEST_F(ManagerEditing, DuplicatesAreTheSameFileOrFolderNotTheSameShownName) {
  const std::string r = bench.root / "R";
  bench.picture("R/1.jpg");
  const std::string in2023 = bench.picture("2023/IMG_0001.jpg");
  const std::string in2024 = bench.picture("2024/IMG_0001.jpg");
  // Saved as the manager saves a folder, with the system's separator.
  bench.writeList(
      listBytes(0, 0, 2, {record(testing::Native(r + "/"), 4), record(in2023), record(in2024)}));
  EditForm& form = bench.open();
  // Dropped again, the folder comes without its separator.
  form.RegisterDroppedItems({r});
  ASSERT_EQ(form.rowCount(), 4);
  form.CheckDuplicates();
  EXPECT_EQ(bench.messages(), (Texts{" 1個の重複がありました。"}));
  EXPECT_EQ(listTexts(form),
            (Texts{testing::Native("[フォルダ]R/"), "IMG_0001.jpg", "IMG_0001.jpg"}));
  form.QueryUnload();
  EXPECT_EQ(
      bench.list(),
      listBytes(0, 0, 2, {record(testing::Native(r + "/"), 4), record(in2023), record(in2024)}));
}

TEST_F(ManagerEditing, RefreshBringsBackTheWrittenFileInItsOrder) {
  EditForm& form = openLetters("ABC");
  form.SetSelection({2}, 2);
  form.MoveRowUp();
  form.SetSelection({0}, 0);
  form.RemoveSelectedRows();
  EXPECT_EQ(listTexts(form), (Texts{"C.jpg", "B.jpg"}));
  form.RefreshList();
  EXPECT_EQ(listTexts(form), (Texts{"A.jpg", "B.jpg", "C.jpg"}));
  EXPECT_EQ(form.List1().listIndex, -1);
}

// --- Selection and preview --------------------------------------------------

TEST_F(ManagerEditing, AMissingPictureIsToldByNameAndOnlyMissingOnesLeaveTheList) {
  struct Case {
    const char* name;
    std::vector<int> selected;
    int focus;
    Texts left;
    int focusAfter;
  };
  // B and D are gone; A, C and E are still there.
  const Case cases[] = {
      {"one row", {1}, 1, {"A.jpg", "C.jpg", "D.jpg", "E.jpg"}, 1},
      {"a Shift range ending on a missing one", {0, 1, 2, 3}, 3, {"A.jpg", "C.jpg", "E.jpg"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench fresh;
    EditForm& form = tivolen::openLetters(fresh, "ABCDE");
    std::filesystem::remove(fresh.root / "B.jpg");
    std::filesystem::remove(fresh.root / "D.jpg");
    form.SetSelection(c.selected, c.focus);
    std::string told =
        std::string(text::kFileNotFound) + "\r\n" + std::string(fresh.root / "B.jpg");
    if (c.selected.size() > 1) told += "\r\n" + std::string(fresh.root / "D.jpg");
    EXPECT_EQ(fresh.messages(), (Texts{told}));
    EXPECT_EQ(listTexts(form), c.left);
    // The row that took the focused one's place is selected and previewed.
    EXPECT_EQ(form.List1().listIndex, c.focusAfter);
    EXPECT_EQ(form.ImgPV().path, fresh.root / c.left[static_cast<std::size_t>(c.focusAfter)]);
    EXPECT_TRUE(fresh.root.exists("A.jpg"));
  }
}

TEST_F(ManagerEditing, APictureOnADriveThatIsNotAttachedKeepsItsRowWhenSelected) {
  const std::string a = bench.picture("a.jpg");
  const std::string detached = bench.root / "usb/photo.jpg";
  bench.writeList(
      testing::listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + detached + "\",0,3,5"}));
  EditForm& form = bench.open();
  form.SetSelection({1}, 1);
  EXPECT_EQ(bench.messages(), (Texts{std::string(manager::text::kPictureUnreachable) + detached}));
  EXPECT_EQ(listTexts(form), (Texts{"a.jpg", "photo.jpg"}));
  EXPECT_EQ(form.List1().listIndex, 1);
  EXPECT_EQ(form.ImgPV().path, "");
}

TEST_F(ManagerEditing, PreviewFollowsTheFocusedPictureAndMovesDoNotReloadIt) {
  const std::string image = bench.picture("sea.jpg");
  bench.picture("trips/1.jpg");
  bench.writeList(listBytes(0, 0, 2, {record(image), record(bench.root / "trips/", 5)}));
  EditForm& form = bench.open();
  EXPECT_TRUE(form.ImgPV().path.empty());
  form.SetSelection({0}, 0);
  EXPECT_EQ(form.ImgPV().path, image);
  const int serial = form.ImgPV().serial;
  form.MoveRowDown();
  EXPECT_EQ(form.ImgPV().serial, serial);
  form.SetSelection({0}, 0);  // the folder row
  EXPECT_TRUE(form.ImgPV().path.empty());
  // A current row that is not selected is no focus: no details, no edits.
  form.SetSelection({}, 1);
  EXPECT_EQ(form.List1().listIndex, -1);
  EXPECT_EQ(form.Lbl().caption, "起動ごと 順番に  ");
  form.LstStyleUserClick(0);
  EXPECT_EQ(testing::columns(form).style[1], 3);
}

// --- Folder expansion -------------------------------------------------------

class ManagerExpansion : public ::testing::Test {
 protected:
  // R holds A and B and r1; A holds C and a1; C holds c1; plus what must
  // never be listed.
  void makeTree() {
    for (const char* name : {"R/A/C/c1.jpg", "R/A/a1.jPEG", "R/r1.Bmp", "R/B/readme.txt",
                             "R/.cache/hidden.jpg", "R/x.tif", "R/.dot.jpg"}) {
      bench.picture(name);
    }
  }
  ManagerBench bench;
};

TEST_F(ManagerExpansion, TheExampleTreeAtDepths2And1And0) {
  makeTree();
  const std::string r = bench.root / "R";
  struct Case {
    int depth;
    Texts texts;
    std::vector<std::string> paths;
  };
  const Case cases[] = {
      {2,
       {"[フォルダ]R", "..[フォルダ]A", "..[フォルダ]C", "../c1.jpg", "../a1.jPEG", "..[フォルダ]B",
        "../r1.Bmp"},
       {r, r + "/A", r + "/A/C", r + "/A/C//c1.jpg", r + "/A//a1.jPEG", r + "/B", r + "//r1.Bmp"}},
      {1,
       {"[フォルダ]R", "..[フォルダ]A", "../a1.jPEG", "..[フォルダ]B", "../r1.Bmp"},
       {r, r + "/A", r + "/A//a1.jPEG", r + "/B", r + "//r1.Bmp"}},
      {0, {"[フォルダ]R", "../r1.Bmp"}, {r, r + "//r1.Bmp"}},
  };
  // The tree is written with "/"; Windows lists it with its own separator.
  const auto native = [](std::vector<std::string> texts) {
    for (std::string& text : texts) text = testing::Native(text);
    return texts;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    bench.writeList(listBytes(0, 0, c.depth, {record(bench.picture("top.jpg")), record(r, 9, 4)}));
    EditForm& form = bench.open();
    form.ToggleFolderView();
    EXPECT_EQ(form.BtnUnstrech().caption, "たたむ");
    Texts texts = listTexts(form);
    ASSERT_EQ(texts.front(), "top.jpg");
    texts.erase(texts.begin());
    EXPECT_EQ(texts, native(c.texts));
    const auto rows = testing::columns(form);
    for (std::size_t i = 1; i < c.paths.size(); ++i) {
      EXPECT_EQ(rows.path[i + 1], native(c.paths)[i]);
      EXPECT_EQ(rows.style[i + 1], 4);   // the registered folder's style
      EXPECT_EQ(rows.ratio[i + 1], -2);  // -1 minus the folder's row
    }
  }
}

TEST_F(ManagerExpansion, CollapsingGivesBackTheRegisteredRowsAndTheFileNeverSeesExpansion) {
  makeTree();
  const std::string r = bench.root / "R/";
  const std::string top = bench.picture("top.jpg");
  bench.writeList(listBytes(0, 1, 2, {record(r, 9, 4, 2), record(top, 0, 1, 3)}));
  EditForm& form = bench.open();
  const std::string written = bench.list();
  form.ToggleFolderView();
  ASSERT_EQ(form.rowCount(), 8);
  // A picture seen through its folder: display only, no style, no frequency.
  form.SetSelection({3}, 3);
  EXPECT_EQ(form.Lbl().caption, "起動ごと ランダム  \r\n 登録フォルダ内の画像\r\n" +
                                    testing::Native(r + "A/C//c1.jpg"));
  EXPECT_FALSE(form.BtnDlt().enabled);
  EXPECT_EQ(form.ImgPV().path, testing::Native(r + "A/C//c1.jpg"));
  form.SetSelection({1}, 1);
  EXPECT_EQ(form.Lbl().caption,
            "起動ごと ランダム  \r\n 登録フォルダ内のフォルダ\r\n" + testing::Native(r + "A"));
  form.List1DblClick();  // a folder row folds the whole list
  EXPECT_EQ(form.BtnUnstrech().caption, "展開");
  EXPECT_EQ(listTexts(form), (Texts{testing::Native("[フォルダ]R/"), "top.jpg"}));
  const auto rows = testing::columns(form);
  EXPECT_EQ((std::vector<int>{rows.kind[0], rows.style[0], rows.ratio[0]}),
            (std::vector<int>{9, 4, 2}));
  form.ToggleFolderView();
  form.QueryUnload();
  EXPECT_EQ(bench.list(), written);
}

TEST_F(ManagerExpansion, TheRatioBarOverExpansionRowsLeavesNothingBehindOnCollapse) {
  makeTree();
  const std::string r = bench.root / "R/";
  const std::string top = bench.picture("top.jpg");
  bench.writeList(listBytes(0, 1, 2, {record(top, 0, 1, 3), record(r, 9, 4, 2)}));
  EditForm& form = bench.open();
  form.ToggleFolderView();
  ASSERT_EQ(form.rowCount(), 8);
  // top.jpg, the folder and three rows shown below it, as Shift and the
  // arrow keys select them; the focused c1.jpg hands its folder's style on.
  form.SetSelection({0, 1, 2, 3, 4}, 4);
  form.SetBarLuck(4);
  form.ToggleFolderView();
  EXPECT_EQ(listTexts(form), (Texts{"top.jpg", testing::Native("[フォルダ]R/")}));
  form.ToggleFolderView();
  EXPECT_EQ(form.rowCount(), 8);
  form.ToggleFolderView();
  form.QueryUnload();
  EXPECT_EQ(bench.list(), listBytes(0, 1, 2, {record(top, 0, 4, 4), record(r, 9, 4, 4)}));
}

TEST_F(ManagerExpansion, AnEmptyListExpandsToNothing) {
  EditForm& form = bench.open();
  form.ToggleFolderView();
  EXPECT_EQ(form.rowCount(), 0);
  EXPECT_EQ(form.BtnUnstrech().caption, "たたむ");
}

// --- Lists the manager must not lose ---------------------------------------

TEST(ManagerKeepsLists, AListItCannotReadIsKeptAsBakBeforeTheFirstSave) {
  const std::string other = "\"Ver\",\"1.50\"\r\n0\r\n0\r\n\"x.jpg\",0,3,5\r\n";
  const std::string unclosed =
      "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"x.jpg,0,3,5\r\n";
  const std::pair<std::string, std::string_view> cases[] = {
      {other, manager::text::kListOtherVersion},
      {unclosed, manager::text::kListDamagedAtStart},
      {"\"Ver\",1.30\r\n0\r\n0\r\n", manager::text::kListDamagedAtStart},
  };
  for (const auto& [contents, message] : cases) {
    ManagerBench bench;
    bench.writeList(contents);
    EditForm& form = bench.open();
    EXPECT_EQ(bench.messages(), (Texts{std::string(message)}));
    form.RegisterDroppedItems({bench.picture("new.jpg")});
    EXPECT_EQ(bench.root.read("app/List.txt.bak"), contents);
    EXPECT_EQ(bench.messages().back(), manager::text::kListKeptAsBackup);
    form.RegisterDroppedItems({bench.picture("second.jpg")});
    EXPECT_EQ(bench.messages().size(), 2U);  // said once
    EXPECT_EQ(bench.root.read("app/List.txt.bak"), contents);
  }
}

TEST(ManagerKeepsLists, EntriesPastTheRowLimitAreWrittenBackUnchanged) {
  ManagerBench bench;
  std::vector<std::string> records;
  for (int i = 0; i < manager::kMaxRows + 3; ++i) {
    records.push_back(record("/nowhere/f" + std::to_string(i) + "/", 4, i % 5, 1 + i % 5));
  }
  const std::string launcher = bench.picture("run.sh");
  records.push_back("\"[Lounch]\",\"" + launcher + "\"");
  bench.writeList(listBytes(0, 0, 2, records));
  EditForm& form = bench.open();
  EXPECT_EQ(form.rowCount(), manager::kMaxRows);
  form.QueryUnload();
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, records));
}

TEST(ManagerKeepsLists, AFolderOfExactly32764ItemsIsRegistered) {
  for (const int items : {manager::kMaxRows - 3, manager::kMaxRows - 2}) {
    ManagerBench bench;
    const std::string folder = bench.root.mkdir("huge");
    std::vector<FolderEntry> entries;
    for (int i = 0; i < items; ++i) entries.push_back({std::to_string(i) + ".jpg", 0});
    bench.files.listingOverrides[folder] = entries;
    EditForm& form = bench.open();
    form.RegisterDroppedItems({folder});
    EXPECT_EQ(form.rowCount(), items == manager::kMaxRows - 3 ? 1 : 0) << items;
  }
}

TEST(ManagerKeepsLists, ADotNamedPictureDroppedStaysListedAfterRestart) {
  ManagerBench bench;
  const std::string dot = bench.picture(".hidden.jpg");
  bench.open().RegisterDroppedItems({dot});
  ASSERT_NE(bench.list().find(dot), std::string::npos);
  EditForm& again = bench.open();
  EXPECT_EQ(listTexts(again), (Texts{".hidden.jpg"}));
  again.SetSelection({0}, 0);
  EXPECT_EQ(again.ImgPV().path, dot);
  EXPECT_TRUE(bench.messages().empty());
}

// The tips and the menu-entry question speak of what this system has: no
// Notepad, Windows or 管理.exe on Linux; on Windows the entry goes to the
// Start menu, which is what the button makes, not a quick-launch bar.
TEST(ManagerWords, TipsAndQuestionsNameThisSystemsOwnPlaces) {
  ManagerBench bench;
  bench.fake().specialFolders.folders.erase(SpecialFolder::Applications);
  bench.answers().push_back(Answer::Cancel);
  EditForm& form = bench.open();
  ASSERT_EQ(bench.messages().size(), 1U);
  const std::string question = bench.messages()[0];
  std::vector<std::string> tips;
  for (const char* control : {"BtnListRefresh", "BtnShowList", "BtnSupW", "BtnDskSC", "BtnQlSc"}) {
    form.ControlMouseMove(control);
    tips.push_back(form.Lbl().caption);
  }
  const bool windows = PathRules::native().windows();
  const auto says = [](const std::string& text, std::string_view word) {
    return text.find(word) != std::string::npos;
  };
  EXPECT_FALSE(says(question, "クイックランチ")) << question;
  EXPECT_FALSE(says(tips[4], "クイックランチ")) << tips[4];
  if (windows) {
    EXPECT_TRUE(says(question, "スタートメニュー")) << question;
    EXPECT_TRUE(says(tips[4], "スタートメニュー")) << tips[4];
    EXPECT_TRUE(says(tips[1], "メモ帳")) << tips[1];
  } else {
    EXPECT_TRUE(says(question, "アプリケーションメニュー")) << question;
    for (const std::string& tip : tips) {
      for (const std::string_view word : {"メモ帳", "Windows", "管理.exe", "クイックランチ"}) {
        EXPECT_FALSE(says(tip, word)) << tip;
      }
    }
    EXPECT_TRUE(says(tips[1], "テキストエディター")) << tips[1];
  }
}

// 更新 and 展開 leave no row selected: the preview must not keep showing
// the picture of the row that was selected before.
TEST(ManagerPreview, RefreshingOrExpandingWithoutASelectionEmptiesThePreview) {
  ManagerBench bench;
  const std::string a = bench.picture("pics/a.jpg");
  bench.picture("trip/t1.jpg");
  bench.writeList(listBytes(
      0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + testing::Native(bench.root / "trip/") + "\",4,3,5"}));
  EditForm& form = bench.open();
  for (const bool expand : {false, true}) {
    SCOPED_TRACE(expand ? "展開" : "更新");
    form.SetSelection({0}, 0);
    form.List1Click();
    ASSERT_EQ(form.ImgPV().path, a);
    if (expand) {
      form.ToggleFolderView();
    } else {
      form.RefreshList();
    }
    ASSERT_EQ(form.List1().listIndex, -1);
    EXPECT_EQ(form.ImgPV().path, "");
  }
}

}  // namespace
}  // namespace tivolen

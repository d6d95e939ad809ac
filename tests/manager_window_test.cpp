// SPDX-License-Identifier: GPL-3.0-or-later
// The window frmEdit on the offscreen platform: real drag-and-drop events,
// the menu bar's pages, and the save at closing.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <csignal>

#include "common/texts.h"
#include "manager/ui/close_on_signal.h"
#include "manager/ui/frm_edit.h"
#include "manager/ui/japanese_qt_texts.h"
#include "tests/manager_test_support.h"
#include "tests/picture_files.h"

namespace tivolen {
namespace {

using manager::FrmEdit;
using testing::listBytes;
using testing::ManagerBench;

void ensureApplication() {
  if (QApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "manager_window_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives for the whole test run
}

class ManagerWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureApplication(); }

  FrmEdit& open() {
    bench.open();  // the form's start-up; the window then shows its state
    window = std::make_unique<FrmEdit>(bench.form());
    window->syncFromForm();
    window->show();
    return *window;
  }
  template <typename T>
  T* child(const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QListView* list1() { return child<QListView>("List1"); }
  std::vector<std::string> shownRows() {
    std::vector<std::string> rows;
    for (int i = 0; i < list1()->model()->rowCount(); ++i) {
      rows.push_back(list1()->model()->index(i, 0).data().toString().toStdString());
    }
    return rows;
  }
  std::vector<int> selectedInView() {
    std::vector<int> rows;
    for (const QModelIndex& index : list1()->selectionModel()->selectedRows()) {
      rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  // A real mouse click on a row, as the user gives it.
  void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect rect = list1()->visualRect(list1()->model()->index(row, 0));
    QTest::mouseClick(list1()->viewport(), Qt::LeftButton, modifiers, rect.center());
  }

  // What a file manager's drag carries: a text/uri-list.
  static std::unique_ptr<QMimeData> uriList(const std::vector<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(QList<QUrl>(urls.begin(), urls.end()));
    return data;
  }
  // Enter, move and drop on `target`, as Qt delivers a drag; true when the
  // target accepted the drag on entering.
  static bool dragAndDrop(QWidget* target, const QMimeData* data) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    const bool accepted = enter.isAccepted();
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return accepted;
  }

  ManagerBench bench;
  std::unique_ptr<FrmEdit> window;
};

TEST_F(ManagerWindow, FilesDroppedOnList1AreRegisteredShownAndSaved) {
  FrmEdit& frm = open();
  const std::string a = bench.picture("drop/a.jpg");
  const std::string b = bench.picture("drop/b.txt");
  const auto data = uriList({QUrl::fromLocalFile(QString::fromStdString(a)),
                             QUrl::fromLocalFile(QString::fromStdString(b)),
                             QUrl(QStringLiteral("https://example.org/c.jpg"))});
  EXPECT_TRUE(dragAndDrop(list1()->viewport(), data.get()));
  ASSERT_EQ(list1()->model()->rowCount(), 1);
  EXPECT_EQ(list1()->model()->index(0, 0).data().toString(), QStringLiteral("a.jpg"));
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(text::kUnsupportedFormat)}));
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  (void)frm;
}

TEST_F(ManagerWindow, ANameThatIsNotUtf8IsRegisteredAndSavedByteForByte) {
  open();
  // "あ" in the old Japanese code page: a name copied from an old disk.
  const std::string a = bench.picture("drop/\x82\xa0.jpg");
  // A file manager sends the name's bytes percent-encoded, as they are.
  auto data = std::make_unique<QMimeData>();
  data->setData(QStringLiteral("text/uri-list"),
                "file://" + QByteArray::fromStdString(a).toPercentEncoding("/") + "\r\n");
  EXPECT_TRUE(dragAndDrop(list1()->viewport(), data.get()));
  EXPECT_EQ(list1()->model()->rowCount(), 1);
  EXPECT_TRUE(bench.messages().empty());
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
}

TEST_F(ManagerWindow, FoldersDroppedOnTheWindowItselfAreRegistered) {
  FrmEdit& frm = open();
  bench.picture("trip/1.jpg");
  const std::string folder = bench.root / "trip";
  const auto data = uriList({QUrl::fromLocalFile(QString::fromStdString(folder))});
  EXPECT_TRUE(dragAndDrop(&frm, data.get()));
  ASSERT_EQ(list1()->model()->rowCount(), 1);
  EXPECT_EQ(list1()->model()->index(0, 0).data().toString(), QStringLiteral("[フォルダ]trip"));
  EXPECT_EQ(testing::columns(bench.form()).kind[0], 4);
}

TEST_F(ManagerWindow, DragsWithoutLocalFilesAreIgnoredSilently) {
  FrmEdit& frm = open();
  auto textOnly = std::make_unique<QMimeData>();
  textOnly->setText(QStringLiteral("/etc/passwd"));
  const auto remote = uriList({QUrl(QStringLiteral("https://example.org/c.jpg"))});
  for (const QMimeData* data : {static_cast<const QMimeData*>(textOnly.get()),
                                static_cast<const QMimeData*>(remote.get())}) {
    EXPECT_FALSE(dragAndDrop(list1()->viewport(), data));
    EXPECT_FALSE(dragAndDrop(&frm, data));
  }
  EXPECT_EQ(list1()->model()->rowCount(), 0);
  EXPECT_TRUE(bench.messages().empty());
  EXPECT_FALSE(bench.listExists());
}

TEST_F(ManagerWindow, MenuBarShowsOneGroupOfFramesAndTheMessageFrameStays) {
  FrmEdit& frm = open();
  auto shown = [&] {
    std::vector<std::string> names;
    for (const char* name : {"Frame0", "Frame1", "Frame2", "Frame3", "Frame4", "Frame5"}) {
      if (child<QGroupBox>(name)->isVisibleTo(&frm)) names.emplace_back(name);
    }
    return names;
  };
  EXPECT_EQ(shown(), (std::vector<std::string>{"Frame0"}));
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"MnuSet", {"Frame1", "Frame2", "Frame5"}},
      {"MnuOpe", {"Frame3"}},
      {"MnuHelp", {"Frame4"}},
      {"MnuList", {"Frame0"}},
  };
  for (const auto& [menu, frames] : cases) {
    child<QAction>(menu)->trigger();
    EXPECT_EQ(shown(), frames) << menu;
    EXPECT_TRUE(child<QGroupBox>("FrameMSG")->isVisibleTo(&frm)) << menu;
    EXPECT_TRUE(child<QLabel>("Lbl")->isVisibleTo(&frm)) << menu;
  }
}

TEST_F(ManagerWindow, WidgetsDriveTheFormAndClosingSaves) {
  std::vector<std::string> records;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    records.push_back("\"" + bench.picture(name) + "\",0,0,3");
  }
  bench.writeList(listBytes(0, 1, 2, records));
  FrmEdit& frm = open();
  QItemSelectionModel* selection = list1()->selectionModel();
  QAbstractItemModel* model = list1()->model();
  selection->select(QItemSelection(model->index(0, 0), model->index(1, 0)),
                    QItemSelectionModel::ClearAndSelect);
  selection->setCurrentIndex(model->index(1, 0), QItemSelectionModel::NoUpdate);
  child<QScrollBar>("BarLuck")->setValue(4);
  EXPECT_EQ(child<QLabel>("lblLuck")->text(), QStringLiteral("割合:4"));
  child<QRadioButton>("optt2")->click();
  child<QScrollBar>("BarSubFolder")->setValue(0);
  EXPECT_EQ(child<QLabel>("LblSubFolder")->text(), QStringLiteral("サブフォルダの階層:10"));

  frm.close();
  EXPECT_EQ(bench.list(), listBytes(2, 1, 10,
                                    {"\"" + bench.root / "a.jpg" + "\",0,0,4",
                                     "\"" + bench.root / "b.jpg" + "\",0,0,4",
                                     "\"" + bench.root / "c.jpg" + "\",0,0,3"}));
}

TEST_F(ManagerWindow, ASessionEndingSignalSavesAtOnceWithoutABox) {
  // A damaged list: the first save keeps a copy of it, and says so only on
  // standard error, since a box would hold the save until the session kills us.
  bench.writeList("\"Ver\",\"1.30\"\r\n\"x\"\r\n0\r\n\"[SubFolder]\",2\r\n\"" +
                  bench.picture("a.jpg") + "\",0,3,5\r\n");
  FrmEdit& frm = open();
  ASSERT_EQ(bench.messages().size(), 1U);
  child<QRadioButton>("optt3")->click();
  bool ended = false;
  manager::EndSessionOnTerminationSignals(
      frm, [this] { bench.form().EndSession(); }, [&ended] { ended = true; });
  std::raise(SIGTERM);
  QElapsedTimer waited;
  waited.start();
  while (!ended && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(bench.list().starts_with("\"Ver\",\"1.30\"\r\n3\r\n"));
  EXPECT_TRUE(bench.root.exists("app/List.txt.bak"));
  EXPECT_EQ(bench.messages().size(), 1U);
}

TEST_F(ManagerWindow, AFailedSaveAtClosingKeepsTheWindowOpen) {
  bench.writeList(listBytes(0, 0, 2, {"\"" + bench.picture("a.jpg") + "\",0,3,5"}));
  FrmEdit& frm = open();
  child<QRadioButton>("optt3")->click();
  bench.files.failWrites = Status::failed("List.txt: Read-only file system");
  EXPECT_FALSE(frm.close());
  EXPECT_TRUE(frm.isVisible());
  EXPECT_TRUE(child<QRadioButton>("optt3")->isChecked());
  bench.files.failWrites.reset();
  EXPECT_TRUE(frm.close());
  EXPECT_TRUE(bench.list().starts_with("\"Ver\",\"1.30\"\r\n3\r\n"));
}

TEST_F(ManagerWindow, ClosingAnEmptyListSaysSoAndWritesNothing) {
  FrmEdit& frm = open();
  frm.close();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(text::kNoEntries)}));
  EXPECT_FALSE(bench.listExists());
}

TEST_F(ManagerWindow, FocusAloneSelectsNothingAndClicksDriveDetailsAndAnUprightPreview) {
  // 400x300 stored, turned a quarter by EXIF: upright it stands 300x400.
  const std::string photo = testing::writeBytes(
      bench.root / "photo.jpg",
      testing::withExifOrientation(testing::encode(testing::twoColourImage(400, 300), "jpg"), 6));
  bench.writeList(listBytes(
      0, 0, 2, {"\"" + bench.picture("first.jpg") + "\",0,3,5", "\"" + photo + "\",0,1,5"}));
  FrmEdit& frm = open();
  QApplication::setActiveWindow(&frm);
  list1()->setFocus();
  QApplication::processEvents();
  // Qt makes row 0 current on focus without selecting it; that is no focus.
  EXPECT_EQ(bench.form().List1().listIndex, -1);
  EXPECT_EQ(child<QLabel>("Lbl")->text(), QStringLiteral("起動ごと 順番に  "));
  emit child<QComboBox>("LstStyle")->activated(4);
  EXPECT_EQ(testing::columns(bench.form()).style[0], 3);

  clickRow(1);
  QTRY_COMPARE(bench.form().List1().listIndex, 1);
  EXPECT_EQ(child<QLabel>("Lbl")->text(),
            QString::fromStdString("起動ごと 順番に  2回目　並べて表示\n 画像\n" + photo));
  QLabel* preview = child<QLabel>("ImgPV");
  QTRY_VERIFY(!preview->pixmap().isNull());
  const QImage shown = preview->pixmap().toImage();
  EXPECT_LT(shown.width(), shown.height());
  EXPECT_LE(shown.height(), preview->contentsRect().height() * preview->devicePixelRatioF());
  EXPECT_TRUE(child<QPushButton>("BtnDlt")->isEnabled());
}

TEST_F(ManagerWindow, KeysButtonsAndDoubleClicksEditWhatTheListShows) {
  std::vector<std::string> records;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    records.push_back("\"" + bench.picture(name) + "\",0,0,3");
  }
  bench.picture("trip/t1.jpg");
  records.push_back("\"" + bench.root / "trip/" + "\",4,3,5");
  bench.writeList(listBytes(0, 0, 2, records));
  open();
  clickRow(2);
  QTest::mouseClick(child<QPushButton>("BttnUp"), Qt::LeftButton);
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"a.jpg", "c.jpg", "b.jpg", "[フォルダ]trip/"}));
  EXPECT_EQ(selectedInView(), (std::vector<int>{1}));

  clickRow(2);
  QTest::keyClick(list1(), Qt::Key_Delete);
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"a.jpg", "c.jpg", "[フォルダ]trip/"}));
  EXPECT_EQ(selectedInView(), (std::vector<int>{2}));

  auto* unstrech = child<QPushButton>("BtnUnstrech");
  QTest::mouseClick(unstrech, Qt::LeftButton);
  EXPECT_EQ(unstrech->text(), QStringLiteral("たたむ"));
  EXPECT_EQ(shownRows(),
            (std::vector<std::string>{"a.jpg", "c.jpg", "[フォルダ]trip/", "../t1.jpg"}));
  const QRect folderRow = list1()->visualRect(list1()->model()->index(2, 0));
  clickRow(2);  // a double click's first press
  QTest::mouseDClick(list1()->viewport(), Qt::LeftButton, {}, folderRow.center());
  // The button comes up again, as a user's does: QTest keeps it held after a
  // double click, and the moves of later tests would drag.
  QTest::mouseRelease(list1()->viewport(), Qt::LeftButton, {}, folderRow.center());
  EXPECT_EQ(unstrech->text(), QStringLiteral("展開"));
  EXPECT_EQ(list1()->model()->rowCount(), 3);
}

// As in a list box of the system: a key that moves the focus frame selects
// the row it lands on, even the row it is on already; and the rows left
// selected are what Delete and 削除 remove, whether or not the focus row is
// one of them.
TEST_F(ManagerWindow, KeyMovesSelectWhereTheyLandAndDeleteTakesWhatIsSelected) {
  std::vector<std::string> records;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}) {
    records.push_back("\"" + bench.picture(name) + "\",0,0,3");
  }
  bench.writeList(listBytes(0, 0, 2, records));
  open();
  QApplication::setActiveWindow(window.get());
  list1()->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(selectedInView().empty());  // the focus frame alone, on row 0
  QTest::keyClick(list1(), Qt::Key_Home);
  EXPECT_EQ(selectedInView(), (std::vector<int>{0}));
  QTest::keyClick(list1(), Qt::Key_Delete);
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}));

  clickRow(4);
  clickRow(4, Qt::ControlModifier);
  ASSERT_TRUE(selectedInView().empty());
  QTest::keyClick(list1(), Qt::Key_End);
  EXPECT_EQ(selectedInView(), (std::vector<int>{4}));

  clickRow(0);
  clickRow(1, Qt::ControlModifier);
  clickRow(1, Qt::ControlModifier);  // the focus row off; row 0 stays
  QTest::keyClick(list1(), Qt::Key_Delete);
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"c.jpg", "d.jpg", "e.jpg", "f.jpg"}));
  clickRow(0);
  clickRow(2, Qt::ControlModifier);
  clickRow(2, Qt::ControlModifier);
  QTest::mouseClick(child<QPushButton>("BtnDlt"), Qt::LeftButton);
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"d.jpg", "e.jpg", "f.jpg"}));
}

// The bars take the keyboard: Tab reaches each, its arrows move it, and the
// slideshow's bar runs toward longer intervals on the right, wide enough to
// aim at.
TEST_F(ManagerWindow, TabReachesEveryBarAndItsArrowsMoveIt) {
  bench.writeList(listBytes(0, 1, 2, {"\"" + bench.picture("a.jpg") + "\",0,3,3"}));
  open();
  QApplication::setActiveWindow(window.get());
  clickRow(0);
  QTRY_COMPARE(bench.form().List1().listIndex, 0);
  auto* ratio = child<QScrollBar>("BarLuck");
  child<QWidget>("LstStyle")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), ratio);
  const int ratioBefore = bench.form().BarLuck().value;
  QTest::keyClick(ratio, Qt::Key_Right);
  EXPECT_EQ(bench.form().BarLuck().value, ratioBefore + 1);

  child<QAction>("MnuSet")->trigger();
  auto* depth = child<QScrollBar>("BarSubFolder");
  child<QWidget>("optt3")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), depth);
  const int depthBefore = bench.form().BarSubFolder().value;
  QTest::keyClick(depth, Qt::Key_Down);
  EXPECT_EQ(bench.form().BarSubFolder().value, depthBefore + 1);

  child<QAction>("MnuOpe")->trigger();
  auto* pace = child<QScrollBar>("Bardt");
  auto* seconds = child<QLineEdit>("TxtShowdt");
  child<QWidget>("BtnChkW")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), pace);
  const int before = seconds->text().toInt();
  QTest::keyClick(pace, Qt::Key_Right);
  EXPECT_EQ(seconds->text().toInt(), before + 1);
  QTest::keyClick(pace, Qt::Key_End);
  EXPECT_EQ(seconds->text().toInt(), 65);
  EXPECT_GE(pace->width(), pace->fontMetrics().horizontalAdvance(QChar(0x3042)) * 7);
}

// A picture deep in folders: its details keep the message frame's three
// lines, the list keeps its room, and the name stays in view.
TEST_F(ManagerWindow, ALongPathKeepsTheMessageFrameAndTheListTheirSize) {
  std::string folder;
  for (int i = 0; i < 12; ++i) folder += "とても長いフォルダの名前その" + std::to_string(i) + "/";
  const std::string deep = bench.picture(folder + "最後の写真.jpg");
  bench.writeList(
      listBytes(0, 0, 2, {"\"" + bench.picture("a.jpg") + "\",0,0,3", "\"" + deep + "\",0,0,3"}));
  open();
  QApplication::processEvents();
  auto* lbl = child<QLabel>("Lbl");
  const int labelHeight = lbl->height();
  const int listHeight = list1()->height();
  clickRow(1);
  QTRY_COMPARE(bench.form().List1().listIndex, 1);
  QTest::qWait(200);  // the layout settles
  EXPECT_EQ(lbl->height(), labelHeight);
  EXPECT_EQ(list1()->height(), listHeight);
  EXPECT_TRUE(lbl->text().endsWith(QStringLiteral("最後の写真.jpg"))) << lbl->text().toStdString();
  EXPECT_EQ(lbl->text().count(QLatin1Char('\n')), 2);
}

TEST_F(ManagerWindow, EnterOnAPictureRowSetsTheWallpaper) {
  const std::string photo = testing::writeBytes(
      bench.root / "photo.jpg", testing::encode(testing::twoColourImage(64, 48), "jpg"));
  bench.writeList(listBytes(0, 0, 2, {"\"" + photo + "\",0,2,5"}));
  open();
  list1()->setFocus();
  QTest::keyClick(list1(), Qt::Key_Home);
  bench.fake().events.clear();
  QTest::keyClick(list1(), Qt::Key_Return);
  EXPECT_EQ(bench.fake().events,
            (fake::EventLog{fake::layoutEvent(WallpaperLayout::Stretched),
                            fake::wallpaperEvent(bench.root / "app/wallpaper.bmp")}));
}

// The slideshow minimises the window once, at Start. Restored by the user,
// the window must stay where it is, so Stop can be clicked; after Stop no
// click minimises it again.
TEST_F(ManagerWindow, TheSlideshowMinimisesOnceAndLeavesARestoredWindowAlone) {
  const std::string a = testing::writeBytes(
      bench.root / "a.jpg", testing::encode(testing::twoColourImage(64, 48), "jpg"));
  const std::string b = testing::writeBytes(
      bench.root / "b.jpg", testing::encode(testing::twoColourImage(48, 64), "jpg"));
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + b + "\",0,3,5"}));
  open();
  auto* start = child<QPushButton>("BtnShowStart");
  clickRow(0);
  QTest::mouseClick(start, Qt::LeftButton);
  EXPECT_TRUE(window->isMinimized());
  window->showNormal();  // the user brings it back from the task bar
  clickRow(1);
  QApplication::processEvents();
  EXPECT_FALSE(window->isMinimized()) << "a click while the show runs minimised it again";
  QTest::mouseClick(start, Qt::LeftButton);  // Stop
  EXPECT_EQ(start->text(), QStringLiteral("Start"));
  clickRow(0);
  QApplication::processEvents();
  EXPECT_FALSE(window->isMinimized()) << "a click after Stop minimised it";
  // A new Start minimises again, once.
  QTest::mouseClick(start, Qt::LeftButton);
  EXPECT_TRUE(window->isMinimized());
}

// The show's end message must stay in the message label when the window
// comes back under a pointer that rests on Start: the window system then
// reports the controls beneath it, which is no request for their tips.
// Pointing at another control shows that control's tip.
TEST_F(ManagerWindow, TheEndOfTheSlideshowStaysWhenTheWindowComesBack) {
  const std::string a = testing::writeBytes(
      bench.root / "a.jpg", testing::encode(testing::twoColourImage(64, 48), "jpg"));
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  open();
  QApplication::setActiveWindow(window.get());
  clickRow(0);
  child<QAction>("MnuOpe")->trigger();
  auto* start = child<QPushButton>("BtnShowStart");
  QWidget* show = child<QWidget>("FrameShow");
  bench.form().SetBardt(65);  // one second a picture
  window->syncFromForm();
  QTest::mouseMove(start);
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_EQ(start->text(), QStringLiteral("Stop"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return start->text() == QStringLiteral("Start"); }, 15000));
  auto lbl = [this] { return child<QLabel>("Lbl")->text(); };
  const QString finished = QStringLiteral("壁紙スライドショーを修了しました.");
  ASSERT_EQ(lbl(), finished);
  // The window is back; the pointer has not moved.
  for (QWidget* beneath : {show, static_cast<QWidget*>(start)}) {
    QEnterEvent enter(start->rect().center(), start->mapTo(window.get(), start->rect().center()),
                      start->mapToGlobal(start->rect().center()));
    QApplication::sendEvent(beneath, &enter);
  }
  QApplication::processEvents();
  EXPECT_EQ(lbl(), finished);
  QTest::mouseMove(child<QWidget>("BtnChkW"));
  EXPECT_EQ(lbl(), QStringLiteral("画像リスト重複をチェックします。"));
}

// Real pointer moves through the window system, as a user's mouse gives
// them: Qt hands moves over a control on to the page beneath, which must not
// take the control's tip back.
TEST_F(ManagerWindow, TheMouseOverAControlShowsItsTipAndThePageTakesItBack) {
  open();
  QApplication::setActiveWindow(window.get());
  const QString dropHint = QStringLiteral("壁紙にしたい画像/フォルダをここにドラッグしてください");
  // A corner of a frame's own area, inside its border, clear of controls.
  auto corner = [](QWidget* frameWidget) { return QPoint(3, frameWidget->height() - 4); };
  auto lbl = [this] { return child<QLabel>("Lbl")->text(); };
  QWidget* page = child<QWidget>("Frame0");
  QWidget* up = child<QWidget>("BttnUp");

  QTest::mouseMove(up);
  QTest::mouseMove(up, up->rect().center() + QPoint(2, 1));
  EXPECT_EQ(lbl(), QStringLiteral("リストの順番を入れ替えます"));
  QTest::mouseMove(page, corner(page));
  EXPECT_EQ(lbl(), dropHint);
  QTest::mouseMove(child<QWidget>("BtnUnstrech"));
  EXPECT_EQ(lbl(), QStringLiteral("登録したフォルダを展開し、画像を表示します。"));
  QTest::mouseClick(child<QPushButton>("BtnUnstrech"), Qt::LeftButton);
  QTest::mouseMove(page, corner(page));
  QTest::mouseMove(child<QWidget>("BtnUnstrech"));
  EXPECT_EQ(lbl(),
            QStringLiteral("展開したフォルダを消し、実際に登録してあるもののみリストに表示します"));

  // The list file's buttons show without the mouse, so Tab reaches them,
  // and stay where they are as the mouse comes and goes.
  child<QAction>("MnuOpe")->trigger();
  QWidget* listFile = child<QWidget>("Frame2List");
  QWidget* refresh = child<QWidget>("BtnListRefresh");
  QWidget* showList = child<QWidget>("BtnShowList");
  QWidget* operations = child<QWidget>("Frame3");
  EXPECT_TRUE(refresh->isVisible());
  EXPECT_TRUE(showList->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return refresh->hasFocus(); }, 2000));
  QTest::keyClick(refresh, Qt::Key_Tab);
  EXPECT_TRUE(showList->hasFocus());
  const int height = listFile->height();
  QTest::mouseMove(listFile, QPoint(listFile->width() / 2, 3));
  QTest::mouseMove(showList);
  EXPECT_EQ(lbl(), QStringLiteral("テキストエディターでリストを開きます.普通は使いません.\n"
                                  "リストを一括削除するときなどに使用."));
  QTest::mouseMove(operations, corner(operations));
  EXPECT_TRUE(showList->isVisible());
  EXPECT_EQ(listFile->height(), height);
}

// The schedule on the operations page, chosen with the mouse and the keys:
// the system's scheduler gets each choice and is the only record of it, read
// back at the next start; where it cannot work the user is told and the
// choice goes back.
TEST_F(ManagerWindow, TheScheduleIsChosenWithMouseAndKeysAndReadBack) {
  bench.writeList(listBytes(0, 0, 2, {"\"" + bench.picture("a.jpg") + "\",0,0,3"}));
  const std::string changer = bench.platform().programInAppDir("Tivolen");
  fake::RecordingScheduler& scheduler = bench.fake().scheduler;
  scheduler.schedules[changer] = Schedule{ScheduleKind::Every, 60};
  open();
  QApplication::setActiveWindow(window.get());
  child<QAction>("MnuOpe")->trigger();
  auto* combo = child<QComboBox>("LstSchedule");
  ASSERT_TRUE(combo->isVisible());
  EXPECT_EQ(combo->currentText(), QStringLiteral("1時間ごと"));
  bench.fake().events.clear();

  // The mouse opens the list and picks an entry.
  QTest::mouseClick(combo, Qt::LeftButton);
  QAbstractItemView* popup = combo->view();
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, 2000));
  const QRect date = popup->visualRect(popup->model()->index(1, 0));
  // The open list takes no release that follows its opening too closely,
  // as a hand's click cannot.
  QTest::qWait(QApplication::doubleClickInterval() + 100);
  QTest::mouseMove(popup->viewport(), date.center());
  QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, date.center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !popup->isVisible(); }, 2000));
  EXPECT_EQ(combo->currentText(), QStringLiteral("日付が変わったとき"));
  EXPECT_EQ(scheduler.schedules[changer], (Schedule{ScheduleKind::DateChange, 0}));

  // An arrow key on the closed box steps to the next.
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentText(), QStringLiteral("15分ごと"));
  EXPECT_EQ(bench.fake().events,
            (fake::EventLog{fake::scheduleEvent(changer, {ScheduleKind::DateChange, 0}),
                            fake::scheduleEvent(changer, {ScheduleKind::Every, 15})}));

  // No display known to the scheduler: told, and the choice stays.
  scheduler.ready = SchedulerReadiness::NoDisplay;
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentText(), QStringLiteral("15分ごと"));
  ASSERT_EQ(bench.messages().size(), 1U);
  EXPECT_NE(bench.messages()[0].find("画面が伝わっていない"), std::string::npos);
  EXPECT_EQ(bench.fake().events.size(), 3U) << "told, nothing installed";

  // Off needs no scheduler's consent; the next start reads it back.
  QTest::keyClick(combo, Qt::Key_Home);
  EXPECT_EQ(combo->currentText(), QStringLiteral("しない"));
  EXPECT_EQ(scheduler.schedules.count(changer), 0U);
  window->close();
  scheduler.ready = SchedulerReadiness::Ready;
  scheduler.schedules[changer] = Schedule{ScheduleKind::Every, 720};
  open();
  EXPECT_EQ(child<QComboBox>("LstSchedule")->currentText(), QStringLiteral("12時間ごと"));
}

TEST_F(ManagerWindow, FitsA1280By800ScreenAt200PercentAndHintsAtDropsWhenEmpty) {
  FrmEdit& frm = open();
  // Logical pixels at 200 %: half the screen, less a title bar and a panel.
  const QSize least = frm.minimumSizeHint().expandedTo(frm.minimumSize());
  EXPECT_LE(least.width(), 640 - 20);
  EXPECT_LE(least.height(), 400 - 60);

  QApplication::processEvents();
  const QImage empty = list1()->viewport()->grab().toImage();
  const QRgb base = empty.pixel(1, 1);
  int inked = 0;
  for (int y = 0; y < empty.height(); ++y) {
    for (int x = 0; x < empty.width(); ++x) inked += empty.pixel(x, y) != base ? 1 : 0;
  }
  EXPECT_GT(inked, 50);  // the hint's letters
}

TEST(ManagerQtTexts, StandardButtonsReadInJapanese) {
  ensureApplication();
  ASSERT_TRUE(manager::InstallJapaneseQtTexts(*QApplication::instance()));
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
  EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
  EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
}

}  // namespace
}  // namespace tivolen

// SPDX-License-Identifier: GPL-3.0-or-later
// Draws each page of the settings window with a sample list into PNG files,
// for people to judge the layout (scripts/manager_screenshots.sh runs it under
// Xvfb at 100 % and 200 %), and checks what a person would see at a glance:
// every page shows whole, with no scroll bar, in a window no smaller than its
// contents ask, and a page chosen after another scrolled starts at its top.
// Exits 1 on a page that fails, naming it.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <cstdio>

#include "manager/ui/frm_edit.h"
#include "tests/manager_test_support.h"
#include "tests/picture_files.h"

namespace {

// An evening sea: sky fading to orange, a sun, dark water below.
std::string sunsetJpeg() {
  QImage image(1600, 1200, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, 720);
  sky.setColorAt(0, QColor(40, 60, 140));
  sky.setColorAt(1, QColor(250, 150, 60));
  painter.fillRect(0, 0, 1600, 720, sky);
  painter.setBrush(QColor(255, 220, 120));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(800, 700), 140, 140);
  QLinearGradient sea(0, 720, 0, 1200);
  sea.setColorAt(0, QColor(60, 70, 110));
  sea.setColorAt(1, QColor(10, 20, 50));
  painter.fillRect(0, 720, 1600, 480, sea);
  painter.end();
  return tivolen::testing::encode(image, "jpg");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: manager_screenshots OUTPUT_FOLDER NAME_SUFFIX\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString family = QStringLiteral("Noto Sans CJK JP");
  if (QFontDatabase::hasFamily(family)) {
    QFont font = QApplication::font();
    font.setFamilies({family});
    QApplication::setFont(font);
  }

  tivolen::testing::ManagerBench bench;
  std::vector<std::string> records;
  for (const char* name : {"写真/海辺の夕焼け.jpg", "写真/富士山と桜.jpg", "写真/雪の朝.bmp",
                           "photos/summer holiday 2026.jpeg", "壁紙/タイル模様.gif"}) {
    records.push_back("\"" + bench.picture(name) + "\",0,3,3");
  }
  tivolen::testing::writeBytes(bench.root / "写真/海辺の夕焼け.jpg", sunsetJpeg());
  bench.picture("旅行/京都/金閣寺.jpg");
  records.push_back("\"" + bench.root / "旅行/" + "\",4,3,5");
  const std::string launcher = bench.root.write("bin/calendar");
  records.push_back("\"[Lounch]\",\"" + launcher + "\"");
  bench.writeList(tivolen::testing::listBytes(1, 1, 2, records));

  bench.answers().push_back(tivolen::Answer::Cancel);
  tivolen::manager::EditForm form(bench.platform());
  tivolen::manager::FrmEdit window(form);
  window.load();
  window.show();
  auto* list = window.findChild<QListView*>(QStringLiteral("List1"));
  list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                          QItemSelectionModel::ClearAndSelect);
  // The preview decodes off the window's thread; wait for it a while.
  auto* preview = window.findChild<QLabel*>(QStringLiteral("ImgPV"));
  QElapsedTimer waited;
  waited.start();
  while (preview->pixmap().isNull() && waited.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString suffix = QString::fromLocal8Bit(argv[2]);
  bench.fake().random.draws.push_back(0.6F);
  auto* stack = window.findChild<QStackedWidget*>();
  // The scroll area of the page shown: each page's own, or one for all.
  auto scrollShown = [&] {
    auto* own = qobject_cast<QScrollArea*>(stack->currentWidget());
    return own != nullptr ? own : window.findChild<QScrollArea*>(QStringLiteral("PageScroll"));
  };
  int faults = 0;
  for (const char* menu : {"MnuList", "MnuSet", "MnuOpe", "MnuHelp"}) {
    // The page before was left scrolled to its end, where it could scroll.
    QScrollBar* before = scrollShown()->verticalScrollBar();
    before->setValue(before->maximum());
    QApplication::processEvents();
    window.findChild<QAction*>(QString::fromLatin1(menu))->trigger();
    QApplication::processEvents();
    QScrollArea* scroll = scrollShown();
    const QWidget* page = scroll->widget() != stack ? scroll->widget() : stack->currentWidget();
    const QSize wanted = page->minimumSizeHint();
    const bool across = scroll->horizontalScrollBar()->isVisible();
    const bool down = scroll->verticalScrollBar()->isVisible();
    const int offset = scroll->verticalScrollBar()->value();
    std::printf("%s%s: window %dx%d, page area %dx%d, page needs at least %dx%d%s%s\n", menu,
                suffix.toLocal8Bit().constData(), window.width(), window.height(),
                scroll->viewport()->width(), scroll->viewport()->height(), wanted.width(),
                wanted.height(), across || down ? ", scroll bar shown" : "",
                offset != 0 ? ", opened scrolled" : "");
    if (across || down || offset != 0 || scroll->viewport()->width() < wanted.width() ||
        scroll->viewport()->height() < wanted.height()) {
      ++faults;
    }
    const QString file = folder + "/" + QString::fromLatin1(menu) + suffix + ".png";
    if (!window.grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
      return 1;
    }
  }
  return faults == 0 ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Another program dragging files onto the manager, as a file manager does:
// pressing the mouse on its window starts a drag of the files named on the
// command line, as a text/uri-list of file URLs (names of any bytes), to
// wherever the mouse is let go. Prints the action the target took, answers
// the target's request for the data and ends a few seconds later.
// Usage: drag_source X Y FILE...  (the window's top-left corner on screen)
#include <QApplication>
#include <QByteArray>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>

namespace {

class DragSource : public QLabel {
 public:
  explicit DragSource(QByteArray uriList) : QLabel("drag me"), uriList_(std::move(uriList)) {}

 protected:
  void mousePressEvent(QMouseEvent* /*event*/) override {
    auto* drag = new QDrag(this);
    auto* urls = new QMimeData;
    urls->setData(QStringLiteral("text/uri-list"), uriList_);
    drag->setMimeData(urls);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    std::printf("%s\n", action == Qt::CopyAction   ? "copied"
                        : action == Qt::MoveAction ? "moved"
                                                   : "refused");
    std::fflush(stdout);
    // The target asks for the data only after the drop, as a file manager
    // lives on to answer it.
    QTimer::singleShot(3000, qApp, &QApplication::quit);
  }

 private:
  QByteArray uriList_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 4) return 2;
  // A file manager sends each name's own bytes percent-encoded, whether
  // they are UTF-8 or not.
  QByteArray uriList;
  for (int i = 3; i < argc; ++i) {
    uriList += "file://" + QByteArray(argv[i]).toPercentEncoding("/") + "\r\n";
  }
  DragSource window(uriList);
  window.setWindowTitle("drag source");
  window.setAlignment(Qt::AlignCenter);
  window.resize(160, 100);
  window.move(QString::fromUtf8(argv[1]).toInt(), QString::fromUtf8(argv[2]).toInt());
  window.show();
  return QApplication::exec();
}

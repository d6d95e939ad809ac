#include <QApplication>
#include <QLabel>

// Stand-in until the manager window is built.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QString::fromUtf8("壁紙の設定はまだ作られていません"));
  label.setWindowTitle(QString::fromUtf8("壁紙の設定"));
  label.show();
  return QApplication::exec();
}

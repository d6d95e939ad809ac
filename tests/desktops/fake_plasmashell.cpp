// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for plasmashell on a private session bus: owns
// org.kde.plasmashell, records every desktop script it is sent to a file,
// and with --refuse answers as Plasma does when the widgets are locked.
// Usage: fake_plasmashell RECORD_FILE [--refuse]
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QObject>
#include <cstdio>

class PlasmaShell : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

 public:
  PlasmaShell(QString recordFile, bool refuse)
      : recordFile_(std::move(recordFile)), refuse_(refuse) {}

 public Q_SLOTS:
  void evaluateScript(const QString& script) {
    QFile file(recordFile_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(script.toUtf8());
    if (refuse_) sendErrorReply(QDBusError::Failed, QStringLiteral("Widgets are locked"));
  }

 private:
  QString recordFile_;
  bool refuse_;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = app.arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: fake_plasmashell RECORD_FILE [--refuse]\n");
    return 64;
  }
  PlasmaShell shell(arguments.at(1), arguments.contains(QStringLiteral("--refuse")));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell,
                          QDBusConnection::ExportAllSlots) ||
      !bus.registerService(QStringLiteral("org.kde.plasmashell"))) {
    std::fprintf(stderr, "fake_plasmashell: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  return app.exec();
}

#include "fake_plasmashell.moc"

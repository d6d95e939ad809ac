// SPDX-License-Identifier: GPL-3.0-or-later
// Draws a few distinct JPEG pictures into <app>/demo/ and writes a "1.30"
// list for them to <app>/List.txt: three single pictures and one folder.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/list_file.h"

namespace {

struct Scene {
  const char* file;
  QColor top;
  QColor bottom;
  QColor accent;
  const char* label;
};

bool drawScene(const Scene& scene, int index, const std::string& path) {
  QImage image(1600, 1000, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, image.height());
  sky.setColorAt(0, scene.top);
  sky.setColorAt(1, scene.bottom);
  painter.fillRect(image.rect(), sky);

  // A sun and a row of hills, placed differently in every picture.
  const double sunX = 250.0 + 380.0 * index;
  QRadialGradient sun(sunX, 260, 160);
  sun.setColorAt(0, scene.accent.lighter(150));
  sun.setColorAt(1, Qt::transparent);
  painter.setPen(Qt::NoPen);
  painter.setBrush(sun);
  painter.drawEllipse(QPointF(sunX, 260), 160, 160);
  for (int hill = 0; hill < 5; ++hill) {
    painter.setBrush(scene.bottom.darker(130 + 25 * hill));
    const double x = hill * 380.0 - 200.0 + 60.0 * index;
    painter.drawEllipse(QRectF(x, 700 + 40 * (hill % 2), 700, 600));
  }

  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(96);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(image.rect().adjusted(0, 0, 0, -120), Qt::AlignHCenter | Qt::AlignBottom,
                   QString::fromUtf8(scene.label));
  painter.end();
  return image.save(QString::fromStdString(path), "JPEG", 90);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s APPLICATION_DIRECTORY\n", argv[0]);
    return 2;
  }
  // Drawing text needs a GUI application, never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  const std::filesystem::path app = std::filesystem::absolute(argv[1]);
  const std::filesystem::path demo = app / "demo";
  std::filesystem::create_directories(demo / "夕暮れ");

  const std::vector<Scene> scenes = {
      {"朝の海.jpg", QColor(110, 180, 240), QColor(20, 90, 160), QColor(255, 230, 120), "朝の海"},
      {"森.jpg", QColor(190, 230, 170), QColor(30, 110, 60), QColor(255, 255, 200), "森"},
      {"雪山.jpg", QColor(200, 210, 235), QColor(120, 130, 170), QColor(255, 255, 255), "雪山"},
      {"夕暮れ/一.jpg", QColor(250, 150, 80), QColor(120, 40, 90), QColor(255, 200, 90),
       "夕暮れ 一"},
      {"夕暮れ/二.jpg", QColor(240, 110, 90), QColor(60, 20, 80), QColor(255, 170, 70),
       "夕暮れ 二"},
  };
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    const std::string path = (demo / scenes[i].file).string();
    if (!drawScene(scenes[i], static_cast<int>(i), path)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }

  tivolen::ImageList list;
  list.settings = {0, 0, 2};  // a change at every start, in list order
  list.entries = {
      {(demo / "朝の海.jpg").string(), tivolen::kKindImage, tivolen::kStyleFit, 3},
      {(demo / "森.jpg").string(), tivolen::kKindImage, tivolen::kStyleCover, 3},
      {(demo / "雪山.jpg").string(), tivolen::kKindImage, tivolen::kStyleStretched, 3},
      {(demo / "夕暮れ").string() + "/", tivolen::kKindFolderBase + 2, tivolen::kStyleFit, 3},
  };
  std::ofstream out(app / "List.txt", std::ios::binary);
  out << tivolen::writeImageList(list);
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", (app / "List.txt").c_str());
    return 1;
  }
  std::printf("demo list with %zu pictures in %s\n", scenes.size(), demo.c_str());
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The manager on the offscreen platform with large lists: opening on 32,767
// entries (well under half a second), expanding and collapsing a folder of
// 30,000 pictures in 300 sub-folders (under 0.3 s each), the duplicate check
// of 32,767 rows (under 50 ms) and the preview of a 24 MP JPEG from the
// click to the picture in its box (under 80 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>

#include "manager/edit_form.h"
#include "manager/ui/frm_edit.h"
#include "platform/fake/fake_platform.h"
#include "tests/temp_dir.h"

namespace {

constexpr int kEntries = 32767;

// One application directory with List.txt and its pictures, made once.
struct FullList {
  FullList() {
    std::filesystem::create_directories(root / "app");
    std::filesystem::create_directories(root / "pics");
    std::filesystem::create_directories(root / "applications");
    std::ofstream(root / "applications/壁紙変更.desktop") << "[Desktop Entry]\n";
    std::string list = "\"Ver\",\"1.30\"\r\n1\r\n1\r\n\"[SubFolder]\",2\r\n";
    for (int i = 0; i < kEntries; ++i) {
      const std::string picture = root / ("pics/写真 " + std::to_string(i) + ".jpg");
      std::ofstream(picture) << 'x';
      list += "\"" + picture + "\",0,3,5\r\n";
    }
    std::ofstream(root / "app/List.txt", std::ios::binary) << list;
  }
  tivolen::testing::TempDir root;
};

FullList& fullList() {
  static FullList list;
  return list;
}

std::unique_ptr<tivolen::fake::FakePlatform> platformFor(const FullList& list) {
  auto fake = std::make_unique<tivolen::fake::FakePlatform>(list.root / "app");
  fake->specialFolders.folders[tivolen::SpecialFolder::Applications] = list.root / "applications";
  return fake;
}

void BM_LoadList(benchmark::State& state) {
  FullList& list = fullList();
  for (auto _ : state) {
    auto fake = platformFor(list);
    tivolen::manager::EditForm form(fake->platform());
    form.Load();
    if (form.rowCount() != kEntries) state.SkipWithError("not every entry was loaded");
  }
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

void BM_OpenAndShowWindow(benchmark::State& state) {
  FullList& list = fullList();
  for (auto _ : state) {
    auto fake = platformFor(list);
    tivolen::manager::EditForm form(fake->platform());
    tivolen::manager::FrmEdit window(form);
    window.load();
    window.show();
    QApplication::processEvents();
    auto* view = window.findChild<QListView*>(QStringLiteral("List1"));
    if (view->model()->rowCount() != kEntries) state.SkipWithError("the model is not full");
    state.PauseTiming();
    window.hide();  // closing would save; a benchmark must not write the list
    form.setObserver(nullptr);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenAndShowWindow)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

// A registered folder of 300 sub-folders of 100 pictures each, and a
// 24 MP photo, made once.
struct LargeFolder {
  LargeFolder() {
    std::filesystem::create_directories(root / "app");
    std::filesystem::create_directories(root / "applications");
    std::ofstream(root / "applications/壁紙変更.desktop") << "[Desktop Entry]\n";
    for (int folder = 0; folder < 300; ++folder) {
      const std::string sub = root / ("big/d" + std::to_string(folder));
      std::filesystem::create_directories(sub);
      for (int i = 0; i < 100; ++i) std::ofstream(sub + "/p" + std::to_string(i) + ".jpg") << 'x';
    }
    QImage photo(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
      for (int x = 0; x < photo.width(); ++x) line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
    }
    QImageWriter writer(QString::fromStdString(root / "photo.jpg"), "jpg");
    writer.setQuality(90);
    writer.write(photo);
    const std::string list = "\"Ver\",\"1.30\"\r\n0\r\n0\r\n\"[SubFolder]\",2\r\n\"" +
                             root / "big/" + "\",30303,3,5\r\n\"" + root / "photo.jpg" +
                             "\",0,3,5\r\n";
    std::ofstream(root / "app/List.txt", std::ios::binary) << list;
  }
  tivolen::testing::TempDir root;
};

LargeFolder& largeFolder() {
  static LargeFolder folder;
  return folder;
}

// The window on the large folder; the user's clicks go to its widgets.
struct OpenWindow {
  explicit OpenWindow(LargeFolder& folder)
      : fake(folder.root / "app"), form(fake.platform()), window(form) {
    fake.specialFolders.folders[tivolen::SpecialFolder::Applications] =
        folder.root / "applications";
    window.load();
    window.show();
    QApplication::processEvents();
  }
  ~OpenWindow() {
    window.hide();  // closing would save; a benchmark must not write the list
    form.setObserver(nullptr);
  }
  OpenWindow(const OpenWindow&) = delete;
  OpenWindow& operator=(const OpenWindow&) = delete;
  QPushButton* button(const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  tivolen::fake::FakePlatform fake;
  tivolen::manager::EditForm form;
  tivolen::manager::FrmEdit window;
};

void BM_ExpandThirtyThousand(benchmark::State& state) {
  OpenWindow open(largeFolder());
  for (auto _ : state) {
    open.button("BtnUnstrech")->click();
    if (open.form.rowCount() != 2 + 300 + 30000) {
      state.SkipWithError("not every row was listed");
      break;
    }
    state.PauseTiming();
    open.button("BtnUnstrech")->click();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ExpandThirtyThousand)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

void BM_CollapseThirtyThousand(benchmark::State& state) {
  OpenWindow open(largeFolder());
  for (auto _ : state) {
    state.PauseTiming();
    open.button("BtnUnstrech")->click();
    const bool expanded = open.form.rowCount() == 2 + 300 + 30000;
    state.ResumeTiming();
    open.button("BtnUnstrech")->click();
    if (!expanded || open.form.rowCount() != 2) {
      state.SkipWithError("not expanded, or expansion rows left");
      break;
    }
  }
}
BENCHMARK(BM_CollapseThirtyThousand)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

// 32,767 rows of which every tenth repeats an earlier path.
void BM_CheckDuplicates(benchmark::State& state) {
  FullList& list = fullList();
  std::string text = "\"Ver\",\"1.30\"\r\n1\r\n1\r\n\"[SubFolder]\",2\r\n";
  std::set<int> used;
  int duplicates = 0;
  for (int i = 0; i < kEntries; ++i) {
    const int picture = i % 10 == 9 ? i / 2 : i;
    duplicates += used.insert(picture).second ? 0 : 1;
    text += "\"" + list.root / ("pics/写真 " + std::to_string(picture) + ".jpg") + "\",0,3,5\r\n";
  }
  tivolen::testing::TempDir root;
  std::filesystem::create_directories(root / "app");
  const std::string expected = " " + std::to_string(duplicates) + "個の重複がありました。";
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(root / "app/List.txt", std::ios::binary | std::ios::trunc) << text;
    tivolen::fake::FakePlatform fake(root / "app");
    tivolen::manager::EditForm form(fake.platform());
    form.LoadList();
    state.ResumeTiming();
    form.CheckDuplicates();
    if (fake.messages.shown.back() != expected) {
      state.SkipWithError("wrong count");
      break;
    }
  }
}
BENCHMARK(BM_CheckDuplicates)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

// From the click on the photo's row to its picture in the box; the decode
// runs off the window's thread, so this waits on the event loop.
void BM_PreviewOf24MegapixelPhoto(benchmark::State& state) {
  OpenWindow open(largeFolder());
  auto* view = open.window.findChild<QListView*>(QStringLiteral("List1"));
  auto* preview = open.window.findChild<QLabel*>(QStringLiteral("ImgPV"));
  QItemSelectionModel* selection = view->selectionModel();
  for (auto _ : state) {
    state.PauseTiming();
    selection->setCurrentIndex(view->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
    QApplication::processEvents();
    if (!preview->pixmap().isNull()) {
      state.SkipWithError("the folder row kept a picture");
      break;
    }
    state.ResumeTiming();
    selection->setCurrentIndex(view->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
    QElapsedTimer waited;
    waited.start();
    QTimer wakeUp;  // the wait below never outlasts it
    wakeUp.start(5000);
    while (preview->pixmap().isNull() && waited.elapsed() < 5000) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (preview->pixmap().isNull()) {
      state.SkipWithError("no picture within 5 s");
      break;
    }
  }
}
BENCHMARK(BM_PreviewOf24MegapixelPhoto)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fullList();  // outside every timing
  largeFolder();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

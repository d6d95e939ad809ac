// Opening the manager on a full list: 32,767 picture entries, each tested for
// existence, loaded into the rows and List1's model, and the window shown on
// the offscreen platform. The target is well under half a second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <filesystem>
#include <fstream>

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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fullList();  // outside every timing
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

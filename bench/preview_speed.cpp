// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's preview of one photo, as the window asks for it, beside
// the way it was made before: the photo decoded whole, then scaled into the
// box. Each way runs in alternation, so load on the machine falls on both
// alike; prints the median and the fastest of each in milliseconds.
// Usage: preview_speed PHOTO [RUNS] [BOX_WIDTH BOX_HEIGHT]
//   e.g. build/bench/make_photo 6000 4000 p.jpg 444 90 progressive
//        build/bench/preview_speed p.jpg 9
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "manager/preview.h"
#include "platform/linux/linux_pictures.h"

namespace {

using tivolen::PictureSize;

double millisecondsOf(const std::function<bool()>& run, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = run() && ok;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PHOTO [RUNS] [BOX_WIDTH BOX_HEIGHT]\n", argv[0]);
    return 2;
  }
  const std::string photo = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const PictureSize box{argc > 4 ? std::atoi(argv[3]) : 320, argc > 4 ? std::atoi(argv[4]) : 240};
  tivolen::LinuxPictures pictures;

  const auto preview = [&] {
    const tivolen::manager::PreviewPicture shown =
        tivolen::manager::LoadPreview(pictures, photo, box);
    return shown.status.isOk() && !shown.pixels.empty();
  };
  const auto wholeThenScaled = [&] {
    const tivolen::LoadedPicture whole = pictures.load(photo);
    if (!whole.status.isOk()) return false;
    const PictureSize target = tivolen::manager::FitInside(whole.natural, box);
    const tivolen::Picture shown = pictures.drawScaled(
        whole.pixels, {0, 0, double(whole.pixels.width()), double(whole.pixels.height())}, target);
    return !shown.empty();
  };

  std::vector<double> previewTimes;
  std::vector<double> wholeTimes;
  bool ok = true;
  for (int i = 0; i < runs && ok; ++i) {
    if (i % 2 == 0) {
      previewTimes.push_back(millisecondsOf(preview, ok));
      wholeTimes.push_back(millisecondsOf(wholeThenScaled, ok));
    } else {
      wholeTimes.push_back(millisecondsOf(wholeThenScaled, ok));
      previewTimes.push_back(millisecondsOf(preview, ok));
    }
  }
  if (!ok) {
    std::fprintf(stderr, "%s: not decoded\n", photo.c_str());
    return 1;
  }
  std::printf("| way | median | fastest |\n|---|---|---|\n");
  std::printf("| preview (decoded at the box's size) | %.0f ms | %.0f ms |\n", median(previewTimes),
              *std::min_element(previewTimes.begin(), previewTimes.end()));
  std::printf("| decoded whole, then scaled | %.0f ms | %.0f ms |\n", median(wholeTimes),
              *std::min_element(wholeTimes.begin(), wholeTimes.end()));
  std::printf("(%d runs each, box %d x %d)\n", runs, box.width, box.height);
  return 0;
}

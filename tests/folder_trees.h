// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/folder_walk.h"
#include "tests/read_only_files.h"
#include "tests/temp_dir.h"

namespace tivolen::testing {

// root/ a/{deep/d.jpg, x.jpg}, B/{y.JPG}, ro/{r.jpg}, .dot/{z.jpg}, own files.
class SearchTree : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("app/root/a/deep/d.jpg");
    dir.write("app/root/a/x.jpg");
    dir.write("app/root/a/notes.txt");
    dir.write("app/root/B/y.JPG");
    dir.write("app/root/ro/r.jpg");
    dir.write("app/root/.dot/z.jpg");
    dir.write("app/root/.h.jpg");
    dir.write("app/root/clip.mpeg");
    dir.write("app/root/r1.jpeg");
    dir.write("app/root/R2.bmp");
    files.readOnlyFolders.insert(dir / "app/root/ro");
  }
  FolderSearchResult search(std::string_view folder, int target, int depth) {
    return SearchFolder(files, dir / "app", folder, target, depth);
  }
  TempDir dir;
  ReadOnlyMarkedFiles files;
};

}  // namespace tivolen::testing

#!/usr/bin/env bash
# clang-tidy over the project's own sources (not tests, not generated moc
# files), with the compile commands of an existing build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_BUILD_DIR:-$root/build}
cd "$root"
git ls-files 'common/*.cpp' 'changer/*.cpp' 'manager/*.cpp' 'platform/*.cpp' |
  xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null | grep -A3 'warning:' || true

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# clang-tidy over the project's own Linux sources (not tests, not generated
# moc files), with the compile commands of an existing build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_BUILD_DIR:-$root/build}
cd "$root"
# The Win32 sources are left out: they are not in the Linux build's compile
# commands, and clang-tidy cannot find MinGW's C++ headers through the cross
# build's.
git ls-files 'common/*.cpp' 'changer/*.cpp' 'manager/*.cpp' 'platform/*.cpp' \
  ':!platform/windows/*' ':!changer/*win32*' ':!manager/ui/*win32*' ':!platform/fake/native_windows.cpp' |
  xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null | grep -A3 'warning:' || true

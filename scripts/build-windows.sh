#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows programs with MinGW-w64 into build-windows/app/
# (or $TIVOLEN_WINDOWS_BUILD_DIR/app/), with the tests that run it under
# Wine. Installs the Debian packages it needs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_WINDOWS_BUILD_DIR:-$root/build-windows}

"$root/scripts/install-windows.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTIVOLEN_BUILD_TESTS=ON
cmake --build "$build" -j"$(nproc)"

#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-windows/app/
# (or $TIVOLEN_WINDOWS_BUILD_DIR/app/). Installs the Debian packages it needs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_WINDOWS_BUILD_DIR:-$root/build-windows}

source "$root/scripts/lib/apt.sh"
install_packages install-windows g++-mingw-w64-x86-64-posix cmake ninja-build

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTIVOLEN_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)"

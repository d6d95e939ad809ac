#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the libFuzzer targets with clang and the address and
# undefined-behaviour sanitizers, in their own build tree beside the normal
# one: the sanitizers must instrument the libraries the targets link.
# Usage: build_fuzzers.sh <source dir> <fuzz build dir>
set -euo pipefail
source_dir=$1
build_dir=$2
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTIVOLEN_FUZZ=ON -DTIVOLEN_BUILD_TESTS=OFF \
  -DTIVOLEN_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build_dir" --target fuzzers -j"$(nproc)"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and runs every test. Whole-program tests
# start their own virtual X servers; nothing touches the user's real folders.
# Each step says how long it took: CI has a time budget, and this is where
# to look when it runs short.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_BUILD_DIR:-$root/build}

step() {
  local name=$1 started=$SECONDS
  shift
  "$@"
  echo "== $name took $((SECONDS - started)) s (total $SECONDS s)"
}

step "installing the build's packages" "$root/scripts/install-deps.sh"
step "installing the desktops" "$root/scripts/install-desktops.sh"
step "building" "$root/scripts/build.sh"
# Twice, from copies in two folders: the packages must be byte-identical.
step "packaging twice" "$root/scripts/package.sh" --check-reproducible
step "the Linux tests" ctest --test-dir "$build" --no-tests=error --output-on-failure \
  -j"$(nproc)" --timeout 300

# The Windows programs from the same sources, run under Wine.
step "the Windows build" "$root/scripts/build-windows.sh"
step "the Wine tests" ctest --test-dir "${TIVOLEN_WINDOWS_BUILD_DIR:-$root/build-windows}" \
  --no-tests=error --output-on-failure -j"$(nproc)" --timeout 300

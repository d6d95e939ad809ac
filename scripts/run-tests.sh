#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and runs every test. Whole-program tests
# start their own virtual X servers; nothing touches the user's real folders.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
"$root/scripts/install-desktops.sh"
"$root/scripts/build.sh"
# Twice, from copies in two folders: the packages must be byte-identical.
"$root/scripts/package.sh" --check-reproducible
ctest --test-dir "$build" --no-tests=error --output-on-failure -j"$(nproc)" --timeout 300

# The Windows programs from the same sources, run under Wine.
"$root/scripts/build-windows.sh"
ctest --test-dir "${TIVOLEN_WINDOWS_BUILD_DIR:-$root/build-windows}" --no-tests=error \
  --output-on-failure -j"$(nproc)" --timeout 300

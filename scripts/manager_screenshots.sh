#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of every page of the manager's window at 100 % and 200 %, drawn
# under Xvfb with the real fonts, into BUILD_DIR/screenshots for review.
# Fails when a page does not show whole without scrolling (ctest runs it).
# Usage: scripts/manager_screenshots.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
tool=$build/tests/manager_screenshots
[[ -x "$tool" ]] || { echo "build the manager_screenshots target first" >&2; exit 1; }
out=$build/screenshots
mkdir -p "$out"

source "$here/x_server.sh"
trap stop_x_server EXIT
start_x_server 2560x1600x24

failed=0
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 "$tool" "$out" "" || failed=1
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$tool" "$out" "@2x" || failed=1
stop_x_server
# A laptop screen of 1280x800 at 200 %: the window must fit it.
start_x_server 1280x800x24
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$tool" "$out" "@2x-1280x800" || failed=1
ls "$out"/*.png
exit "$failed"

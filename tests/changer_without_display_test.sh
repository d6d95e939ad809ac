#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen with no display at all (DISPLAY and WAYLAND_DISPLAY unset,
# as under a timer before anyone has logged on): the change is due, but no
# desktop can take it. It must say so, end with the "no desktop" status 3 and
# leave WallPaper.log exactly as it was, so the next start still changes.
# Usage: changer_without_display_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
/usr/bin/convert -size 64x48 xc:red "$app/red.gif"
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 1 0 '"[SubFolder]",2'
  crlf "\"$app/red.gif\",0,2,5" "\"$app/red.gif\",0,2,5"
} >"$app/List.txt"
crlf '#2020-01-01#' 1 '"現在の壁紙ファイル：'"$app/red.gif"'"' >"$app/WallPaper.log"
cp "$app/WallPaper.log" "$work/log-before"

private_session
unset DISPLAY
status=0
timeout 30 "$app/Tivolen" 2>"$work/run.err" || status=$?
error_log="$work/run.err"
((status == 3)) || fail "exited with $status, not 3"
grep -q 'デスクトップに接続できないため、壁紙を変更できませんでした。' "$work/run.err" ||
  fail "it did not say that the desktop could not be reached"
cmp -s "$app/WallPaper.log" "$work/log-before" ||
  fail "the log changed: $(tr -d '\r' <"$app/WallPaper.log")"

echo "PASS"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen at log-on on its own X server, stepping through a list
# whose first picture and registered folder lie on a drive that is not
# attached: it must pass over both to the picture that is there, with one
# line each on standard error and no message box (a box would hold the run
# until the timeout), log that picture, and record the two for the manager.
# With nothing at all there it changes and logs nothing.
# Usage: changer_unavailable_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
usb="$work/media/USB ドライブ"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
/usr/bin/convert -size 64x48 xc:red "$app/red.gif"
crlf() { printf '%s\r\n' "$@"; }
# The picture owns position 1, the folder (2 items) 2 to 4, red.gif 5.
list() {
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$usb/海.jpg\",0,3,5" "\"$usb/旅行/\",5,3,5" "$@"
}
list "\"$app/red.gif\",0,2,5" >"$app/List.txt"
crlf '#2020-01-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

private_session
start_x_server 1024x768x24

status=0
timeout 20 "$app/Tivolen" 2>"$work/run.err" || status=$?
error_log="$work/run.err"
((status == 0)) || fail "exited with $status"
[[ "$(sed -n 2p "$app/WallPaper.log" | tr -d '\r')" == 5 ]] ||
  fail "logged position $(sed -n 2p "$app/WallPaper.log")"
grep -qF "現在の壁紙ファイル：$app/red.gif" "$app/WallPaper.log" || fail "the log names another file"
[[ "$(grep -c '見つからないため飛ばしました：' "$work/run.err")" == 2 ]] ||
  fail "not one line for each entry passed over"
[[ "$(wc -l <"$work/run.err")" == 2 ]] || fail "more was said than the two lines"
printf '%s\r\n' "$usb/海.jpg" "$usb/旅行/" | cmp -s - "$app/Unavailable.log" ||
  fail "the record for the manager: $(cat "$app/Unavailable.log")"

# Nothing there: no change, no log, no box, no failure.
list >"$app/List.txt"
cp "$app/WallPaper.log" "$work/log-before"
pixmap=$(xprop -root _XROOTPMAP_ID)
status=0
timeout 20 "$app/Tivolen" 2>"$work/run.err" || status=$?
((status == 0)) || fail "with nothing there it exited with $status"
cmp -s "$app/WallPaper.log" "$work/log-before" || fail "with nothing there the log changed"
[[ "$(xprop -root _XROOTPMAP_ID)" == "$pixmap" ]] || fail "with nothing there the wallpaper changed"

echo "PASS"

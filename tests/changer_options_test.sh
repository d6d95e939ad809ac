#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen's command line on its own X server, with a list that
# changes at every start: --help and --version print and end with 0, an
# option not understood prints the usage to standard error and ends with 2,
# and none of them changes the wallpaper or the log. A plain start then does.
# Usage: changer_options_test.sh PATH_TO_TIVOLEN
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
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$app/red.gif\",0,2,5" "\"$app/red.gif\",0,2,5" "\"$app/red.gif\",0,2,5"
} >"$app/List.txt"
crlf '#2020-01-01#' 1 '"現在の壁紙ファイル：'"$app/red.gif"'"' >"$app/WallPaper.log"
cp "$app/WallPaper.log" "$work/log-before"

private_session
start_x_server 1024x768x24
pixmap_before=$(xprop -root _XROOTPMAP_ID 2>&1 || true)

# run EXPECTED_STATUS ARGUMENTS...: runs Tivolen, output in $work/out and $work/err.
run() {
  local expected=$1 status=0
  shift
  timeout 20 "$app/Tivolen" "$@" >"$work/out" 2>"$work/err" || status=$?
  ((status == expected)) || fail "Tivolen $* exited with $status, not $expected: $(cat "$work/err")"
  cmp -s "$app/WallPaper.log" "$work/log-before" || fail "Tivolen $* changed the log"
  [[ "$(xprop -root _XROOTPMAP_ID 2>&1 || true)" == "$pixmap_before" ]] ||
    fail "Tivolen $* changed the wallpaper"
}

run 0 --help
grep -q -- '--navigator' "$work/out" || fail "--help does not name --navigator: $(cat "$work/out")"
[[ ! -s "$work/err" ]] || fail "--help wrote to standard error: $(cat "$work/err")"
run 0 --version
grep -qE '^Tivolen [0-9]+\.[0-9]+' "$work/out" || fail "--version printed: $(cat "$work/out")"
run 2 --wallpaper
grep -q 'unknown option: --wallpaper' "$work/err" || fail "no usage on stderr: $(cat "$work/err")"
grep -q '^Usage: Tivolen' "$work/err" || fail "no usage line on stderr: $(cat "$work/err")"
[[ ! -s "$work/out" ]] || fail "an unknown option wrote to standard output"
run 2 --help extra

# Nothing above was a plain start: this one changes.
timeout 20 "$app/Tivolen" 2>"$work/err" || fail "a plain start failed: $(cat "$work/err")"
[[ "$(sed -n 2p "$app/WallPaper.log" | tr -d '\r')" == 2 ]] || fail "a plain start did not step"

echo "PASS"

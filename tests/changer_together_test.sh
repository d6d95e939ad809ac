#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real changers started at the same instant on one X server, over one list
# that changes at every start: 50 pairs, then 5 times 10 at once. Every run
# must end with 0 and nothing on standard error (before the runs took turns,
# one freed the other's wallpaper while it was still connected and killed
# it), and the log must be whole with a position that counts every run once.
# Usage: changer_together_test.sh PATH_TO_TIVOLEN
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
total=$((50 * 2 + 5 * 10))
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  # More entries than runs: the position never wraps.
  for ((i = 0; i <= total; i++)); do crlf "\"$app/red.gif\",0,0,5"; done
} >"$app/List.txt"
crlf '#2020-01-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

private_session
start_x_server 1024x768x24

# together ROUND_NAME AT_ONCE: starts that many at once and checks each.
together() {
  local name=$1 at_once=$2 i status pids=()
  for ((i = 0; i < at_once; i++)); do
    timeout 60 "$app/Tivolen" 2>"$work/err-$name-$i" &
    pids+=("$!")
  done
  for i in "${!pids[@]}"; do
    status=0
    wait "${pids[$i]}" || status=$?
    ((status == 0)) || fail "$name: run $i exited with $status: $(cat "$work/err-$name-$i")"
    [[ ! -s "$work/err-$name-$i" ]] || fail "$name: run $i said: $(cat "$work/err-$name-$i")"
  done
}
for ((round = 1; round <= 50; round++)); do together "pair $round" 2; done
for ((round = 1; round <= 5; round++)); do together "ten $round" 10; done

mapfile -t lines < <(tr -d '\r' <"$app/WallPaper.log")
((${#lines[@]} == 3)) || fail "the log has ${#lines[@]} lines: ${lines[*]}"
[[ "${lines[0]}" =~ ^#[0-9]{4}-[0-9]{2}-[0-9]{2}#$ ]] || fail "the log's date: ${lines[0]}"
[[ "${lines[2]}" == "\"現在の壁紙ファイル：$app/red.gif\"" ]] || fail "the log's file: ${lines[2]}"
[[ "${lines[1]}" == "$total" ]] ||
  fail "the log counts ${lines[1]} changes of $total: runs overlapped and lost steps"

echo "PASS ($total runs)"

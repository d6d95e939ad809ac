#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 running short of memory while it loads a large list (a list
# of nearly the largest size it reads, its data limited to what the window
# needs with a small list plus 40 MB): the allocation that fails
# must end the program with a Japanese box, a line on standard error and a
# non-zero status, not an abort; the list stays as it was.
# Usage: manager_out_of_memory_app_test.sh PATH_TO_MANAGER
set -euo pipefail
program=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
mkdir -p "$app" "$work/pics"
cp "$program" "$app/管理"
printf 'x' >"$work/pics/a.jpg"
small_list() {
  printf '"Ver","1.30"\r\n1\r\n0\r\n"[SubFolder]",2\r\n"%s",0,3,5\r\n' "$work/pics/a.jpg"
}

private_session
# The menu entry is there, so no question comes before the list loads.
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\nType=Application\nName=壁紙変更\nExec=true\n' \
  >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1024x768x24

# What the window takes with a small list.
small_list >"$app/List.txt"
open_window "$app/管理" "$work/small.err" '壁紙の設定'
data=$(awk '/^VmData:/ {print $2}' "/proc/$launched/status")
kill "$launched"
wait "$launched" 2>/dev/null || true

# About 60 MB of rows (the manager reads up to 64 MB): reading them alone
# takes more than the margin.
{
  small_list
  long=$(printf '%02000d' 0)
  for ((i = 0; i < 30000; i++)); do printf '"%s/%s%d.jpg",0,3,5\r\n' "$work/pics" "$long" "$i"; done
} >"$app/List.txt"
cp "$app/List.txt" "$work/list-before"

limit=$((data + 40 * 1024))
(ulimit -d "$limit" && exec "$app/管理") 2>"$work/run.err" &
manager=$!
started+=("$manager")
error_log="$work/run.err"
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^壁紙の設定$' | head -n1) ||
  fail "no box appeared"
grep -q '予期しないエラーが発生したため、終了します。' "$work/run.err" ||
  fail "the box was not the unexpected failure's"
grep -q 'bad_alloc\|memory' "$work/run.err" || fail "standard error did not say what broke"
xdotool windowfocus --sync "$box" key Return
status=0
timeout 20 tail --pid="$manager" -f /dev/null || fail "管理 did not end after the box"
wait "$manager" || status=$?
((status == 1)) || fail "exited with $status, not 1"
cmp -s "$app/List.txt" "$work/list-before" || fail "the list changed"

echo "PASS"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 under Xvfb ended by SIGTERM, as a session ending ends it.
# First with a damaged list and a row deleted: the list must be written at
# once, its old bytes kept as List.txt.bak, and the program must end by
# itself without a box waiting (a session sends SIGKILL soon after). Then
# with List.txt replaced by a folder: the edits must land in an unsaved copy
# beside it, and the next start must say where.
# Usage: manager_signal_app_test.sh PATH_TO_MANAGER
set -euo pipefail
program=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
pics="$work/pics"
mkdir -p "$app" "$pics"
for colour in red lime; do /usr/bin/convert -size 32x32 "xc:$colour" "$pics/$colour.png"; done
cp "$program" "$app/管理"
record() { printf '"%s",%s\r\n' "$1" "$2"; }
# The timing line holds text: damaged, read as far as it goes.
{
  printf '"Ver","1.30"\r\n"x"\r\n0\r\n"[SubFolder]",2\r\n'
  record "$pics/red.png" 0,2,3
  record "$pics/lime.png" 0,2,3
} >"$work/damaged.txt"
cp "$work/damaged.txt" "$app/List.txt"

private_session
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1024x768x24

# Waits for the process $1 to end by itself within $2 seconds.
ends_within() {
  for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}

# Starts 管理, answers the box its start shows (whose text must reach
# $2 on stderr), and waits for the window: sets $manager and $window.
start_past_box() {
  "$app/管理" 2>"$1" &
  manager=$!
  started+=("$manager")
  local box
  box=$(timeout 40 xdotool search --sync --onlyvisible --name '^壁紙の設定$' | head -n1) ||
    fail "no box at the start; its errors: $(cat "$1")"
  grep -q "$2" "$1" || fail "the box at the start was not about '$2': $(cat "$1")"
  xdotool windowfocus --sync "$box" key Return
  window=
  for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null | head -n1 || true)
    [[ -n "$window" && "$window" != "$box" ]] && break
    window=
    sleep 0.1
  done
  [[ -n "$window" ]] || fail "the window did not appear after the box"
  sleep 1
}

# --- A damaged list: saved at once, old bytes kept, no box -------------------
error_log="$work/first.err"
start_past_box "$work/first.err" 'リストが壊れています'
# Down Up select red.png; Delete removes it.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" --delay 150 Down Up Delete
sleep 0.5
kill -TERM "$manager"
if ! ends_within "$manager" 5; then
  shown=$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')
  kill -KILL "$manager"
  fail "管理 still ran 5 s after SIGTERM; windows: $shown"
fi
expected=$({
  printf '"Ver","1.30"\r\n0\r\n0\r\n"[SubFolder]",2\r\n'
  record "$pics/lime.png" 0,2,3
} | od -An -tx1)
[[ "$(od -An -tx1 "$app/List.txt")" == "$expected" ]] ||
  fail "the list after SIGTERM: $(cat -A "$app/List.txt")"
cmp -s "$app/List.txt.bak" "$work/damaged.txt" || fail "List.txt.bak is not the old list"
grep -q 'List.txt.bak として残しました' "$work/first.err" || fail "the copy was not told on stderr"

# --- List.txt cannot be replaced: the edits go to an unsaved copy ------------
cp "$work/damaged.txt" "$app/List.txt"
error_log="$work/second.err"
start_past_box "$work/second.err" 'リストが壊れています'
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" --delay 150 Down Up Delete
sleep 0.5
rm "$app/List.txt"
mkdir "$app/List.txt"
kill -HUP "$manager"
ends_within "$manager" 5 || fail "管理 still ran 5 s after SIGHUP"
copies=("$app"/List.txt.unsaved-*)
[[ ${#copies[@]} == 1 && -f ${copies[0]} ]] || fail "no unsaved copy: $(ls "$app")"
[[ ${copies[0]} =~ List\.txt\.unsaved-[0-9]{8}-[0-9]{6}$ ]] || fail "named ${copies[0]}"
[[ "$(od -An -tx1 "${copies[0]}")" == "$expected" ]] || fail "the copy: $(cat -A "${copies[0]}")"
grep -qF "${copies[0]}" "$work/second.err" || fail "stderr does not name the copy"

# The next start points to the copy in a box.
rmdir "$app/List.txt"
error_log="$work/third.err"
start_past_box "$work/third.err" '編集内容を次のファイルに残しています'
grep -qF "${copies[0]}" "$work/third.err" || fail "the box does not name the copy"
echo "manager_signal_app_test: ok"

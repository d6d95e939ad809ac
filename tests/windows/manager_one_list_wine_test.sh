#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One 管理.exe per list under Wine: a second start on the folder of a
# running manager opens no window of its own and ends, so the running one's
# save stays the only save; a manager ended outright blocks no later start.
# Usage: manager_one_list_wine_test.sh PATH_TO_管理_EXE
set -euo pipefail
exe=$1
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"

app="$work/prefix/drive_c/壁紙 アプリ"
mkdir -p "$app"
cp "$exe" "$app/管理.exe"
/usr/bin/convert -size 64x48 xc:lime -quality 95 "$app/桜.jpg"
printf '"Ver","1.30"\r\n0\r\n0\r\n"[SubFolder]",2\r\n"C:\\壁紙 アプリ\\桜.jpg",0,3,5\r\n' >"$app/List.txt"

title='^壁紙の設定$'
windows() { xdotool search --onlyvisible --name "$title" 2>/dev/null || true; }
width_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { split($2, s, "x"); print s[1] }'; }
# The main window is the wide one; message boxes share its title.
main_windows() {
  local w width
  for w in $(windows); do
    width=$(width_of "$w")
    if [[ -n "$width" ]] && ((width >= 450)); then echo "$w"; fi
  done
}
message_box() {
  local w width
  for w in $(windows); do
    width=$(width_of "$w")
    if [[ -n "$width" ]] && ((width < 450)); then echo "$w"; return; fi
  done
}
wait_for() { # command what: polls for up to 30 s
  local _
  for _ in $(seq 1 120); do
    [[ -n "$("$1")" ]] && return 0
    sleep 0.25
  done
  fail "$2"
}
start_manager() { (cd "$app" && exec wine 管理.exe >>"$work/stderr" 2>&1) & }

start_manager
first=$!
# The menu entry is offered before the first window; OK makes it, so the
# later starts ask nothing.
wait_for message_box "no start-up question"
xdotool windowfocus --sync "$(message_box)" key Return
wait_for main_windows "the window did not open"
sleep 1

start_manager
second=$!
for _ in $(seq 1 120); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$second" 2>/dev/null; then
  fail "the second start is still running; main windows: $(main_windows | wc -l)"
fi
wait "$second" || fail "the second start ended with status $?"
[[ $(main_windows | wc -l) -eq 1 ]] || fail "$(main_windows | wc -l) manager windows are open"
[[ -z "$(message_box)" ]] || fail "the second start showed a message"

# Ended outright, the first manager leaves nothing that blocks the next one.
kill -KILL "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true
for _ in $(seq 1 40); do
  [[ -z "$(main_windows)" ]] && break
  sleep 0.25
done
[[ -z "$(main_windows)" ]] || fail "the killed manager's window stayed"
start_manager
wait_for main_windows "a manager after the killed one did not open"
echo "manager_one_list_wine_test: ok"

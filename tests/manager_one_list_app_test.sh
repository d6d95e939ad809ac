#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 guarding its list under Xvfb, driven by real keys:
# - Shift+Down selects a range that ends on a picture removed from the disk:
#   only the missing picture leaves the list, and the message names it;
# - a second start on the same list, while the first has unsaved edits,
#   opens no window of its own: it brings the first one above the window
#   that covered it and ends, so the first one's save is the only save;
# - a manager killed without a chance to clean up blocks no later start.
# Usage: manager_one_list_app_test.sh PATH_TO_MANAGER PATH_TO_DRAG_SOURCE [SCREENSHOT_FOLDER]
set -euo pipefail
program=$1
cover_program=$2
shots=${3:-}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
pics="$work/pics"
mkdir -p "$app" "$pics"
for name in a b c d; do /usr/bin/convert -size 64x48 xc:teal "$pics/$name.jpg"; done
cp "$program" "$app/管理"
record() { printf '"%s",0,3,%s\r\n' "$1" "$2"; }
header() { printf '"Ver","1.30"\r\n0\r\n0\r\n"[SubFolder]",2\r\n'; }
{
  header
  for name in a b c d; do record "$pics/$name.jpg" 5; done
} >"$app/List.txt"

private_session
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1280x800x24

managers_shown() { xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null | wc -l; }
# Waits for process $1 to end, up to $2 tenths of a second; its status in $ended.
await_end() {
  local tenths
  for tenths in $(seq "$2"); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$1" 2>/dev/null; then return 1; fi
  ended=0
  wait "$1" || ended=$?
}
press_ok() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH - 40)) $((HEIGHT - 30)) click 1
}

open_window "$app/管理" "$work/first.err" 壁紙の設定
error_log="$work/first.err"
first=$launched
first_window=$window

# c.jpg goes while the manager shows it.
rm "$pics/c.jpg"
keys Down Up shift+Down shift+Down
box=
for _ in $(seq 50); do
  box=$(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null | grep -vx "$first_window" |
    head -n1 || true)
  [[ -n $box ]] && break
  sleep 0.1
done
[[ -n $box ]] || fail "no message about the missing picture"
shot one_list_missing
xdotool windowfocus --sync "$box" key Return
sleep 0.5
grep -qF "ファイルが見つかりません" "$work/first.err" || fail "the message was not the missing file's"
grep -qF "$pics/c.jpg" "$work/first.err" || fail "the message did not name c.jpg"

# Another window covers the manager, then the manager is started again.
eval "$(xdotool getwindowgeometry --shell "$first_window")"
"$cover_program" "$((X + 10))" "$((Y + 10))" "$pics/a.jpg" >/dev/null 2>&1 &
started+=("$!")
cover=$(timeout 20 xdotool search --sync --onlyvisible --name '^drag source$' | head -n1) ||
  fail "the covering window did not appear"
xdotool windowraise "$cover"
sleep 0.5
# The screen's windows from the top-most down.
stacking() { xwininfo -root -children | grep -oE '^ +0x[0-9a-f]+' | tr -d ' '; }
above() { # true when window $1 lies above window $2 (decimal ids)
  local order first_hex second_hex
  order=$(stacking)
  first_hex=$(printf '0x%x' "$1")
  second_hex=$(printf '0x%x' "$2")
  [[ $(grep -nx "$first_hex" <<<"$order" | cut -d: -f1) -lt \
    $(grep -nx "$second_hex" <<<"$order" | cut -d: -f1) ]]
}
above "$cover" "$first_window" || fail "the cover did not cover the manager"

"$app/管理" 2>"$work/second.err" &
second=$!
started+=("$second")
await_end "$second" 150 || fail "the second start is still running; windows: $(managers_shown)"
((ended == 0)) || fail "the second start ended with status $ended: $(cat "$work/second.err")"
[[ $(managers_shown) -eq 1 ]] || fail "$(managers_shown) manager windows are shown"
sleep 0.5
shot one_list_brought_forward
above "$first_window" "$cover" || fail "the first manager was not brought forward"

# The first manager saves what it shows: a, b and d.
press_ok "$first_window"
await_end "$first" 100 || fail "the first manager did not close on OK"
((ended == 0)) || fail "管理 ended with status $ended"
expected=$({
  header
  for name in a b d; do record "$pics/$name.jpg" 5; done
} | od -An -tx1)
[[ "$(od -An -tx1 "$app/List.txt")" == "$expected" ]] || fail "saved list: $(cat -A "$app/List.txt")"

# A manager killed outright leaves its lock and socket files behind.
open_window "$app/管理" "$work/killed.err" 壁紙の設定
kill -KILL "$launched"
wait "$launched" 2>/dev/null || true
open_window "$app/管理" "$work/after.err" 壁紙の設定
error_log="$work/after.err"
! grep -qF "すでに開いています" "$work/after.err" || fail "the killed manager still blocks the list"
press_ok "$window"
await_end "$launched" 100 || fail "the manager after the killed one did not close on OK"
echo "manager_one_list_app_test: ok"

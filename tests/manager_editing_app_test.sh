#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 editing its list under Xvfb on a 1280x800 screen at 200 %,
# driven by keys as a user without a mouse drives it: Enter on a picture
# makes it the wallpaper at once, then select a row, move it up, delete
# another, expand the folders and fold them again, then OK. The window must
# fit the screen, and List.txt must hold exactly the edited rows.
# Usage: manager_editing_app_test.sh PATH_TO_MANAGER [SCREENSHOT_FOLDER]
set -euo pipefail
program=$1
shots=${2:-}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
pics="$work/pics"
mkdir -p "$app" "$pics/trip/day1"
/usr/bin/convert -size 320x200 xc:red -quality 92 "$pics/a.jpg"
for name in b c; do printf 'x' >"$pics/$name.jpg"; done
printf 'x' >"$pics/trip/t1.jpg"
printf 'x' >"$pics/trip/day1/d1.jpg"
cp "$program" "$app/管理"
record() { printf '"%s",%s\r\n' "$1" "$2"; }
{
  printf '"Ver","1.30"\r\n0\r\n1\r\n"[SubFolder]",2\r\n'
  record "$pics/a.jpg" 0,2,1
  record "$pics/b.jpg" 0,1,2
  record "$pics/c.jpg" 0,2,3
  record "$pics/trip/" 6,3,5
} >"$app/List.txt"

private_session
export QT_SCALE_FACTOR=2
# The menu entry exists, so no question comes first.
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1280x800x24

open_window "$app/管理" "$work/manager.err" 壁紙の設定
manager=$launched
eval "$(xdotool getwindowgeometry --shell "$window")"
((X >= 0 && Y >= 0 && X + WIDTH <= 1280 && Y + HEIGHT <= 800)) ||
  fail "the window ${WIDTH}x${HEIGHT}+${X}+${Y} leaves the 1280x800 screen"

# The colour class of a screen pixel: red or something else.
pixel() {
  screen_rgb "$1" "$2" | {
    read -r r g b
    if ((r > 180 && g < 80 && b < 80)); then echo red; else echo "other($r,$g,$b)"; fi
  }
}

# The list has the keyboard focus and row 0 is current but not selected, so
# Home alone selects nothing: Down and Up select a.jpg. Enter stretches it
# over the screen; the corner beside the window turns red.
keys Down Up Return
sleep 1
[[ "$(pixel 1270 790)" == red ]] ||
  fail "the wallpaper was not set: $(pixel 1270 790); $(cat "$work/manager.err")"
xprop -root _XROOTPMAP_ID | grep -q 'pixmap id' || fail "no root pixmap"
[[ ! -e "$app/WallPaper.log" ]] || fail "the manager wrote the change log"
# Down Down select c.jpg; Tab reaches 上へ, Space presses it.
keys Down Down
shot editing_selected
keys Tab space
# Back in the list: Home selects a.jpg, Delete removes it and selects c.jpg,
# which took its place.
keys shift+Tab Home Delete
# Tab past 上へ, 下へ and 削除 to 展開.
keys Tab Tab Tab Tab space
sleep 0.5
shot editing_expanded
keys space
shot editing_collapsed

# OK stands in the window's bottom-right corner.
xdotool mousemove --window "$window" $((WIDTH - 40)) $((HEIGHT - 30)) click 1
for _ in $(seq 100); do kill -0 "$manager" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$manager" 2>/dev/null; then fail "the window did not close on OK"; fi
wait "$manager" || fail "管理 ended with status $?"

expected=$({
  printf '"Ver","1.30"\r\n0\r\n1\r\n"[SubFolder]",2\r\n'
  record "$pics/c.jpg" 0,2,3
  record "$pics/b.jpg" 0,1,2
  record "$pics/trip/" 6,3,5
} | od -An -tx1)
actual=$(od -An -tx1 "$app/List.txt")
[[ "$actual" == "$expected" ]] || fail "saved list: $(cat -A "$app/List.txt")"
echo "manager_editing_app_test: ok"

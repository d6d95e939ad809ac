#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Files dragged onto the real 管理 by another program, through the X
# server's drag protocol as a file manager drags them (not events made up
# inside the window): names with blanks, "#", "%", "&", Japanese and bytes
# that are not UTF-8, and a folder. The drop must list them in the drag's order, and OK must save
# them with their names intact.
# Usage: manager_drop_app_test.sh PATH_TO_MANAGER PATH_TO_DRAG_SOURCE [SCREENSHOT_FOLDER]
set -euo pipefail
program=$1
drag_source=$2
shots=${3:-}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/app"
pics="$work/写真 pics"
mkdir -p "$app" "$pics/旅 行 #2"
# $'\x82\xa0' is "あ" in the old Japanese code page: a name that is not UTF-8.
names=("a b.jpg" "写真 #1.jpg" "100%.png" "x&y;z.gif" $'\x82\xa0.jpg')
for name in "${names[@]}"; do
  /usr/bin/convert -size 64x48 xc:teal "$pics/$name"
done
/usr/bin/convert -size 64x48 xc:teal "$pics/旅 行 #2/一.jpg"
/usr/bin/convert -size 64x48 xc:teal "$pics/旅 行 #2/二.jpg"
cp "$program" "$app/管理"
printf '"Ver","1.30"\r\n0\r\n1\r\n"[SubFolder]",2\r\n"%s",0,2,1\r\n' "$pics/a b.jpg" >"$app/List.txt"

private_session
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1280x800x24

open_window "$app/管理" "$work/manager.err" 壁紙の設定
error_log="$work/manager.err"
manager=$launched
eval "$(xdotool getwindowgeometry --shell "$window")"
target_x=$((X + WIDTH / 2))
target_y=$((Y + HEIGHT / 2))

# The source stands in the bottom-right corner, clear of the manager.
"$drag_source" 1100 680 "${names[@]/#/$pics/}" "$pics/旅 行 #2" >"$work/drag.out" 2>"$work/drag.err" &
source_pid=$!
started+=("$source_pid")
xdotool search --sync --onlyvisible --name '^drag source$' >/dev/null
sleep 0.5
# Press, move in steps as a hand does, let go over the manager.
xdotool mousemove 1180 730 mousedown 1
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((1180 + (target_x - 1180) * step / 8)) $((730 + (target_y - 730) * step / 8))
  sleep 0.15
done
sleep 0.3
shot drop_hovering
xdotool mouseup 1
for _ in $(seq 50); do [[ -s $work/drag.out ]] && break; sleep 0.1; done
[[ "$(cat "$work/drag.out")" == copied ]] ||
  fail "the drop was not taken: '$(cat "$work/drag.out")' $(cat "$work/drag.err")"
sleep 1
shot drop_listed

# OK stands in the window's bottom-right corner.
xdotool mousemove --window "$window" $((WIDTH - 40)) $((HEIGHT - 30)) click 1
for _ in $(seq 100); do kill -0 "$manager" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$manager" 2>/dev/null; then fail "the window did not close on OK"; fi
wait "$manager" || fail "管理 ended with status $?"

# The saved rows' names, in order: the one there before, then the dropped
# ones (a dropped name already listed is listed again; the duplicate check
# is a button of its own), the folder with its "/".
expected=$(printf '%s\n' "$pics/a b.jpg" "$pics/a b.jpg" "$pics/写真 #1.jpg" "$pics/100%.png" "$pics/x&y;z.gif" \
  "$pics/"$'\x82\xa0.jpg' "$pics/旅 行 #2/")
actual=$(tail -n +5 "$app/List.txt" | tr -d '\r' | LC_ALL=C sed -E 's/^"(.*)",[0-9]+,[0-9]+,[0-9]+$/\1/')
[[ "$actual" == "$expected" ]] || fail "saved rows:
$(cat -A "$app/List.txt")"
grep -qF "\"$pics/旅 行 #2/\",5," "$app/List.txt" || fail "the folder's count of two: $(cat -A "$app/List.txt")"
echo "manager_drop_app_test: ok"

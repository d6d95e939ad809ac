#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 in a temporary application directory under its own Xvfb:
# the start-up question about the menu entry (answered OK with xdotool), the
# rewrite of an existing autostart entry, the list loaded with its vanished
# picture dropped and named in one box, and the click on OK that saves the
# list in layout "1.30", the old one kept as List.txt.bak.
# HOME and the XDG folders point into a temporary folder.
# Usage: manager_app_test.sh PATH_TO_MANAGER [SCREENSHOT_FOLDER]
set -euo pipefail
program=$1
shots=${2:-}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/壁紙 app"
mkdir -p "$app" "$work/pics"
cp "$program" "$app/管理"
printf 'x' >"$work/pics/海.jpg"
printf '"Ver","1.22"\r\n1\r\n0\r\n"%s",2,4\r\n"%s",0,3\r\n' \
  "$work/pics/海.jpg" "$work/pics/gone.jpg" >"$app/List.txt"
cp "$app/List.txt" "$work/old-list.txt"

private_session
mkdir -p "$XDG_CONFIG_HOME/autostart"
autostart="$XDG_CONFIG_HOME/autostart/壁紙変更.desktop"
printf '[Desktop Entry]\nType=Application\nName=壁紙変更\nExec="/old/place/Tivolen"\nPath=/old/place\n' \
  >"$autostart"
start_x_server 1280x1024x24

"$app/管理" 2>"$work/manager.err" &
manager=$!
started+=("$manager")

# The question comes before the window: both carry the caption.
question=$(timeout 20 xdotool search --sync --name '^壁紙の設定$' | head -n1) ||
  fail "no question about the menu entry"
xdotool windowfocus --sync "$question" key Return
menu="$XDG_DATA_HOME/applications/壁紙変更.desktop"
for _ in $(seq 100); do [[ -s "$menu" ]] && break; sleep 0.1; done
[[ -s "$menu" ]] || fail "OK at the question wrote no menu entry"
grep -q 'アプリケーションメニューにTivolenの項目を作成します' "$work/manager.err" ||
  fail "the question was not reported on stderr"

# Then the box that names the picture no longer in its folder.
removed=
for _ in $(seq 100); do
  removed=$(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null | head -n1 || true)
  [[ -n "$removed" && "$removed" != "$question" ]] && break
  removed=
  sleep 0.1
done
[[ -n "$removed" ]] || fail "no box about the removed picture"
grep -q "リストから外しました" "$work/manager.err" || fail "the box was not about the removed picture"
grep -qF "$work/pics/gone.jpg" "$work/manager.err" || fail "the removed picture was not named"
xdotool windowfocus --sync "$removed" key Return

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null | head -n1 || true)
  [[ -n "$window" && "$window" != "$question" && "$window" != "$removed" ]] && break
  window=
  sleep 0.1
done
[[ -n "$window" ]] || fail "the window did not appear"
sleep 0.5

grep -q "Exec=\"$app/Tivolen\"" "$autostart" || fail "autostart entry not rewritten: $(cat "$autostart")"
for entry in "$autostart" "$menu"; do
  desktop-file-validate "$entry" || fail "invalid entry $entry"
done
shot manager_app

# OK stands in the window's bottom-right corner.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 30)) $((HEIGHT - 20)) click 1
for _ in $(seq 100); do kill -0 "$manager" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$manager" 2>/dev/null; then fail "the window did not close on OK"; fi
wait "$manager" || fail "管理 ended with status $?"

expected=$(printf '"Ver","1.30"\r\n1\r\n0\r\n"[SubFolder]",8\r\n"%s",0,2,4\r\n' "$work/pics/海.jpg")
[[ "$(cat "$app/List.txt")" == "$expected" ]] || fail "saved list: $(cat -A "$app/List.txt")"
cmp -s "$app/List.txt.bak" "$work/old-list.txt" || fail "the old list was not kept as List.txt.bak"
echo "manager_app_test: ok"

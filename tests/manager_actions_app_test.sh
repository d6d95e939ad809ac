#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 under Xvfb, driven by keys and read back from the screen:
# a row selected and 壁紙に pressed turns the root window into that picture;
# the slideshow at its shortest pace then shows the next pictures one after
# another and stops by itself; ヘルプ hands help.htm to the program the
# desktop opens web pages with (a recorder here), never through a shell.
# Usage: manager_actions_app_test.sh PATH_TO_MANAGER [SCREENSHOT_FOLDER]
set -euo pipefail
program=$1
shots=${2:-}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"
error_log="$work/manager.err"

app="$work/app"
pics="$work/写真 pics"
mkdir -p "$app" "$pics"
for colour in red lime blue; do
  /usr/bin/convert -size 160x100 "xc:$colour" "$pics/$colour.png"
done
cp "$program" "$app/管理"
cp "$root/resources/tivolen.svg" "$app/"
printf '<html><body>help</body></html>\n' >"$app/help.htm"
record() { printf '"%s",%s\r\n' "$1" "$2"; }
{
  printf '"Ver","1.30"\r\n0\r\n0\r\n"[SubFolder]",2\r\n'
  record "$pics/red.png" 0,2,3
  record "$pics/lime.png" 0,2,3
  record "$pics/blue.png" 0,2,3
} >"$app/List.txt"

private_session
# The menu entry exists, so no question comes first.
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
# The user's browser: a recorder of what it was asked to open.
cat >"$work/recorder" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >"$work/opened"
EOF
chmod +x "$work/recorder"
cat >"$XDG_DATA_HOME/applications/recorder.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Recorder
Exec="$work/recorder" %f
MimeType=text/html;
EOF
printf '[Default Applications]\ntext/html=recorder.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
start_x_server 1024x768x24

open_window "$app/管理" "$work/manager.err" 壁紙の設定
# The project's icon reaches the window manager (Qt's SVG engine drew it).
# (Read whole: a grep that stops early would fail the pipe under pipefail.)
icon=$(xprop -id "$window" _NET_WM_ICON)
[[ $icon == *'_NET_WM_ICON(CARDINAL) = '* ]] || fail "the window has no icon: $icon"

# The colour name of the screen's bottom-right pixel, which the window never
# covers.
corner() {
  screen_rgb 1020 764 | {
    read -r r g b
    if ((r > 200 && g < 60 && b < 60)); then
      echo red
    elif ((r < 60 && g > 200 && b < 60)); then
      echo lime
    elif ((r < 60 && g < 60 && b > 200)); then
      echo blue
    else
      echo "other($r,$g,$b)"
    fi
  }
}

# The root window's corner, sampled until it shows `want` (or 10 s pass);
# every colour seen on the way is kept in order in $seen.
seen=()
wait_corner() {
  local want=$1 colour tries=0
  while ((tries < 100)); do
    colour=$(corner)
    if ((${#seen[@]} == 0)) || [[ ${seen[-1]} != "$colour" ]]; then seen+=("$colour"); fi
    [[ $colour == "$want" ]] && return 0
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}

# Down selects the second row (lime); Tab leads past 上へ, 下へ, 削除 and
# 展開 to 壁紙に.
keys Down
keys Tab Tab Tab Tab Tab
shot actions_wall_button
keys space
wait_corner lime || fail "壁紙に did not set the lime picture: ${seen[*]}"
[[ ! -e "$app/WallPaper.log" ]] || fail "the manager wrote the change log"

# Back to the list (Shift+Tab five times), Up selects red. Ctrl+3 opens the
# operations page with focus on 更新; Tab past 開く and ダブりチェック, Home
# sets the shortest pace (1 s, the bar's left end), Tab, Space starts: red at
# once, then lime and blue a second apart, and the show ends by itself on
# the last row.
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Up
keys ctrl+3 Tab Tab Tab Home Tab
shot actions_operations
seen=()
keys space
wait_corner red || fail "the slideshow did not start with the selected row: ${seen[*]}"
wait_corner lime || fail "the first tick did not show the next row: ${seen[*]}"
wait_corner blue || fail "the second tick did not show the last row: ${seen[*]}"
[[ "${seen[*]}" == "red lime blue" || "${seen[*]}" == "lime red lime blue" ]] ||
  fail "the root window went through ${seen[*]}"
sleep 2.5
[[ $(corner) == blue ]] || fail "the last picture did not stay: $(corner)"
kill -0 "$launched" 2>/dev/null || fail "the manager ended during the slideshow"
shot actions_slideshow_done

# Ctrl+4 shows the about page with focus on ヘルプ (the first control there).
keys ctrl+4
shot actions_about
keys space
for _ in $(seq 100); do [[ -s "$work/opened" ]] && break; sleep 0.1; done
[[ $(cat "$work/opened" 2>/dev/null) == "$app/help.htm" ]] ||
  fail "ヘルプ opened '$(cat "$work/opened" 2>/dev/null)' instead of $app/help.htm"
shot actions_about

echo "manager_actions_app_test: ok"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理.exe under Wine on a virtual X screen, in a scratch Wine
# prefix, worked with real keys and a real drag: its start-up question is
# answered; in a list of pictures with Japanese and spaced names (one gone
# before the start and named in a box, one undecodable), one row is moved up, the row of a
# picture deleted meanwhile goes when it is selected, another is deleted with
# Delete, Enter makes a picture the wallpaper at once, the slideshow steps
# through the rest, デスクトップ makes the desktop shortcut, a folder and a
# picture are dropped, Ctrl+2 and the arrow keys change the timing, and OK
# saves List.txt byte-exactly.
# Usage: manager_wine_test.sh PATH_TO_管理_EXE
# SHOTS=DIR keeps screenshots of the pages there.
set -euo pipefail
exe=$1
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"
magick=/usr/bin/convert

app="$work/prefix/drive_c/壁紙 アプリ"
photos="$app/写真 フォルダ"
mkdir -p "$photos"
cp "$exe" "$app/管理.exe"
wrestool -l "$exe" | grep -q -- '--type=14 ' || fail "管理.exe carries no icon"
wrestool -l "$exe" | grep -q -- '--type=24 ' || fail "管理.exe carries no manifest"
win_photos='C:\壁紙 アプリ\写真 フォルダ'
"$magick" -size 320x200 gradient:orange-navy -quality 90 "$photos/海辺の夕焼け.jpg"
"$magick" -size 64x48 xc:lime -quality 95 "$photos/富士山 と 桜.jpg"
"$magick" -size 80x60 xc:white BMP3:"$photos/雪の朝.bmp"
"$magick" -size 90x60 xc:blue "$photos/summer holiday 2026.gif"
cp "$photos/雪の朝.bmp" "$photos/消えた 写真.bmp"
# Dropped later: a folder with one picture, and a picture.
mkdir -p "$app/旅行 2026"
"$magick" -size 40x30 xc:yellow "$app/旅行 2026/港.jpg"
"$magick" -size 40x30 xc:cyan "$app/新しい 写真 #1 & 100%.gif"
# A file manager's drag (XDND), which Wine turns into WM_DROPFILES.
cc -O -o "$work/xdnd_drop" "$root/tests/windows/xdnd_drop.c" -lX11 || fail "cannot build xdnd_drop"
head -c 3000 /dev/urandom >"$photos/壊れた 画像.jpg"

crlf() { printf '%s\r\n' "$@"; }
row() { printf '"%s\\%s",0,%s,%s' "$win_photos" "$1" "$2" "$3"; }
# timing 0, sequential, depth 2; each row with its own style and ratio.
# 無い.jpg is gone before the start, 消えた 写真.bmp goes while the window is open.
crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2' \
  "$(row 海辺の夕焼け.jpg 4 2)" "$(row 無い.jpg 0 5)" "$(row '富士山 と 桜.jpg' 1 5)" \
  "$(row '消えた 写真.bmp' 0 3)" "$(row 雪の朝.bmp 2 4)" "$(row 'summer holiday 2026.gif' 3 1)" \
  "$(row '壊れた 画像.jpg' 0 3)" >"$app/List.txt"

title='^壁紙の設定$'
windows() { xdotool search --onlyvisible --name "$title" 2>/dev/null || true; }
width_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { split($2, s, "x"); print s[1] }'; }
# The main window is the wide one; message boxes share its title.
main_window() {
  local w width
  for w in $(windows); do
    width=$(width_of "$w")
    if [[ -n "$width" ]] && ((width >= 450)); then echo "$w"; return; fi
  done
}
message_box() {
  local w width
  for w in $(windows); do
    width=$(width_of "$w")
    if [[ -n "$width" ]] && ((width < 450)); then echo "$w"; return; fi
  done
}
wait_for() {  # command what: polls for up to 30 s
  local _
  for _ in $(seq 1 120); do
    "$1" >/dev/null && [[ -n "$("$1")" ]] && return 0
    sleep 0.25
  done
  fail "$2"
}
answer_box() {  # what: Return on the one message box that must come
  wait_for message_box "$1"
  local box
  box=$(message_box)
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 1 40); do
    # The next box may open at once: only the answered one must be gone.
    [[ "$(message_box)" != "$box" ]] && return 0
    sleep 0.25
  done
  fail "$1: the box stayed open"
}
keys() {  # keys for the main window, each given time to be handled
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.25
  done
}
shot() {
  [[ -n "${SHOTS:-}" ]] || return 0
  mkdir -p "$SHOTS"
  import -window root "$SHOTS/$1.png"
}

(cd "$app" && exec wine 管理.exe >>"$work/stderr" 2>&1) &
manager=$!

echo "== start-up: the menu entry offered"
# Before the window shows, the form asks to create the menu entry.
answer_box "no start-up question"
# Then one box names the picture gone from its folder before the start.
answer_box "no box naming the picture gone before the start"
grep -q '無い.jpg' "$work/stderr" || fail "the removed picture was not named"
wait_for main_window "the window did not open"
main=$(main_window)
programs="$work/prefix/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
[[ -f "$programs/壁紙変更.lnk" ]] || fail "OK on the question made no 壁紙変更.lnk"
sleep 0.5
shot list-empty-selection

echo "== editing with keys"
# Home, Down: 富士山 と 桜 selected; Tab, Space: 上へ; Shift+Tab: back to the list.
keys Home Down
shot list-selected
keys Tab space shift+Tab
# Down twice reaches the picture deleted meanwhile: its message, then the row goes.
rm "$photos/消えた 写真.bmp"
keys Down Down
answer_box "no message for the vanished picture"
# 雪の朝 now holds that place; Delete removes it.
keys Delete
# Enter on the first row (富士山 と 桜, tiled) makes it the wallpaper at once.
rm -f "$app/wallpaper.bmp"
keys Home Return
for _ in $(seq 1 40); do
  [[ -f "$app/wallpaper.bmp" ]] && break
  sleep 0.25
done
[[ -f "$app/wallpaper.bmp" ]] || fail "Enter wrote no wallpaper.bmp"
# reg.exe writes in the system code page.
values=$(wine reg query 'HKCU\Control Panel\Desktop' 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r')
wallpaper=$(awk '$1 == "Wallpaper" { $1 = ""; $2 = ""; sub(/^  /, ""); print }' <<<"$values")
tile=$(awk '$1 == "TileWallpaper" { print $3 }' <<<"$values")
[[ "$wallpaper" == 'C:\壁紙 アプリ\wallpaper.bmp' ]] || fail "Wallpaper is '$wallpaper'"
[[ "$tile" == 1 ]] || fail "TileWallpaper is '$tile' for a tiled picture"
pixel=$("$magick" "$app/wallpaper.bmp" -crop 1x1+5+5 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
read -r red green blue <<<"$pixel"
((red < 60 && green > 200 && blue < 60)) || fail "wallpaper.bmp is not the lime picture: $pixel"
shot list-edited
# A picture that cannot be decoded shows nothing and says why on stderr.
keys End
for _ in $(seq 1 40); do
  grep -q '壊れた 画像.jpg' "$work/stderr" && break
  sleep 0.25
done
grep -q '壊れた 画像.jpg' "$work/stderr" || fail "no word on the undecodable picture"
kill -0 "$manager" 2>/dev/null || fail "the undecodable picture ended the program"

echo "== slideshow: 1 s steps through the list"
# Ctrl+3: the operations page, its first control (更新) focused; Tab past
# 開く and ダブりチェック to the pace bar, Home for 1 s (the bar's left end
# is the shortest interval), Tab to Start.
keys ctrl+3 Tab Tab Tab Home
shot operations
# Start expands the folders (none here), so the first tick starts at the top.
# Without a window manager Wine keeps a minimised window mapped: its
# minimising is not seen here.
keys Tab space
# The undecodable last picture cannot become the wallpaper: no box halts
# the show on it (nobody may be at the screen); it is named on stderr and
# passed over, and the next tick ends the show on the blue picture.
named=$(grep -c '壊れた 画像.jpg' "$work/stderr" || true)
for _ in $(seq 1 24); do
  [[ -n "$(message_box)" ]] && fail "a box halted the slideshow"
  (($(grep -c '壊れた 画像.jpg' "$work/stderr" || true) > named)) && break
  sleep 0.25
done
(($(grep -c '壊れた 画像.jpg' "$work/stderr" || true) > named)) ||
  fail "the slideshow did not name the undecodable picture"
sleep 2
[[ -z "$(message_box)" ]] || fail "a box halted the slideshow"
shown=$("$magick" "$app/wallpaper.bmp" -gravity center -crop 1x1+0+0 -depth 8 \
  -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
read -r red green blue <<<"$shown"
((red < 60 && green < 60 && blue > 200)) || fail "the slideshow did not end on the blue picture: $shown"

echo "== the desktop shortcut from the keyboard"
# Coming to the page puts the focus on its first control; Tab goes down the
# left column (the schedule box last), then down the shortcuts: デスクトップ
# is the ninth.
keys ctrl+1 ctrl+3 Tab Tab Tab Tab Tab Tab Tab Tab Tab space
desktop="$work/prefix/drive_c/users/$(id -un)/Desktop"
for _ in $(seq 1 20); do
  [[ -f "$desktop/壁紙管理.lnk" ]] && break
  sleep 0.25
done
[[ -f "$desktop/壁紙管理.lnk" ]] || fail "デスクトップ made no 壁紙管理.lnk: $(ls "$desktop")"

echo "== a folder and a picture dropped on the list, in that order"
eval "$(xdotool getwindowgeometry --shell "$main")"
"$work/xdnd_drop" "$main" $((X + 150)) $((Y + 150)) "$app/旅行 2026" "$app/新しい 写真 #1 & 100%.gif" ||
  fail "the drop was not taken"
sleep 1

echo "== settings: the timing with Ctrl+2 and the arrows"
# The page's first control (順番に) has the focus; Tab reaches the timing
# group, Down chooses 日にちごと.
keys ctrl+2 Tab Down
shot settings
keys ctrl+4
shot about
# Back to the settings page: Tab past the depth bar to OK, Space presses it.
keys ctrl+2 Tab Tab Tab space

for _ in $(seq 1 80); do
  kill -0 "$manager" 2>/dev/null || break
  sleep 0.25
done
kill -0 "$manager" 2>/dev/null && fail "OK did not close the window"
wait "$manager" || true

expected=$(crlf '"Ver","1.30"' 1 0 '"[SubFolder]",2' "$(row '富士山 と 桜.jpg' 1 5)" \
  "$(row 海辺の夕焼け.jpg 4 2)" "$(row 'summer holiday 2026.gif' 3 1)" "$(row '壊れた 画像.jpg' 0 3)" \
  '"C:\壁紙 アプリ\旅行 2026\",4,3,5' '"C:\壁紙 アプリ\新しい 写真 #1 & 100%.gif",0,3,5' | od -An -tx1)
[[ "$(od -An -tx1 <"$app/List.txt")" == "$expected" ]] ||
  fail "List.txt after the edits is:
$(cat -A "$app/List.txt")"
echo "PASS"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A List.txt as the old programs wrote it on a Japanese system, in code page
# 932, read by the real programs under Wine, whose manifest makes their own
# code page UTF-8: names with ー, ～, ①, 髙, 表 (a backslash as its second
# byte) and half-width kana, and a folder. Tivolen.exe changes to the first
# picture; 管理.exe keeps every row and OK writes the list back as it was,
# in code page 932. A dropped picture whose name that code page cannot hold
# turns the list into UTF-8, with the old one kept as List.txt.bak and a
# message saying why.
# Usage: legacy_list_wine_test.sh PATH_TO_TIVOLEN_EXE PATH_TO_管理_EXE
set -euo pipefail
changer_exe=$1
manager_exe=$2
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"
magick=/usr/bin/convert

app="$work/prefix/drive_c/壁紙 アプリ"
mkdir -p "$app/写真 ソ"
cp "$changer_exe" "$app/Tivolen.exe"
cp "$manager_exe" "$app/管理.exe"
win_app='C:\壁紙 アプリ'
"$magick" -size 64x48 xc:red "$app/スーパー.jpg"
"$magick" -size 64x48 xc:lime "$app/波～浜.jpg"
"$magick" -size 64x48 xc:blue "$app/①番.gif"
"$magick" -size 64x48 xc:yellow BMP3:"$app/髙橋.bmp"
"$magick" -size 64x48 xc:cyan "$app/表紙ｶﾊﾞｰ.jpg"
"$magick" -size 40x30 xc:white "$app/写真 ソ/港.jpg"
"$magick" -size 40x30 xc:white "$app/한국 사진.jpg"
cc -O -o "$work/xdnd_drop" "$root/tests/windows/xdnd_drop.c" -lX11 || fail "cannot build xdnd_drop"

crlf() { printf '%s\r\n' "$@"; }
row() { printf '"%s\\%s",0,%s,5' "$win_app" "$1" "$2"; }
crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2' "$(row スーパー.jpg 0)" "$(row 波～浜.jpg 1)" \
  "$(row ①番.gif 2)" "$(row 髙橋.bmp 3)" "$(row 表紙ｶﾊﾞｰ.jpg 4)" "\"$win_app\\写真 ソ\\\",4,3,5" |
  iconv -f UTF-8 -t CP932 >"$app/List.txt"
cp "$app/List.txt" "$work/old-list"

echo "== Tivolen.exe changes to the first picture"
crlf '#2026-12-01#' 0 '"x"' >"$app/WallPaper.log"
(cd "$app" && exec wine Tivolen.exe >>"$work/stderr" 2>&1) &
changer=$!
answer_message_boxes "壁紙の変更" "$changer" 60
wait "$changer" || true
grep -q "ファイルが見つかりません" "$work/stderr" && fail "the changer found no picture of the list"
[[ -f "$app/wallpaper.bmp" ]] || fail "no wallpaper.bmp"
grep -q "スーパー.jpg" "$app/WallPaper.log" || fail "WallPaper.log is $(cat -A "$app/WallPaper.log")"
pixel=$("$magick" "$app/wallpaper.bmp" -gravity center -crop 1x1+0+0 -depth 8 \
  -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
read -r red green blue <<<"$pixel"
((red > 200 && green < 60 && blue < 60)) || fail "wallpaper.bmp is not the red picture: $pixel"

title='^壁紙の設定$'
# The main window is the wide one; message boxes share its title.
window_of() {  # wide|narrow
  local w width
  for w in $(xdotool search --onlyvisible --name "$title" 2>/dev/null || true); do
    width=$(xdotool getwindowgeometry "$w" 2>/dev/null | awk '/Geometry/ { split($2, s, "x"); print s[1] }')
    [[ -n "$width" ]] || continue
    if ((width >= 450)); then
      [[ "$1" == wide ]] && echo "$w" && return
    elif [[ "$1" == narrow ]]; then
      echo "$w" && return
    fi
  done
}
wait_for_window() {  # wide|narrow what: up to 30 s
  for _ in $(seq 1 120); do
    [[ -n "$(window_of "$1")" ]] && return 0
    sleep 0.25
  done
  fail "$2"
}
answer_box() {  # what
  wait_for_window narrow "$1"
  xdotool windowfocus --sync "$(window_of narrow)" key Return
}
press_ok() {  # Ctrl+2: the settings page; Tab past the timing and the depth bar to OK
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  for key in ctrl+2 Tab Tab Tab space; do
    xdotool key "$key"
    sleep 0.25
  done
  for _ in $(seq 1 80); do
    kill -0 "$manager" 2>/dev/null || break
    sleep 0.25
  done
  kill -0 "$manager" 2>/dev/null && fail "OK did not close the window"
  wait "$manager" || true
}

start_manager() {
  (cd "$app" && exec wine 管理.exe >>"$work/stderr" 2>&1) &
  manager=$!
}
show_list() { iconv -f "$1" -t UTF-8 -c <"$app/List.txt" | cat -A; }

echo "== 管理.exe keeps every row; OK writes them back in code page 932"
start_manager
answer_box "no start-up question"
wait_for_window wide "the window did not open"
main=$(window_of wide)
sleep 0.5
press_ok
cmp -s "$app/List.txt" "$work/old-list" || fail "List.txt after OK is:
$(show_list CP932)"
[[ -e "$app/List.txt.bak" ]] && fail "a List.txt.bak with nothing to keep"

echo "== a name code page 932 cannot hold: the list becomes UTF-8, the old one stays"
start_manager
wait_for_window wide "the window did not open again"
main=$(window_of wide)
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
"$work/xdnd_drop" "$main" $((X + 150)) $((Y + 150)) "$app/한국 사진.jpg" || fail "the drop was not taken"
answer_box "no message on the change to UTF-8"
grep -q "リストを UTF-8 で保存しました。元のリストは List.txt.bak として残しました。" "$work/stderr" ||
  fail "the message does not say why: $(cat "$work/stderr")"
press_ok
expected=$(crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2' "$(row スーパー.jpg 0)" "$(row 波～浜.jpg 1)" \
  "$(row ①番.gif 2)" "$(row 髙橋.bmp 3)" "$(row 表紙ｶﾊﾞｰ.jpg 4)" "\"$win_app\\写真 ソ\\\",4,3,5" \
  "$(row '한국 사진.jpg' 3)" | od -An -tx1)
[[ "$(od -An -tx1 <"$app/List.txt")" == "$expected" ]] || fail "List.txt in UTF-8 is:
$(show_list UTF-8)"
cmp -s "$app/List.txt.bak" "$work/old-list" || fail "List.txt.bak is not the old list"
echo "PASS"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A bare X server forgets its wallpaper when the session ends, so every
# fresh Xvfb here is a new log-on. After the day's change, the real Tivolen
# started again with no change due must put the same wallpaper back on the
# root window, from the wallpaper it rendered (the picture itself is moved
# out of reach), without writing the change log; on a screen of another size
# it renders the same picture again for that size, still without advancing.
# Usage: changer_logon_x11_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"
magick=/usr/bin/convert

work=$(mktemp -d)
cleanup() {
  stop_x_server
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

app="$work/壁紙 アプリ"
pics="$work/pictures"
mkdir -p "$app" "$pics" "$work/home"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
# 1600 x 1200: left half red, right half blue, the top quarter green. In
# "オート1" it fills a 4:3 screen exactly.
"$magick" -size 800x1200 xc:red -size 800x1200 xc:blue +append \
  -fill lime -draw "rectangle 0,0 1599,299" -quality 92 "$pics/photo.jpg"
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 1 0 '"[SubFolder]",2'
  crlf "\"$pics/photo.jpg\",0,3,5"
} >"$app/List.txt"
# Changed long ago: the first run changes, later ones today do not.
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION

# The colour class of a root window pixel: red, blue, green or other.
pixel() {
  local r g b
  read -r r g b < <(xwd -root -silent | "$magick" xwd:- -crop "1x1+$1+$2" -depth 8 txt:- |
    tail -n1 | sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/')
  if ((r > 180 && g < 80 && b < 80)); then echo red
  elif ((b > 180 && r < 80 && g < 80)); then echo blue
  elif ((g > 180 && r < 80 && b < 80)); then echo green
  else echo "other($r,$g,$b)"; fi
}
# The photo filling a screen of $1 x $2: green above a quarter of the height,
# red on the left and blue on the right below it.
shows_photo() {
  local w=$1 h=$2 got expected x y
  for expected in "green $((w / 2)) $((h / 5))" "red $((w / 4)) $((h * 3 / 5))" \
    "blue $((w * 3 / 4)) $((h * 3 / 5))" "red 5 $((h - 5))" "blue $((w - 5)) $((h - 5))" \
    "green 5 5" "green $((w - 5)) $((h / 4 - 8))" "red $((w / 4)) $((h / 4 + 8))"; do
    read -r colour x y <<<"$expected"
    got=$(pixel "$x" "$y")
    [[ $got == "$colour" ]] || { echo "pixel ($x,$y) is $got, expected $colour" >&2; return 1; }
  done
}
run_tivolen() {
  timeout 60 "$app/Tivolen" 2>"$work/run.err" || fail "Tivolen failed with $?: $(cat "$work/run.err")"
  [[ ! -s "$work/run.err" ]] || fail "Tivolen said: $(cat "$work/run.err")"
}
# The size in the header of the rendered wallpaper.
bitmap_size() { /usr/bin/identify -format '%wx%h' "$app/wallpaper.bmp"; }

start_x_server 1024x768x24
run_tivolen
shows_photo 1024 768 || fail "the day's change is not shown"
grep -q 'photo.jpg' "$app/WallPaper.log" || fail "the change was not logged"
cp "$app/WallPaper.log" "$work/log"
cp "$app/wallpaper.bmp" "$work/wallpaper.bmp"

# The next log-on: a fresh server shows its own background until Tivolen
# puts the wallpaper back; the picture itself cannot be decoded meanwhile.
stop_x_server
start_x_server 1024x768x24
shows_photo 1024 768 2>/dev/null && fail "a fresh X server already showed the photo"
mv "$pics/photo.jpg" "$pics/away.jpg"
run_tivolen
shows_photo 1024 768 || fail "the next log-on did not get the wallpaper back"
cmp -s "$app/WallPaper.log" "$work/log" || fail "a log-on with no change wrote the log"
cmp -s "$app/wallpaper.bmp" "$work/wallpaper.bmp" || fail "a log-on with no change rendered again"
mv "$pics/away.jpg" "$pics/photo.jpg"

# A log-on on a smaller screen: the photo is fitted to it anew, not the
# larger wallpaper cut down, and still nothing advances.
stop_x_server
start_x_server 640x480x24
run_tivolen
shows_photo 640 480 || fail "the smaller screen does not show the photo fitted to it"
[[ $(bitmap_size) == 640x480 ]] || fail "the wallpaper was rendered at $(bitmap_size)"
cmp -s "$app/WallPaper.log" "$work/log" || fail "the new screen size advanced the log"

echo "PASS"

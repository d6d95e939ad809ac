#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen on a bare X server (no desktop variables at all): three
# runs step through a list of three pictures in styles "オート2", "オート1"
# and a small one that gets tiled; after each run the root window's pixels
# (read back with xwd) must show that picture in its layout, the change log
# must name it, and the launcher stand-in must have run after the change.
# Then Shift held at start opens the navigator, whose ">" and "<" step
# forward and back. Usage: changer_x11_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"
# The Debian ImageMagick, whatever else is first on PATH.
magick=/usr/bin/convert

work=$(mktemp -d)
navigator=
cleanup() {
  if [[ -n "$navigator" ]]; then kill "$navigator" 2>/dev/null || true; fi
  xdotool keyup shift 2>/dev/null || true
  stop_x_server
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [[ -f "$work/screen.png" ]]; then cp "$work/screen.png" "${TMPDIR:-/tmp}/changer_x11_failure.png"; fi
  exit 1
}

app="$work/壁紙 アプリ"
pics="$work/my pictures"
mkdir -p "$app" "$pics" "$work/home"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"

# 2048 x 1024: left half red, right half blue, the top quarter green.
"$magick" -size 1024x1024 xc:red -size 1024x1024 xc:blue +append \
  -fill lime -draw "rectangle 0,0 2047,255" -quality 92 "$pics/wide cover.jpg"
cp "$pics/wide cover.jpg" "$pics/写真 fit.jpg"
# 100 x 80, red and blue halves: small enough to be tiled.
"$magick" -size 50x80 xc:red -size 50x80 xc:blue +append "$pics/tile.gif"

cat >"$work/launcher" <<'STANDIN'
#!/bin/sh
# Stand-in for the launcher: records the root pixmap it finds at its start.
xprop -root _XROOTPMAP_ID >>"$(dirname "$0")/launcher-saw"
STANDIN
chmod +x "$work/launcher"

crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$pics/wide cover.jpg\",0,4,5" "\"$pics/写真 fit.jpg\",0,3,5" "\"$pics/tile.gif\",0,3,5"
  crlf "\"[Lounch]\",\"$work/launcher\""
} >"$app/List.txt"
# A log makes this a later run: no first-run autostart message.
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION
start_x_server 1024x768x24

screenshot() {
  xwd -root -silent >"$work/screen.xwd"
  "$magick" "$work/screen.xwd" "$work/screen.png"
}

# The colour class of a root window pixel: red, blue, green, black or other.
pixel() {
  local rgb
  rgb=$("$magick" "$work/screen.png" -crop "1x1+$1+$2" -depth 8 txt:- | tail -n1 |
    sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/')
  read -r r g b <<<"$rgb"
  if ((r > 180 && g < 80 && b < 80)); then echo red
  elif ((b > 180 && r < 80 && g < 80)); then echo blue
  elif ((g > 180 && r < 80 && b < 80)); then echo green
  elif ((r < 30 && g < 30 && b < 30)); then echo black
  else echo "other($r,$g,$b)"; fi
}

expect_pixels() {
  local what=$1
  shift
  screenshot
  while (($# > 0)); do
    local got
    got=$(pixel "$1" "$2")
    [[ "$got" == "$3" ]] || fail "$what: pixel ($1,$2) is $got, expected $3"
    shift 3
  done
}

logged_position() { sed -n 2p "$app/WallPaper.log" | tr -d '\r'; }
logged_file() { sed -n 3p "$app/WallPaper.log" | tr -d '\r'; }
root_pixmap() { xprop -root _XROOTPMAP_ID; }

# Cover: scaled by 0.75 to 1536 x 768 and centred, 256 columns cut off each
# side; the red-blue border lands at x = 512, the green band ends at y = 192.
# (The navigator covers the top-left 465 x 73 pixels; no point lies there.)
cover_pixels=(100 400 red 490 400 red 535 400 blue 900 400 blue 600 100 green 900 150 green
  100 230 red)
# Fit: scaled by 0.5 to 1024 x 512, black bands of 128 above and below.
fit_pixels=(100 60 black 100 700 black 100 200 green 100 400 red 900 400 blue 900 600 blue)
# Tiled from the top-left corner every 100 x 80 pixels.
tile_pixels=(25 120 red 75 120 blue 125 200 red 175 200 blue 25 600 red 975 700 blue 1010 700 red)

run_once() {
  local expected_file=$1 expected_position=$2
  shift 2
  local launches_before=0
  [[ -f "$work/launcher-saw" ]] && launches_before=$(wc -l <"$work/launcher-saw")
  timeout 30 "$app/Tivolen" 2>"$work/run.err" || fail "Tivolen failed with $?: $(cat "$work/run.err")"
  [[ ! -s "$work/run.err" ]] || fail "Tivolen said: $(cat "$work/run.err")"
  [[ "$(logged_position)" == "$expected_position" ]] || fail "logged position $(logged_position)"
  [[ "$(logged_file)" == "\"現在の壁紙ファイル：$expected_file\"" ]] || fail "log names $(logged_file)"
  expect_pixels "$expected_file" "$@"
  # The launcher is not awaited: give it a moment, then it must have seen
  # this run's pixmap, which exists only after the change.
  local tries=0
  until [[ -f "$work/launcher-saw" ]] && (($(wc -l <"$work/launcher-saw") > launches_before)); do
    ((tries < 50)) || fail "the launcher did not run"
    sleep 0.1
    tries=$((tries + 1))
  done
  [[ "$(tail -n1 "$work/launcher-saw")" == "$(root_pixmap)" ]] ||
    fail "the launcher ran before the change: $(tail -n1 "$work/launcher-saw") vs $(root_pixmap)"
}

run_once "$pics/wide cover.jpg" 1 "${cover_pixels[@]}"
[[ -f "$app/wallpaper.bmp" ]] || fail "no wallpaper.bmp"
first_pixmap=$(root_pixmap)
run_once "$pics/写真 fit.jpg" 2 "${fit_pixels[@]}"
[[ "$(root_pixmap)" != "$first_pixmap" ]] || fail "the root pixmap was not replaced"
run_once "$pics/tile.gif" 3 "${tile_pixels[@]}"
cp "$work/screen.png" "${TMPDIR:-/tmp}/changer_x11_tiled.png" 2>/dev/null || true

# The navigator: Shift held while Tivolen starts.
xdotool keydown shift
"$app/Tivolen" 2>"$work/navigator.err" &
navigator=$!
window=$(timeout 20 xdotool search --sync --name '^壁紙の変更$' | head -n1) ||
  fail "the navigator did not open: $(cat "$work/navigator.err")"
xdotool keyup shift
sleep 0.5
expect_pixels "navigator open, nothing changed" "${tile_pixels[@]}"

# ">" from position 3: the launcher slot is passed over and the walk wraps.
press_and_wait() {
  local x=$1 position=$2 tries=0
  xdotool mousemove "$x" 12 click 1
  until [[ "$(logged_position)" == "$position" ]]; do
    ((tries < 100)) || fail "the navigator press did not reach position $position"
    sleep 0.1
    tries=$((tries + 1))
  done
  sleep 0.5  # the log is written before rendering and applying
}
press_and_wait 228 1
expect_pixels "navigator >" "${cover_pixels[@]}"
press_and_wait 36 3
expect_pixels "navigator <" "${tile_pixels[@]}"
kill -0 "$navigator" 2>/dev/null || fail "the navigator closed after its presses"
[[ ! -s "$work/navigator.err" ]] || fail "the navigator said: $(cat "$work/navigator.err")"
[[ "$(wc -l <"$work/launcher-saw")" -eq 5 ]] || fail "the launcher ran $(wc -l <"$work/launcher-saw") times, not 5"

echo "PASS"

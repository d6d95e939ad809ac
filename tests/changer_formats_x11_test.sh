#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen on a bare X server with a list of a PNG, a HEIC, a JPEG
# and a GIF picture: the PNG (whose bottom-right quarter is transparent)
# fitted whole, then the HEIC and the JPEG covering the screen, then the GIF
# fitted. After each run the root window's pixels must show the picture in
# its layout, the transparent part black. The first three runs load no Qt
# library at all, and the PNG's and the JPEG's no GIO either; the GIF's loads it through the Qt module, and without the
# module the GIF's run ends with the picture's message, never a crash.
# Usage: changer_formats_x11_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"
# The Debian ImageMagick, whatever else is first on PATH; it writes HEIC
# through the same libheif the changer reads it with.
magick=/usr/bin/convert

work=$(mktemp -d)
cleanup() {
  stop_x_server
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [[ -f "$work/screen.png" ]]; then cp "$work/screen.png" "${TMPDIR:-/tmp}/changer_formats_failure.png"; fi
  exit 1
}

app="$work/app"
pics="$work/my pictures"
mkdir -p "$app" "$pics" "$work/home"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"

# 2048 x 1024: left half red, right half blue, the top quarter green.
"$magick" -size 1024x1024 xc:red -size 1024x1024 xc:blue +append \
  -fill lime -draw "rectangle 0,0 2047,255" "$work/colours.png"
"$magick" "$work/colours.png" -alpha set -region 1024x256+1024+768 -alpha transparent \
  "$pics/screen shot.png"
"$magick" "$work/colours.png" -quality 90 "$pics/写真 phone.HEIC"
[[ -s "$pics/写真 phone.HEIC" ]] || fail "ImageMagick wrote no HEIC file"
"$magick" "$work/colours.png" -quality 90 "$pics/photo.jpg"
"$magick" "$work/colours.png" "$pics/drawing.gif"

crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$pics/screen shot.png\",0,3,5" "\"$pics/写真 phone.HEIC\",0,4,5"
  crlf "\"$pics/photo.jpg\",0,4,5" "\"$pics/drawing.gif\",0,3,5"
} >"$app/List.txt"
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION
start_x_server 1024x768x24

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

run_once() {
  local expected_file=$1 expected_position=$2
  shift 2
  # The loader lists every library it opens, into files of its own.
  rm -f "$work/loaded".*
  LD_DEBUG=files LD_DEBUG_OUTPUT="$work/loaded" timeout 30 "$app/Tivolen" 2>"$work/run.err" ||
    fail "Tivolen failed with $?: $(cat "$work/run.err")"
  [[ ! -s "$work/run.err" ]] || fail "Tivolen said: $(cat "$work/run.err")"
  [[ "$(sed -n 2p "$app/WallPaper.log" | tr -d '\r')" == "$expected_position" ]] ||
    fail "logged position $(sed -n 2p "$app/WallPaper.log")"
  grep -qF "現在の壁紙ファイル：$expected_file" "$app/WallPaper.log" || fail "log does not name $expected_file"
  xwd -root -silent >"$work/screen.xwd"
  "$magick" "$work/screen.xwd" "$work/screen.png"
  while (($# > 0)); do
    local got
    got=$(pixel "$1" "$2")
    [[ "$got" == "$3" ]] || fail "$expected_file: pixel ($1,$2) is $got, expected $3"
    shift 3
  done
}

heif_libraries_loaded() { cat "$work/loaded".* | grep -cE 'file=lib(heif|de265)\.so' || true; }
# Loading Qt costs more than a whole run on a small wallpaper.
qt_libraries_loaded() { cat "$work/loaded".* | grep -cE 'file=[^ ]*libQt6' || true; }
# GIO and the GLib under it serve only desktops kept in GSettings.
gio_libraries_loaded() { cat "$work/loaded".* | grep -cE 'file=[^ ]*lib(gio|glib|gobject)-2' || true; }

# Fit: scaled by 0.5 to 1024 x 512 between black bands of 128; the
# transparent quarter lands at x 512-1023, y 512-639 and shows black.
run_once "$pics/screen shot.png" 1 100 60 black 100 200 green 100 400 red 900 400 blue \
  900 600 black 600 600 black 400 600 red 100 700 black
# A log-on with a PNG loads no HEIF decoder and its codecs: they cost more
# than decoding the picture.
(($(heif_libraries_loaded) == 0)) || fail "the PNG's run loaded libheif or libde265"
(($(qt_libraries_loaded) == 0)) || fail "the PNG's run loaded Qt"
(($(gio_libraries_loaded) == 0)) || fail "the PNG's run on a bare X server loaded GIO"
# Cover: scaled by 0.75 to 1536 x 768, 256 columns cut off each side.
run_once "$pics/写真 phone.HEIC" 2 100 400 red 490 400 red 535 400 blue 900 400 blue \
  600 100 green 900 150 green 100 230 red 900 700 blue
(($(heif_libraries_loaded) > 0)) || fail "the HEIC's run loaded no libheif or libde265"
(($(qt_libraries_loaded) == 0)) || fail "the HEIC's run loaded Qt"
run_once "$pics/photo.jpg" 3 100 400 red 490 400 red 535 400 blue 900 400 blue \
  600 100 green 900 150 green 100 230 red 900 700 blue
(($(qt_libraries_loaded) == 0)) || fail "the JPEG's run loaded Qt"
(($(gio_libraries_loaded) == 0)) || fail "the JPEG's run on a bare X server loaded GIO"
ldd "$app/Tivolen" | grep -q libQt6 && fail "the changer links Qt: $(ldd "$app/Tivolen" | grep libQt6)"
# Only Qt reads GIF: its module is opened for it.
run_once "$pics/drawing.gif" 4 100 60 black 100 200 green 100 400 red 900 400 blue 100 700 black
(($(qt_libraries_loaded) > 0)) || fail "the GIF's run loaded no Qt, so it did not test the module"

# Without the module the GIF is a picture that cannot be loaded: its message
# on standard error (nobody can be shown a box), the picture's exit status,
# and the wallpaper left as it was.
rm "$app/libtivolen-qt.so"
crlf '#2026-12-01#' 3 "\"現在の壁紙ファイル：$pics/photo.jpg\"" >"$app/WallPaper.log"
status=0
timeout 30 "$app/Tivolen" 2>"$work/run.err" || status=$?
((status == 4)) || fail "without the module the GIF's run ended with $status: $(cat "$work/run.err")"
grep -qF '画像を読み込めません' "$work/run.err" || fail "no picture message: $(cat "$work/run.err")"
grep -qF 'libtivolen-qt.so' "$work/run.err" || fail "the reason names no module: $(cat "$work/run.err")"
xwd -root -silent >"$work/screen.xwd"
"$magick" "$work/screen.xwd" "$work/screen.png"
[[ "$(pixel 100 60)" == black && "$(pixel 100 200)" == green ]] ||
  fail "the wallpaper changed though the GIF could not be loaded"
echo "PASS"

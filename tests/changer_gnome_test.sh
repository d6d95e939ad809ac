#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen with XDG_CURRENT_DESKTOP=GNOME and no display:
# - without a session bus it must say that the desktop cannot be reached and
#   leave no wallpaper copy behind (the settings are not touched);
# - inside a session bus (dbus-run-session starts dconf on demand) the GNOME
#   keys name a fresh copy of the picture, and a second run replaces it.
# Usage: changer_gnome_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

app="$work/app フォルダ"
mkdir -p "$app" "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
# A bitmap in style 4 is applied unrendered, in the desktop's zoom layout.
/usr/bin/convert -size 64x48 xc:red "BMP3:$work/red picture.bmp"
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$work/red picture.bmp\",0,4,5"
} >"$app/List.txt"
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export XDG_CURRENT_DESKTOP=GNOME
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS GSETTINGS_BACKEND QT_QPA_PLATFORM

copies() { find "$app" -maxdepth 1 -name 'wallpaper-*.bmp' | sort; }

cp "$app/WallPaper.log" "$work/log.before"
# No bus, no desktop to reach: the change stays due, and the status says so.
status=0
timeout 30 "$app/Tivolen" 2>"$work/nobus.err" || status=$?
((status == 3)) || fail "exit $status without a bus, not 3"
cmp -s "$app/WallPaper.log" "$work/log.before" || fail "a change that did not happen was logged"
grep -q 'デスクトップに接続できないため' "$work/nobus.err" ||
  fail "no clear message without a bus: $(cat "$work/nobus.err")"
[[ -z "$(copies)" ]] || fail "a copy was left behind: $(copies)"

cat >"$work/in-session.sh" <<'SESSION'
set -euo pipefail
app=$1
# The loader lists every library it opens, into files of its own.
LD_DEBUG=files LD_DEBUG_OUTPUT="$3" "$app/Tivolen" 2>>"$2"
first=$(gsettings get org.gnome.desktop.background picture-uri)
echo "options=$(gsettings get org.gnome.desktop.background picture-options)"
echo "first=$first"
echo "dark=$(gsettings get org.gnome.desktop.background picture-uri-dark)"
"$app/Tivolen" 2>>"$2"
echo "second=$(gsettings get org.gnome.desktop.background picture-uri)"
SESSION
timeout 60 dbus-run-session -- bash "$work/in-session.sh" "$app" "$work/tivolen.err" \
  "$work/loaded" >"$work/session.out" 2>"$work/session.err" ||
  fail "runs in a session failed: $(cat "$work/session.err" "$work/tivolen.err")"
[[ ! -s "$work/tivolen.err" ]] || fail "Tivolen said: $(cat "$work/tivolen.err")"
# Setting a GNOME wallpaper needs GIO, never Qt, whose loading costs more
# than the whole run.
compgen -G "$work/loaded.*" >/dev/null || fail "the loader listed nothing"
! grep -qE 'file=[^ ]*libQt6' "$work/loaded".* || fail "the GNOME run loaded Qt"
grep -qE 'file=[^ ]*libgio-2' "$work/loaded".* || fail "the GNOME run loaded no GIO, so it did not test opening it"

value() { sed -n "s/^$1=//p" "$work/session.out"; }
[[ "$(value options)" == "'zoom'" ]] || fail "picture-options $(value options)"
mapfile -t left < <(copies)
((${#left[@]} == 1)) || fail "expected one copy, found: ${left[*]}"
# The URI percent-encodes the space and the Japanese folder name.
uri_of() {
  local LC_ALL=C path=$1 out="file://" c i hex
  for ((i = 0; i < ${#path}; i++)); do
    c=${path:i:1}
    case $c in
      [a-zA-Z0-9/._~-]) out+=$c ;;
      *) printf -v hex '%%%02X' "'$c" && out+=$hex ;;
    esac
  done
  echo "$out"
}
encoded=$(uri_of "${left[0]}")
[[ "$(value second)" == "'$encoded'" ]] || fail "picture-uri $(value second), expected '$encoded'"
[[ "$(value dark)" == "$(value first)" ]] || fail "dark key $(value dark) vs $(value first)"
[[ "$(value first)" != "$(value second)" ]] || fail "the second run reused the name $(value first)"
cmp -s "${left[0]}" "$work/red picture.bmp" || fail "the copy differs from the picture"
echo "PASS"

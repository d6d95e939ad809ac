#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# XFCE: the real xfdesktop on a private X server and session bus. Each layout
# is applied through the back-end the loader picks for XDG_CURRENT_DESKTOP=XFCE;
# xfconf must then hold the picture and style for every monitor and
# workspace, and the screen must show the picture in that layout.
# Then the real Tivolen steps through a list of one picture in each style,
# and every run must leave the same marks.
# Usage: xfce_test.sh DESKTOP_DRIVER DESKTOP_PROBE [TIVOLEN]
driver=$1
probe=$2
tivolen=${3:-}
source "$(dirname "$0")/common.sh"
need Xvfb dbus-run-session dbus-send xfdesktop xfconf-query

if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  TIVOLEN_IN_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

clear_desktop_environment
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache"
export XDG_CURRENT_DESKTOP=XFCE
mkdir -p "$HOME" "$scratch/app"
start_xvfb 800x600
"$probe" picture "$scratch/picture.bmp"

property() {
  xfconf-query -c xfce4-desktop -p "$1" 2>/dev/null
}
# The D-Bus type xfconfd stores for a key ("int32", "string").
property_type() {
  dbus-send --session --print-reply --dest=org.xfce.Xfconf /org/xfce/Xfconf \
    org.xfce.Xfconf.GetProperty string:xfce4-desktop "string:$1" |
    sed -n 's/^ *variant *\([a-z0-9]*\) .*/\1/p'
}
shows() {
  "$probe" grab-x11 "$scratch/shot.png" && "$probe" check "$scratch/shot.png" "$1" "$2" >/dev/null
}

monitor=/backdrop/screen0/monitorscreen/workspace0
other=/backdrop/screen0/monitorVirtual-2/workspace3

# Before xfdesktop ever ran, the channel is empty: the keys for the monitor
# the window system reports must be created, with the types xfdesktop reads.
"$driver" "$scratch/app" zoom "$scratch/picture.bmp" || fail "driver failed on an empty channel"
[[ $(property "$monitor/image-style") == 5 ]] || fail "image-style not created"
[[ $(property_type "$monitor/image-style") == int32 ]] || fail "image-style has the wrong type"
[[ $(property_type "$monitor/last-image") == string ]] || fail "last-image has the wrong type"

# xfdesktop 4.18 without a window manager keeps its window at 200x200 when
# it starts with a picture already set, until the next change; the layouts
# below are that next change.
xfdesktop --disable-wm-check >"$scratch/xfdesktop.log" 2>&1 &
cleanup_pids+=($!)
retry_for 20 bus_name_owned org.xfce.xfdesktop || fail "xfdesktop did not start"
# It takes its name on the bus before it reads its settings; a change made
# in between is never seen. Its desktop window comes after them.
desktop_window_up() {
  xwininfo -root -tree 2>/dev/null | grep -q '"Desktop": ("xfdesktop"'
}
retry_for 20 desktop_window_up || fail "xfdesktop did not open its desktop window"

# A monitor and workspace that only exist in the settings are kept in step too.
xfconf-query -c xfce4-desktop -n -p "$other/last-image" -t string -s /nonexistent.png
xfconf-query -c xfce4-desktop -n -p "$other/image-style" -t int -s 0

declare -A style=([centred]=1 [tiled]=2 [stretched]=3 [zoom]=5)
for layout in centred tiled stretched zoom; do
  "$driver" "$scratch/app" "$layout" "$scratch/picture.bmp" || fail "$layout: driver failed"
  image=$(property "$monitor/last-image")
  [[ $image == "$scratch/app/wallpaper-"*.bmp && -f $image ]] || fail "$layout: last-image $image"
  cmp -s "$image" "$scratch/picture.bmp" || fail "$layout: $image is not the picture"
  for folder in "$monitor" "$other"; do
    [[ $(property "$folder/last-image") == "$image" ]] || fail "$layout: $folder/last-image"
    [[ $(property "$folder/image-style") == "${style[$layout]}" ]] ||
      fail "$layout: $folder/image-style is $(property "$folder/image-style")"
  done
  copies=("$scratch/app"/wallpaper-*.bmp)
  ((${#copies[@]} == 1)) || fail "$layout: earlier copies left: ${copies[*]}"
  if ! retry_for 15 shows "$scratch/picture.bmp" "$layout"; then
    cp "$scratch/shot.png" "/tmp/xfce-$layout-failed.png"
    fail "$layout: the screen does not show it (see /tmp/xfce-$layout-failed.png)"
  fi
  echo "xfce $layout: ok"
done

if [[ -n $tivolen ]]; then
  changer="$scratch/changer app"
  mkdir -p "$changer"
  cp "$tivolen" "$changer/Tivolen"
  # What needs Qt comes from the module beside it.
  cp "$(dirname "$tivolen")/libtivolen-qt.so" "$changer/"
  write_style_list "$changer" "$scratch/picture.bmp"
  declare -A layout_of=([1]=centred [2]=tiled [3]=stretched [5]=zoom)
  seen=()
  for run in 1 2 3 4; do
    timeout 60 "$changer/Tivolen" </dev/null || fail "Tivolen run $run failed"
    image=$(property "$monitor/last-image")
    [[ $image == "$changer/wallpaper-"*.bmp ]] || fail "Tivolen run $run: last-image $image"
    cmp -s "$image" "$scratch/picture.bmp" || fail "Tivolen run $run: $image is not the picture"
    layout=${layout_of[$(property "$monitor/image-style")]:-}
    [[ -n $layout ]] || fail "Tivolen run $run: image-style $(property "$monitor/image-style")"
    [[ $(property "$other/image-style") == "$(property "$monitor/image-style")" ]] ||
      fail "Tivolen run $run: the other monitor was left out"
    retry_for 15 shows "$scratch/picture.bmp" "$layout" ||
      fail "Tivolen run $run: the screen does not show the picture $layout"
    seen+=("$layout")
    echo "xfce Tivolen run $run ($layout): ok"
  done
  [[ $(printf '%s\n' "${seen[@]}" | sort -u | wc -l) == 4 ]] ||
    fail "four runs did not step through the four styles: ${seen[*]}"
fi

# Without xfconfd on the bus the change is refused with the reason, and
# nothing is left behind.
DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus" "$driver" "$scratch/app" centred \
  "$scratch/picture.bmp" 2>"$scratch/err" && fail "succeeded without a session bus"
grep -q 'D-Bus' "$scratch/err" || fail "no reason given: $(cat "$scratch/err")"

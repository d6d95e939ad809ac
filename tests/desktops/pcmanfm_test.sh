#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# LXQt and LXDE: the real pcmanfm-qt / pcmanfm drawing the desktop on a
# private X server and session bus. Each layout is applied through the
# back-end the loader picks for the desktop; the screen must then show the
# picture in that layout.
# With TIVOLEN, the real changer makes a centred and then a tiled change;
# after each the desktop program is started again, as at the next log-on,
# and with the changer's run that finds no change due the screen must show
# the picture in its layout again, the change log untouched.
# Usage: pcmanfm_test.sh lxqt|lxde DESKTOP_DRIVER DESKTOP_PROBE [TIVOLEN]
flavour=$1
driver=$2
probe=$3
tivolen=${4:-}
source "$(dirname "$0")/common.sh"
case $flavour in
  lxqt) program=pcmanfm-qt desktop=LXQt ;;
  lxde) program=pcmanfm desktop=LXDE ;;
  *) fail "unknown flavour $flavour" ;;
esac
need Xvfb dbus-run-session dbus-send "$program"

if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  TIVOLEN_IN_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

clear_desktop_environment
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache"
export XDG_CURRENT_DESKTOP=$desktop
mkdir -p "$HOME" "$scratch/app"
start_xvfb 800x600
"$probe" picture "$scratch/picture.bmp"

shows() {
  "$probe" grab-x11 "$scratch/shot.png" && "$probe" check "$scratch/shot.png" "$1" "$2" >/dev/null
}
desktop_window_up() {
  xwininfo -root -tree 2>/dev/null | grep -q "800x600+0+0"
}

desktop_pid=
start_desktop() {
  "$program" --desktop >>"$scratch/$program.log" 2>&1 &
  desktop_pid=$!
  cleanup_pids+=($desktop_pid)
  retry_for 20 desktop_window_up || fail "$program --desktop did not open its desktop window"
}
start_desktop

for layout in centred tiled stretched zoom; do
  "$driver" "$scratch/app" "$layout" "$scratch/picture.bmp" || fail "$layout: driver failed"
  copies=("$scratch/app"/wallpaper-*.bmp)
  ((${#copies[@]} == 1)) || fail "$layout: not exactly one copy: ${copies[*]}"
  if ! retry_for 15 shows "$scratch/picture.bmp" "$layout"; then
    cp "$scratch/shot.png" "/tmp/$flavour-$layout-failed.png"
    fail "$layout: the screen does not show it (see /tmp/$flavour-$layout-failed.png)"
  fi
  echo "$flavour $layout: ok"
done

# The same picture again in the same layout still reaches the desktop under
# a new name, so a rewritten wallpaper.bmp is never shown stale.
before=$(basename "${copies[0]}")
"$driver" "$scratch/app" zoom "$scratch/picture.bmp" || fail "repeat: driver failed"
after=("$scratch/app"/wallpaper-*.bmp)
[[ $(basename "${after[0]}") != "$before" && ${#after[@]} == 1 ]] || fail "repeat kept $before"

if [[ -n $tivolen ]]; then
  # The real changer: the day's change, then the desktop program started
  # again as at the next log-on, and the changer with no change due.
  changer="$scratch/changer"
  mkdir -p "$changer"
  install -m 755 "$tivolen" "$changer/Tivolen"
  # What needs Qt comes from the module beside it.
  cp "$(dirname "$tivolen")/libtivolen-qt.so" "$changer/"
  write_style_list "$changer" "$scratch/picture.bmp"
  for layout in centred tiled; do
    sed -i '2s/.*/0\r/' "$changer/List.txt"  # a change at every start
    timeout 60 "$changer/Tivolen" 2>"$scratch/run.err" ||
      fail "Tivolen ($layout) failed: $(cat "$scratch/run.err")"
    retry_for 15 shows "$scratch/picture.bmp" "$layout" || fail "Tivolen did not show it $layout"
    sed -i '2s/.*/1\r/' "$changer/List.txt"  # the day's change is made
    cp "$changer/WallPaper.log" "$scratch/log-before"
    kill "$desktop_pid"
    wait "$desktop_pid" 2>/dev/null || true
    retry_for 10 eval '! desktop_window_up' || fail "$program did not end"
    start_desktop
    timeout 60 "$changer/Tivolen" 2>"$scratch/run.err" ||
      fail "Tivolen at the next log-on failed: $(cat "$scratch/run.err")"
    if ! retry_for 15 shows "$scratch/picture.bmp" "$layout"; then
      cp "$scratch/shot.png" "/tmp/$flavour-$layout-restart-failed.png"
      fail "$layout: after a restart the screen does not show it" \
        "(see /tmp/$flavour-$layout-restart-failed.png)"
    fi
    cmp -s "$changer/WallPaper.log" "$scratch/log-before" ||
      fail "a log-on with no change wrote the log"
    echo "$flavour Tivolen $layout after a restart: ok"
  done
fi

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma 5.27 for real: Debian's plasmashell on a private X server and
# session bus, without a window manager, in a private home. The real Tivolen
# changes the wallpaper in styles 2 ("拡大", stretched) and 4 ("オート2",
# screen covered); after each run the shell's own configuration must hold the
# picture and the fill mode, and the screen must show it. Then the changer is
# started at the same moment as the shell, as at log-on, and must wait for it.
# Usage: plasma_shell_test.sh DESKTOP_PROBE TIVOLEN
probe=$1
tivolen=$2
source "$(dirname "$0")/common.sh"
need Xvfb dbus-run-session dbus-send dbus-update-activation-environment plasmashell node

if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  # Before the bus starts: the services it starts for plasmashell
  # (kactivitymanagerd, kglobalaccel) take their folders from its
  # environment, and must not touch the user's own.
  export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
  export XDG_DATA_HOME="$scratch/home/.local/share" XDG_CACHE_HOME="$scratch/home/.cache"
  export TIVOLEN_PLASMA_RUNTIME=$XDG_RUNTIME_DIR
  mkdir -p "$HOME"
  clear_desktop_environment
  TIVOLEN_IN_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
  exit
fi
export XDG_RUNTIME_DIR=$TIVOLEN_PLASMA_RUNTIME
export XDG_CURRENT_DESKTOP=KDE
appletsrc="$XDG_CONFIG_HOME/plasma-org.kde.plasma.desktop-appletsrc"

# Ends a process and the helpers it started itself (plasmashell starts its
# KIO workers as its children), and waits until they are gone: none of
# them is our child.
end_process_tree() {
  local pids
  pids=("$1" $(ps -o pid= --ppid "$1" 2>/dev/null || true))
  kill "${pids[@]}" 2>/dev/null || true
  if ! retry_for 5 all_ended "${pids[@]}"; then kill -KILL "${pids[@]}" 2>/dev/null || true; fi
}
# Gone or zombies (whose new parent reaps them when it gets round to it).
all_ended() {
  [[ -z $(ps -o stat= -p "$(IFS=,; echo "$*")" | grep -v Z) ]]
}

# Everything on this bus but the bus itself was started for this test; the
# services it activated are not our children, so they are ended by the
# PIDs the bus knows for them.
end_bus_processes() {
  local name pid
  for name in $(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.ListNames 2>/dev/null | sed -n 's/^ *string "\(:[^"]*\)"$/\1/p'); do
    pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.GetConnectionUnixProcessID "string:$name" 2>/dev/null |
      sed -n 's/^ *uint32 //p' || true)
    if [[ -n $pid && $pid != "$$" ]]; then end_process_tree "$pid"; fi
  done
}
trap 'set +e; end_bus_processes; cleanup' EXIT

start_xvfb 800x600
# The services the bus starts need the display too.
dbus-update-activation-environment DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR
"$probe" picture "$scratch/picture.bmp"
# A folder name that a URL must encode ('#', '%', '?') and a script must escape.
changer="$scratch/changer \\x 壁紙 's #1 %41 ?"
mkdir -p "$changer"
cp "$tivolen" "$changer/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$changer/"

# A list of the picture in styles 2 and 4, changed at every start, in order.
crlf() { printf '%s\r\n' "$@"; }
mkdir -p "$changer/pictures"
cp "$scratch/picture.bmp" "$changer/pictures/stretched.bmp"
cp "$scratch/picture.bmp" "$changer/pictures/covered.bmp"
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$changer/pictures/stretched.bmp\",0,2,1" "\"$changer/pictures/covered.bmp\",0,4,1"
} >"$changer/List.txt"
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$changer/WallPaper.log"

start_shell() {
  plasmashell >>"$scratch/plasmashell.log" 2>&1 &
  shell_pid=$!
  cleanup_pids+=($shell_pid)
}
stop_shell() {
  end_process_tree "$shell_pid"
  wait "$shell_pid" 2>/dev/null || true
  retry_for 10 eval '! bus_name_owned org.kde.plasmashell' || fail "plasmashell did not end"
}
# The value of a key in the image plugin's group of the first containment
# that has one, as plasmashell wrote it.
image_setting() {
  awk -v key="$1" '
    /^\[/ { inside = ($0 ~ /\[Wallpaper\]\[org\.kde\.image\]\[General\]$/) }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$appletsrc" 2>/dev/null
}
shows() {
  "$probe" grab-x11 "$scratch/shot.png" && "$probe" check "$scratch/shot.png" "$1" "$2" >/dev/null
}
# One run of the changer must leave plasmashell showing a fresh copy of the
# picture in `layout`, with that fill mode in its configuration (a bitmap in
# style 4 is handed over as it is, to cover the screen).
expect_change() {
  local what=$1 layout=$2 fill=$3 image
  retry_for 15 eval '[[ $(image_setting FillMode) == '"$fill"' ]]' ||
    fail "$what: FillMode is '$(image_setting FillMode)', expected $fill"
  image=$(node -e 'console.log(require("url").fileURLToPath(process.argv[1]))' \
    "$(image_setting Image)") || fail "$what: Image=$(image_setting Image) is no file URL"
  [[ $image == "$changer/wallpaper-"*.bmp ]] || fail "$what: Image=$(image_setting Image)"
  cmp -s "$image" "$scratch/picture.bmp" || fail "$what: $image is not a copy of the picture"
  if ! retry_for 20 shows "$scratch/picture.bmp" "$layout"; then
    cp "$scratch/shot.png" "/tmp/plasma-$layout-failed.png"
    fail "$what: the screen does not show it (see /tmp/plasma-$layout-failed.png)"
  fi
  echo "plasma $what: ok"
}

start_shell
retry_for 20 bus_name_owned org.kde.plasmashell || fail "plasmashell did not start"
timeout 60 "$changer/Tivolen" </dev/null 2>"$scratch/run.err" ||
  fail "Tivolen run 1 failed: $(cat "$scratch/run.err")"
expect_change "style 2" stretched 0
timeout 60 "$changer/Tivolen" </dev/null 2>"$scratch/run.err" ||
  fail "Tivolen run 2 failed: $(cat "$scratch/run.err")"
expect_change "style 4" zoom 2
stop_shell

# Log-on order: the changer and the shell start at the same moment; the
# change must wait for the shell and its desktops, and then be shown. Back
# at the start of the list, the change is from style 4 to style 2. As at a
# first log-on, the shell has no layout yet: it takes its name on the bus
# seconds before it has made its desktops.
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$changer/WallPaper.log"
rm "$appletsrc"
"$changer/Tivolen" </dev/null 2>"$scratch/run.err" &
changer_pid=$!
cleanup_pids+=($changer_pid)
start_shell
timeout 60 tail --pid="$changer_pid" -f /dev/null || fail "the changer did not end"
wait "$changer_pid" || fail "Tivolen beside a starting shell failed: $(cat "$scratch/run.err")"
expect_change "at log-on" stretched 0
stop_shell

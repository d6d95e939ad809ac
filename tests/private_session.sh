# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the whole-program tests. Gives them a scratch folder $work,
# removed at exit with the Xvfb of scripts/x_server.sh and every process
# whose PID was added to $started; private_session points HOME and the XDG
# folders into $work, so a user's real files are never touched, and names no
# desktop. fail reports (with the file $error_log, when one is set) and
# ends; shot saves the screen when a screenshot folder ($shots) was given.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"

work=$(mktemp -d)
started=()
error_log=
end_session() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  stop_x_server
  rm -rf "$work"
}
trap end_session EXIT

fail() {
  echo "FAIL: $*" >&2
  if [[ -n $error_log && -s $error_log ]]; then cat "$error_log" >&2; fi
  exit 1
}

shot() {
  if [[ -n ${shots:-} ]]; then
    mkdir -p "$shots"
    xwd -silent -root | /usr/bin/convert xwd:- "$shots/$1.png"
  fi
}

private_session() {
  export HOME="$work/home"
  export XDG_CONFIG_HOME="$work/config"
  export XDG_DATA_HOME="$work/data"
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
    XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION BROWSER
}

# Starts program $1 with its standard error in $2 and waits for its visible
# window titled $3: sets $launched (its PID, ended at exit) and $window.
open_window() {
  "$1" 2>"$2" &
  launched=$!
  started+=("$launched")
  window=$(timeout 40 xdotool search --sync --onlyvisible --name "^$3\$" | head -n1) ||
    fail "the window $3 did not appear; windows shown: $(xdotool search --onlyvisible --name . \
      getwindowname %@ 2>/dev/null | tr '\n' '|'); its errors: $(cat "$2")"
  sleep 1
}

# Keys typed into $window as a user types them, a little apart.
keys() {
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" --delay 150 "$@"
  sleep 0.4
}

# "R G B" of the screen's pixel at $1,$2 (the root window with what covers it).
screen_rgb() {
  xwd -root -silent | /usr/bin/convert xwd:- -crop "1x1+$1+$2" -depth 8 txt:- | tail -n1 |
    sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'
}

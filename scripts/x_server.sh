# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that need an X server: start_x_server starts Xvfb on
# a free display (chosen by the server itself through -displayfd) and exports
# DISPLAY; stop_x_server ends it. -noreset keeps the server up when the last
# client leaves, so a program that opens and closes windows cannot kill it.

x_server_pid=
x_server_dir=

start_x_server() {
  x_server_dir=$(mktemp -d)
  Xvfb -noreset -displayfd 3 -screen 0 "${1:-1280x800x24}" -nolisten tcp \
    3>"$x_server_dir/display" 2>"$x_server_dir/log" &
  x_server_pid=$!
  local waited=0
  until [[ -s "$x_server_dir/display" ]]; do
    if ! kill -0 "$x_server_pid" 2>/dev/null || ((waited >= 100)); then
      echo "Xvfb did not start:" >&2
      cat "$x_server_dir/log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(head -n1 "$x_server_dir/display")"
}

stop_x_server() {
  if [[ -n "$x_server_pid" ]]; then
    kill "$x_server_pid" 2>/dev/null || true
    wait "$x_server_pid" 2>/dev/null || true
    x_server_pid=
  fi
  if [[ -n "$x_server_dir" ]]; then
    rm -rf "$x_server_dir"
    x_server_dir=
  fi
}

# Presses Return on every window titled $1 until process $2 ends or $3
# seconds pass: answers the message boxes of a run nobody is watching.
answer_message_boxes() {
  local title=$1 pid=$2 limit=${3:-60} tries=0 window
  while kill -0 "$pid" 2>/dev/null && ((tries < limit * 4)); do
    for window in $(xdotool search --name "^${title}\$" 2>/dev/null); do
      xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
    done
    sleep 0.25
    tries=$((tries + 1))
  done
}

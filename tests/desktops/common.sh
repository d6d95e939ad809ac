# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the desktop tests: a private X server, a scratch folder removed
# on exit, and polling with a deadline. Source it; it sets `set -euo pipefail`.
set -euo pipefail

# ctest reads this exit code as "skipped" (SKIP_RETURN_CODE).
readonly SKIP=77

scratch=$(mktemp -d /tmp/tivolen-desktop-test.XXXXXX)
chmod 755 "$scratch"
mkdir -m 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"
cleanup_pids=()

cleanup() {
  local pid
  for pid in "${cleanup_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${cleanup_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Skips only when a program is truly missing; scripts/install-desktops.sh
# installs all of them.
need() {
  local program
  for program in "$@"; do
    if ! command -v "$program" >/dev/null; then
      echo "SKIP: $program is not installed (run scripts/install-desktops.sh)" >&2
      exit "$SKIP"
    fi
  done
}

# Runs "$@" every 0.2 s until it succeeds or `seconds` have passed.
retry_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    if "$@"; then return 0; fi
    sleep 0.2
  done
  "$@"
}

# An Xvfb of the given size on a display it picks itself; sets DISPLAY.
start_xvfb() {
  local size=$1
  local fifo="$scratch/displayfd"
  mkfifo "$fifo"
  Xvfb -noreset -nolisten tcp -displayfd 3 -screen 0 "${size}x24" 3>"$fifo" \
    >"$scratch/xvfb.log" 2>&1 &
  cleanup_pids+=($!)
  local number
  if ! read -r -t 20 number <"$fifo"; then fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"; fi
  export DISPLAY=":$number"
}

# True once the name is owned on the session bus.
bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# Only the session we set up decides which back-end is chosen.
clear_desktop_environment() {
  unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY DISPLAY SWAYSOCK I3SOCK || true
}

# A list for the real changer in folder $1: four copies of picture $2 in the
# styles centred, tiled, stretched and "オート2", changed at every start, in
# order; and a log, so that the runs are not its first (no autostart message).
write_style_list() {
  local folder=$1 picture=$2 style entries=()
  crlf() { printf '%s\r\n' "$@"; }
  mkdir -p "$folder/pictures"
  for style in 0 1 2 4; do
    cp "$picture" "$folder/pictures/style $style.bmp"
    entries+=("\"$folder/pictures/style $style.bmp\",0,$style,1")
  done
  {
    crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
    crlf "${entries[@]}"
  } >"$folder/List.txt"
  crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$folder/WallPaper.log"
}

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real changer on a bare X server, once per picture given, each named
# alone in a list with the style "オート2": what each run costs (wall time,
# peak RSS), how it ended, what it said and whether a wallpaper was written.
# Message boxes are answered; a run still going after $limit seconds (60
# unless set) is stopped and reported as such.
# Usage: hostile_pictures.sh PATH_TO_TIVOLEN PICTURE...
set -euo pipefail
tivolen=$(realpath "$1")
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"
limit=${limit:-60}
work=$(mktemp -d)
cleanup() {
  stop_x_server
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION
start_x_server 1024x768x24

printf '%-22s %9s %9s %5s %-6s %s\n' picture seconds "peak MB" exit bitmap "said"
for picture in "$@"; do
  app="$work/app"
  rm -rf "$app" && mkdir -p "$app"
  cp "$tivolen" "$app/Tivolen"
  # What needs Qt comes from the module beside it; builds from before it have none.
  module="$(dirname "$tivolen")/libtivolen-qt.so"
  if [[ -e "$module" ]]; then cp "$module" "$app/"; fi
  printf '%s\r\n' '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$(realpath "$picture")\",0,4,5" \
    >"$app/List.txt"
  printf '%s\r\n' '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" timeout "$limit" "$app/Tivolen" 2>"$work/err" &
  runner=$!
  answer_message_boxes "壁紙の変更" "$runner" "$limit"
  status=0
  wait "$runner" || status=$?
  end=$EPOCHREALTIME
  seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", e - s }')
  peak=$(awk '/^[0-9]+$/ { printf "%.0f", $1 * 1.024 / 1000 }' "$work/rss")
  bitmap=no
  [[ -f "$app/wallpaper.bmp" ]] && bitmap=yes
  ((status == 124)) && echo "(stopped after $limit s)" >>"$work/err"
  printf '%-22s %9s %9s %5s %-6s %s\n' "$(basename "$picture")" "$seconds" "$peak" "$status" \
    "$bitmap" "$(tr '\n' ' ' <"$work/err" | cut -c1-150)"
done

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What putting the wallpaper back costs at a log-on with no change due, on a
# bare X server (which forgets it): Tivolen reads the list and the log, loads
# the wallpaper.bmp it rendered last and sets the root window, against the
# same start on a desktop that remembers its wallpaper (XFCE named, nothing
# to do). Runs alternate, each under /usr/bin/time; medians of wall time and
# peak RSS. Reported only.
#
# usage: bench/logon_restore_speed.sh [Tivolen] [make_photo] [runs] [screen]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=${1:-$here/../build/app/Tivolen}
make_photo=${2:-$here/../build/bench/make_photo}
runs=${3:-21}
screen=${4:-1920x1080}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$make_photo" 6000 4000 "$work/photo.jpg" 444 90
app="$work/app"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it; builds from before it have none.
module="$(dirname "$tivolen")/libtivolen-qt.so"
if [[ -e "$module" ]]; then cp "$module" "$app/"; fi
printf '%s\r\n' '"Ver","1.30"' 1 0 '"[SubFolder]",2' "\"$work/photo.jpg\",0,4,5" >"$app/List.txt"
printf '%s\r\n' '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"
start_x_server "${screen}x24"
# The day's change: renders wallpaper.bmp and logs today, so every later run
# finds no change due.
"$app/Tivolen"
[[ -f "$app/wallpaper.shown" ]] || { echo "the change left no wallpaper.shown" >&2; exit 1; }
cp "$app/WallPaper.log" "$work/log"

# shellcheck source=bench/paired_runs.sh
source "$here/paired_runs.sh"
run_pair "$app/Tivolen" "env XDG_CURRENT_DESKTOP=XFCE $app/Tivolen"
cmp -s "$app/WallPaper.log" "$work/log" || { echo "a run with no change wrote the log" >&2; exit 1; }

echo "| no change due, $screen | wall time | peak RSS |"
echo "|---|---|---|"
printf '| bare X11: wallpaper put back | %.1f ms | %s MiB |\n' "$pair_a_ms" "$pair_a_mib"
printf '| XFCE (remembers): nothing to do | %.1f ms | %s MiB |\n' "$pair_b_ms" "$pair_b_mib"
echo "($runs alternating runs each, medians; $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo))"

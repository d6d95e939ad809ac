#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole log-on job of Tivolen (start, list, log, decode, fit, BMP, root
# window, exit) on a bare Xvfb screen against `xwallpaper --zoom` on the same
# picture and screen. Pictures are what cameras and phones save: 4:4:4 JPEG
# at quality 90 with photo-like grain. Every case runs the two programs in
# alternation (A B, then B A, ...), each run under /usr/bin/time, so load on
# the machine falls on both alike; wall time and peak RSS are medians of the
# same runs. Targets (ratio to xwallpaper):
#   24 MP -> 1920x1080 cover          time <= 0.65, peak RSS <= 0.45
#   24 MP -> 3840x2160 cover          time <= 0.80, peak RSS <= 0.6
#   48 MP -> 1920x1080 cover          time <= 0.55, peak RSS <= 0.3
#   progressive 24 MP -> 1920x1080    time <= 0.85, peak RSS <= 0.8
# plus, reported only: a start that finds no change due, beside a program
# that links only Xlib, RandR and TurboJPEG (the floor of any such start).
# Exits 1 when a target is missed.
#
# usage: bench/wallpaper_speed.sh [Tivolen] [make_photo] [runs] [lean_start]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=${1:-$here/../build/app/Tivolen}
make_photo=${2:-$here/../build/bench/make_photo}
runs=${3:-21}
lean_start=${4:-$here/../build/bench/lean_start}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$make_photo" 6000 4000 "$work/photo-24mp.jpg" 444 90
"$make_photo" 8000 6000 "$work/photo-48mp.jpg" 444 90
"$make_photo" 6000 4000 "$work/progressive-24mp.jpg" 444 90 progressive

# An application directory whose list holds one picture in style 4 (cover).
# With timing "every start" each run renders and applies it again; with
# timing "date changed" and a log of today the run finds nothing to do.
make_app() {  # name picture [idle]
  local app="$work/$1" timing=0 logged='#2026-12-01#'
  if [[ ${3:-} == idle ]]; then timing=1 logged="#$(date +%Y-%m-%d)#"; fi
  mkdir -p "$app"
  cp "$tivolen" "$app/Tivolen"
  # What needs Qt comes from the module beside it; builds from before it have none.
  module="$(dirname "$tivolen")/libtivolen-qt.so"
  if [[ -e "$module" ]]; then cp "$module" "$app/"; fi
  printf '%s\r\n' '"Ver","1.30"' "$timing" 0 '"[SubFolder]",2' "\"$2\",0,4,5" >"$app/List.txt"
  printf '%s\r\n' "$logged" 1 "\"$2\"" >"$app/WallPaper.log"
  echo "$app/Tivolen"
}

# shellcheck source=bench/paired_runs.sh
source "$here/paired_runs.sh"

failures=0
rows=()
cover_case() {  # label screen picture time_limit rss_limit
  stop_x_server
  start_x_server "${2}x24"
  local app
  app=$(make_app "cover-$2-$(basename "$3" .jpg)" "$3")
  echo "== $1" >&2
  run_pair "$app" "xwallpaper --zoom $3"
  local ratio rss_ratio verdict=ok
  ratio=$(awk -v a="$pair_a_ms" -v b="$pair_b_ms" 'BEGIN { printf "%.2f", a / b }')
  rss_ratio=$(awk -v a="$pair_a_mib" -v b="$pair_b_mib" 'BEGIN { printf "%.2f", a / b }')
  if ! awk -v r="$ratio" -v l="$4" -v m="$rss_ratio" -v n="$5" 'BEGIN { exit !(r <= l && m <= n) }'; then
    verdict=MISSED
    failures=$((failures + 1))
  fi
  rows+=("$(printf '| %s | %.1f ms | %.1f ms | %s (<= %s) | %s / %s MiB = %s (<= %s) | %s |' \
    "$1" "$pair_a_ms" "$pair_b_ms" "$ratio" "$4" "$pair_a_mib" "$pair_b_mib" "$rss_ratio" "$5" "$verdict")")
}

cover_case "24 MP -> 1920x1080, cover" 1920x1080 "$work/photo-24mp.jpg" 0.65 0.45
cover_case "24 MP -> 3840x2160, cover" 3840x2160 "$work/photo-24mp.jpg" 0.80 0.6
cover_case "48 MP -> 1920x1080, cover" 1920x1080 "$work/photo-48mp.jpg" 0.55 0.3
cover_case "progressive 24 MP -> 1920x1080" 1920x1080 "$work/progressive-24mp.jpg" 0.85 0.8

stop_x_server
start_x_server 1920x1080x24
idle=$(make_app idle "$work/photo-24mp.jpg" idle)
echo "== a start with no change due" >&2
# A bare X server forgets the wallpaper, so there such a start puts it back
# (bench/logon_restore_speed.sh); XFCE remembers it and leaves nothing to do.
run_pair "env XDG_CURRENT_DESKTOP=XFCE $idle" "$lean_start"
rows+=("$(printf '| no change due (beside Xlib+RandR+TurboJPEG only) | %.1f ms | %.1f ms | report | %s / %s MiB | |' \
  "$pair_a_ms" "$pair_b_ms" "$pair_a_mib" "$pair_b_mib")")

echo
echo "| case | Tivolen | xwallpaper (or floor) | time ratio | peak RSS | |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo "($runs alternating runs per case, medians; $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo))"
((failures == 0)) || { echo "$failures target(s) missed" >&2; exit 1; }

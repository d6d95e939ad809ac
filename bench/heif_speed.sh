#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A phone's HEIC photo as the wallpaper: the whole log-on job of Tivolen
# (start, list, log, decode, fit, BMP, root window, exit) on a bare Xvfb
# screen. The HEIC files hold the picture of make_photo's camera-like JPEG
# as phones save it, a grid of 512 x 512 HEVC tiles (make_photo codes each
# tile with libheif and x265, 4:2:0); one more is a single HEVC image of the
# same JPEG, as Debian's ImageMagick writes them, for comparison (no target).
# Every case runs two programs in alternation (A B, then B A, ...), each run
# under /usr/bin/time, so load on the machine falls on both alike; wall time
# and peak RSS are medians of the same runs. Targets:
#   24 MP grid HEIC -> 1920x1080 cover beside `xwallpaper --zoom` on the
#   same picture as JPEG (xwallpaper reads no HEIC)     time <= 2
#   48 MP grid HEIC -> 1920x1080 cover beside Tivolen on the same picture
#   as JPEG                                              peak RSS <= 1
# Exits 1 when a target is missed.
#
# usage: bench/heif_speed.sh [Tivolen] [make_photo] [runs]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=${1:-$here/../build/app/Tivolen}
make_photo=${2:-$here/../build/bench/make_photo}
runs=${3:-11}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"
magick=/usr/bin/convert

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$make_photo" 6000 4000 "$work/photo-24mp.jpg" 444 90
"$make_photo" 8000 6000 "$work/photo-48mp.jpg" 444 90
echo "== writing the HEIC files (x265 takes minutes)" >&2
"$make_photo" 6000 4000 "$work/photo-24mp.heic" 444 80
"$make_photo" 8000 6000 "$work/photo-48mp.heic" 444 80
"$magick" "$work/photo-24mp.jpg" -quality 80 "$work/single-24mp.heic"

# An application directory whose list holds one picture in style 4 (cover),
# timing "every start": each run renders and applies it again.
make_app() {  # name picture
  local app="$work/$1"
  mkdir -p "$app"
  cp "$tivolen" "$app/Tivolen"
  # What needs Qt comes from the module beside it; builds from before it have none.
  module="$(dirname "$tivolen")/libtivolen-qt.so"
  if [[ -e "$module" ]]; then cp "$module" "$app/"; fi
  printf '%s\r\n' '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$2\",0,4,5" >"$app/List.txt"
  printf '%s\r\n' '#2026-12-01#' 1 "\"$2\"" >"$app/WallPaper.log"
  echo "$app/Tivolen"
}

warmups=2
# shellcheck source=bench/paired_runs.sh
source "$here/paired_runs.sh"

failures=0
rows=()
compare() {  # label "command A" "command B" time_limit rss_limit (- for none)
  echo "== $1" >&2
  run_pair "$2" "$3"
  local ratio rss_ratio verdict=ok
  ratio=$(awk -v a="$pair_a_ms" -v b="$pair_b_ms" 'BEGIN { printf "%.2f", a / b }')
  rss_ratio=$(awk -v a="$pair_a_mib" -v b="$pair_b_mib" 'BEGIN { printf "%.2f", a / b }')
  if [[ $4 != - ]] && ! awk -v r="$ratio" -v l="$4" 'BEGIN { exit !(r <= l) }'; then verdict=MISSED; fi
  if [[ $5 != - ]] && ! awk -v r="$rss_ratio" -v l="$5" 'BEGIN { exit !(r <= l) }'; then verdict=MISSED; fi
  [[ $verdict == ok ]] || failures=$((failures + 1))
  rows+=("$(printf '| %s | %.1f ms | %.1f ms | %s (<= %s) | %s / %s MiB = %s (<= %s) | %s |' \
    "$1" "$pair_a_ms" "$pair_b_ms" "$ratio" "$4" "$pair_a_mib" "$pair_b_mib" "$rss_ratio" "$5" "$verdict")")
}

start_x_server 1920x1080x24
compare "24 MP grid HEIC, beside xwallpaper on the JPEG" \
  "$(make_app heic-24 "$work/photo-24mp.heic")" "xwallpaper --zoom $work/photo-24mp.jpg" 2 -
compare "48 MP grid HEIC, beside Tivolen on the JPEG" \
  "$(make_app heic-48 "$work/photo-48mp.heic")" "$(make_app jpeg-48 "$work/photo-48mp.jpg")" - 1
compare "24 MP single-image HEIC, beside xwallpaper on the JPEG" \
  "$(make_app single-24 "$work/single-24mp.heic")" "xwallpaper --zoom $work/photo-24mp.jpg" - -

echo
echo "| case (-> 1920x1080 cover) | Tivolen on HEIC | the other | time ratio | peak RSS | |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo "($runs alternating runs per case, medians; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
((failures == 0)) || { echo "$failures target(s) missed" >&2; exit 1; }

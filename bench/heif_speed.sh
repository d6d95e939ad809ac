#!/usr/bin/env bash
# A phone-sized HEIC photo as the wallpaper: the whole log-on job of Tivolen
# (start, list, log, decode, fit, BMP, root window, exit) on a bare Xvfb
# screen, 24 MP (6000 x 4000) HEIC covering 1920 x 1080 (style 4), side by
# side with `xwallpaper --zoom` on the same picture saved as JPEG (xwallpaper
# reads no HEIC), interleaved in one hyperfine run. Target: <= 2 x
# xwallpaper's median. Also prints the peak RSS of Tivolen on a 48 MP HEIC
# beside the same picture as JPEG, and fails when a target is missed.
#
# usage: bench/heif_speed.sh [path/to/Tivolen] [path/to/make_photo] [runs]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=${1:-$here/../build/app/Tivolen}
make_photo=${2:-$here/../build/bench/make_photo}
runs=${3:-15}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"
# Debian's ImageMagick writes HEIC through libheif and x265.
magick=/usr/bin/convert

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$make_photo" 6000 4000 "$work/photo-24mp.jpg"
"$make_photo" 8000 6000 "$work/photo-48mp.jpg"
# The same pictures as HEIC; xwallpaper is given the JPEGs they came from.
"$magick" "$work/photo-24mp.jpg" -quality 80 "$work/photo-24mp.heic"
"$magick" "$work/photo-48mp.jpg" -quality 80 "$work/photo-48mp.heic"

make_app() {  # name picture style
  local app="$work/$1"
  mkdir -p "$app"
  cp "$tivolen" "$app/Tivolen"
  printf '%s\r\n' '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$2\",0,$3,5" >"$app/List.txt"
  printf '%s\r\n' '#2026-12-01#' 0 '"x"' >"$app/WallPaper.log"
  echo "$app/Tivolen"
}

peak_rss_mib() {
  local values=()
  for _ in 1 2 3; do
    values+=("$( (/usr/bin/time -v "$@" >/dev/null) 2>&1 | awk '/Maximum resident/ { print $6 }')")
  done
  printf '%s\n' "${values[@]}" | sort -n | sed -n 2p | awk '{ printf "%.1f", $1 / 1024 }'
}
median_ms() { jq -r --arg n "$2" '.results[] | select(.command == $n) | .median * 1000' "$1"; }

start_x_server 1920x1080x24
heic=$(make_app heic-24 "$work/photo-24mp.heic" 4)
jpeg=$(make_app jpeg-24 "$work/photo-24mp.jpg" 4)
hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/heic.json" \
  -n xwallpaper "xwallpaper --zoom '$work/photo-24mp.jpg'" -n heic "$heic" -n jpeg "$jpeg"
anchor=$(median_ms "$work/heic.json" xwallpaper)
ours=$(median_ms "$work/heic.json" heic)
ours_jpeg=$(median_ms "$work/heic.json" jpeg)
ratio=$(awk -v a="$ours" -v b="$anchor" 'BEGIN { printf "%.2f", a / b }')

heic48=$(make_app heic-48 "$work/photo-48mp.heic" 4)
jpeg48=$(make_app jpeg-48 "$work/photo-48mp.jpg" 4)
rss_heic48=$(peak_rss_mib "$heic48")
rss_jpeg48=$(peak_rss_mib "$jpeg48")
rss_anchor48=$(peak_rss_mib xwallpaper --zoom "$work/photo-48mp.jpg")

echo
printf '24 MP HEIC -> 1920x1080 cover: Tivolen %.1f ms, xwallpaper (JPEG) %.1f ms, x%s (limit 2)\n' \
  "$ours" "$anchor" "$ratio"
printf '  Tivolen on the same picture as JPEG: %.1f ms\n' "$ours_jpeg"
printf 'peak RSS, 48 MP -> 1920x1080 cover: Tivolen HEIC %s MiB, Tivolen JPEG %s MiB, xwallpaper JPEG %s MiB\n' \
  "$rss_heic48" "$rss_jpeg48" "$rss_anchor48"
awk -v r="$ratio" 'BEGIN { exit !(r <= 2.0) }' || { echo "HEIC target missed" >&2; exit 1; }

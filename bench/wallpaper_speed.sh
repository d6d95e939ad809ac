#!/usr/bin/env bash
# The whole log-on job of Tivolen (start, list, log, decode, fit, BMP, root
# window, exit) on a bare Xvfb screen, side by side with `xwallpaper --zoom`
# on the same camera-like JPEG and screen, in one hyperfine run per case:
#   1. 24 MP (6000 x 4000) on 1920 x 1080, style 4 (cover) and style 3 (fit):
#      wall time <= 0.85 x xwallpaper's, peak RSS <= 0.7 x xwallpaper's;
#   2. 48 MP (8000 x 6000) on 1920 x 1080, style 4: wall time <= 0.7 x;
#   3. 24 MP on 3840 x 2160, style 4: wall time <= 1.2 x.
# Peak RSS is the median of /usr/bin/time -v over several runs. The script
# prints medians, ratios and RSS, and fails when a target is missed.
#
# usage: bench/wallpaper_speed.sh [path/to/Tivolen] [path/to/make_photo] [runs]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=${1:-$here/../build/app/Tivolen}
make_photo=${2:-$here/../build/bench/make_photo}
runs=${3:-20}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$make_photo" 6000 4000 "$work/photo-24mp.jpg"
"$make_photo" 8000 6000 "$work/photo-48mp.jpg"

# An application directory whose list holds one picture in one style, with
# the timing mode "every start": each run renders and applies it again.
make_app() {
  local name=$1 picture=$2 style=$3 app="$work/$1"
  mkdir -p "$app"
  cp "$tivolen" "$app/Tivolen"
  printf '%s\r\n' '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$picture\",0,$style,5" >"$app/List.txt"
  printf '%s\r\n' '#2026-12-01#' 0 '"x"' >"$app/WallPaper.log"
  echo "$app/Tivolen"
}

peak_rss_mib() {
  local values=()
  for _ in 1 2 3 4 5; do
    values+=("$( (/usr/bin/time -v "$@" >/dev/null) 2>&1 | awk '/Maximum resident/ { print $6 }')")
  done
  printf '%s\n' "${values[@]}" | sort -n | sed -n 3p | awk '{ printf "%.1f", $1 / 1024 }'
}

failures=0
report() {  # name ours anchor limit rss anchor_rss rss_limit (- for none)
  local ratio verdict=ok
  ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
  awk -v r="$ratio" -v l="$4" 'BEGIN { exit !(r <= l) }' || { verdict="TOO SLOW"; failures=$((failures + 1)); }
  printf '%-34s %9.1f ms %9.1f ms  x%-5s (limit %s) %s\n' "$1" "$2" "$3" "$ratio" "$4" "$verdict"
  if [[ "$7" != "-" ]]; then
    local rss_ratio rss_verdict=ok
    rss_ratio=$(awk -v a="$5" -v b="$6" 'BEGIN { printf "%.2f", a / b }')
    awk -v r="$rss_ratio" -v l="$7" 'BEGIN { exit !(r <= l) }' ||
      { rss_verdict="TOO BIG"; failures=$((failures + 1)); }
    printf '%-34s %8s MiB %8s MiB  x%-5s (limit %s) %s\n' "  peak RSS" "$5" "$6" "$rss_ratio" "$7" "$rss_verdict"
  else
    printf '%-34s %8s MiB %8s MiB\n' "  peak RSS" "$5" "$6"
  fi
}

median_ms() { jq -r --arg n "$2" '.results[] | select(.command == $n) | .median * 1000' "$1"; }

# One screen and picture: hyperfine over xwallpaper and both styles, then the
# peak RSS of each while the same server is up. Sets the case_* variables.
run_case() {  # screen picture
  local screen=$1 picture=$2 json="$work/$1-$(basename "$2" .jpg).json"
  stop_x_server
  start_x_server "${screen}x24"
  local cover fit
  cover=$(make_app "cover-$screen-$(basename "$picture" .jpg)" "$picture" 4)
  fit=$(make_app "fit-$screen-$(basename "$picture" .jpg)" "$picture" 3)
  hyperfine -N --warmup 3 --runs "$runs" --export-json "$json" \
    -n xwallpaper "xwallpaper --zoom '$picture'" -n cover "$cover" -n fit "$fit"
  case_anchor=$(median_ms "$json" xwallpaper)
  case_cover=$(median_ms "$json" cover)
  case_fit=$(median_ms "$json" fit)
  case_anchor_rss=$(peak_rss_mib xwallpaper --zoom "$picture")
  case_cover_rss=$(peak_rss_mib "$cover")
  case_fit_rss=$(peak_rss_mib "$fit")
}

summary=()
echo "== 24 MP on 1920x1080"
run_case 1920x1080 "$work/photo-24mp.jpg"
summary+=("24 MP 1920x1080 style 4 (cover)|$case_cover|$case_anchor|0.85|$case_cover_rss|$case_anchor_rss|0.7")
summary+=("24 MP 1920x1080 style 3 (fit)|$case_fit|$case_anchor|0.85|$case_fit_rss|$case_anchor_rss|0.7")
echo "== 48 MP on 1920x1080"
run_case 1920x1080 "$work/photo-48mp.jpg"
summary+=("48 MP 1920x1080 style 4 (cover)|$case_cover|$case_anchor|0.7|$case_cover_rss|$case_anchor_rss|-")
echo "== 24 MP on 3840x2160"
run_case 3840x2160 "$work/photo-24mp.jpg"
summary+=("24 MP 3840x2160 style 4 (cover)|$case_cover|$case_anchor|1.2|$case_cover_rss|$case_anchor_rss|-")

echo
printf '%-34s %12s %12s\n' "case (medians)" "Tivolen" "xwallpaper"
for line in "${summary[@]}"; do
  IFS='|' read -r name ours anchor limit rss anchor_rss rss_limit <<<"$line"
  report "$name" "$ours" "$anchor" "$limit" "$rss" "$anchor_rss" "$rss_limit"
done
((failures == 0)) || { echo "$failures target(s) missed" >&2; exit 1; }

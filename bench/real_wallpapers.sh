#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The wallpapers people actually have: every picture Debian ships in
# plasma-workspace-wallpapers and gnome-backgrounds (2-20 MP JPEG, PNG and
# WebP, many close to a screen's size or smaller than a 4K one), as the whole
# log-on job of Tivolen (start, list, log, decode, fit, BMP, root window,
# exit) in the cover style on a bare Xvfb screen of 1920x1080 and 3840x2160,
# beside `xwallpaper --zoom` on the same picture and screen (`feh --bg-fill`
# for WebP, which xwallpaper cannot read). Each picture runs the two
# programs in alternation (A B, then B A, ...), each run under /usr/bin/time,
# so load falls on both alike; wall time and peak RSS (the kernel's) are
# medians of the same runs. The packages are fetched with `apt-get download`
# into a cache outside the repository on the first run. The choosers'
# preview pictures (contents/screenshot.*) and SVG files are left out.
# Goal, per screen size: geometric mean time <= 0.70 of the other program's,
# no picture slower than it, geometric mean peak RSS <= 1, no picture above
# 1.25. Exits 1 when a goal is missed.
#
# usage: bench/real_wallpapers.sh [Tivolen] [pairs] [name filter (grep -E)] [screens] [style]
#   e.g. bench/real_wallpapers.sh build/app/Tivolen 5 '' '1920x1080 3840x2160'
# The style is the list's number: 4 cover (the default), 3 fit, 0 centred,
# 1 tiled; the other program still covers the screen, so the ratios of the
# styles side by side show whether any costs more than cover.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tivolen=$(realpath "${1:-$here/../build/app/Tivolen}")
pairs=${2:-5}
filter=${3:-}
screens=${4:-1920x1080 3840x2160}
style=${5:-4}
cache=${TIVOLEN_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tivolen-bench/wallpapers}
# shellcheck source=scripts/x_server.sh
source "$here/../scripts/x_server.sh"
# shellcheck source=scripts/lib/apt.sh
source "$here/../scripts/lib/apt.sh"

if ! command -v xwallpaper >/dev/null || ! command -v feh >/dev/null; then
  install_packages real-wallpapers xwallpaper feh
fi

mkdir -p "$cache"
for package in plasma-workspace-wallpapers gnome-backgrounds; do
  if [[ ! -e "$cache/$package.unpacked" ]]; then
    (cd "$cache" && apt-get download "$package")
    debs=("$cache/${package}"_*.deb)
    dpkg-deb -x "${debs[0]}" "$cache/files"
    touch "$cache/$package.unpacked"
  fi
done
mapfile -t pictures < <(find "$cache/files/usr/share" -type f \
  \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' -o -iname '*.webp' \) \
  ! -name 'screenshot.*' | sort | grep -E -- "${filter:-.}")
((${#pictures[@]} > 0)) || { echo "no pictures match '$filter'" >&2; exit 1; }

work=$(mktemp -d)
trap 'stop_x_server; rm -rf "$work"' EXIT
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
app="$work/app"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it; builds from before it have none.
module="$(dirname "$tivolen")/libtivolen-qt.so"
if [[ -e "$module" ]]; then cp "$module" "$app/"; fi

# shellcheck source=bench/paired_runs.sh
source "$here/paired_runs.sh"
runs=$((pairs * 2))
warmups=1

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
failures=0
results="$work/results"
: >"$results"
for screen in $screens; do
  stop_x_server
  start_x_server "${screen}x24"
  for picture in "${pictures[@]}"; do
    # Timing "every start": each run renders and applies the picture again.
    printf '%s\r\n' '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$picture\",0,$style,5" >"$app/List.txt"
    printf '%s\r\n' '#2026-12-01#' 1 "\"$picture\"" >"$app/WallPaper.log"
    other="xwallpaper --zoom $picture"
    [[ ${picture,,} == *.webp ]] && other="feh --no-fehbg --bg-fill $picture"
    name=${picture#"$cache/files/usr/share/"}
    echo "== $screen $name" >&2
    run_pair "$app/Tivolen" "$other"
    [[ -s "$app/wallpaper.bmp" ]] || { echo "no wallpaper.bmp for $name" >&2; exit 1; }
    rm -f "$app/wallpaper.bmp"
    echo "$screen $name $(identify -format '%wx%h' "${picture}[0]") ${other%% *} $pair_a_ms $pair_b_ms $pair_a_mib $pair_b_mib" >>"$results"
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "| screen | picture | size | beside | Tivolen | other | time ratio | peak RSS MiB | RSS ratio |"
echo "|---|---|---|---|---|---|---|---|---|"
awk '{ printf "| %s | %s | %s | %s | %.1f ms | %.1f ms | %.2f | %s / %s | %.2f |\n",
       $1, $2, $3, $4, $5, $6, $5 / $6, $7, $8, $7 / $8 }' "$results"
echo
echo "| screen | set | pictures | time ratio (geometric mean) | worst | RSS ratio (geometric mean) | worst | goal |"
echo "|---|---|---|---|---|---|---|---|"
for screen in $screens; do
  for set in all wallpapers/ backgrounds/ .jpg .png .webp; do
    line=$(awk -v s="$screen" -v set="$set" '
      $1 == s && (set == "all" || index($2, set) > 0) {
        n++; t = $5 / $6; m = $7 / $8; lt += log(t); lm += log(m)
        if (t > wt) { wt = t; wn = $2 } if (m > wm) { wm = m; mn = $2 } }
      END { if (n) printf "%d %.2f %.2f %s %.2f %.2f %s", n, exp(lt / n), wt, wn, exp(lm / n), wm, mn }' "$results")
    [[ -n "$line" ]] || continue
    read -r n gt wt wn gm wm mn <<<"$line"
    verdict=""
    if [[ $set == all ]]; then
      if awk -v a="$gt" -v b="$wt" -v c="$gm" -v d="$wm" 'BEGIN { exit !(a <= 0.70 && b <= 1 && c <= 1 && d <= 1.25) }'; then
        verdict=met
      else
        verdict=MISSED
        failures=$((failures + 1))
      fi
    fi
    echo "| $screen | $set | $n | $gt | $wt ($wn) | $gm | $wm ($mn) | $verdict |"
  done
done
echo "($pairs alternating pairs per picture, medians; $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo); load average $load_before before, $load_after after)"
((failures == 0)) || { echo "goal missed at $failures screen size(s)" >&2; exit 1; }

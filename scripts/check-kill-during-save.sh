#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills the changer with SIGKILL at random moments while it writes
# WallPaper.log and wallpaper.bmp, many times over, and checks after every
# kill that each file is whole: the old one or the new one, never a mix,
# never cut short. Then one more run, after the leftovers have aged past a
# minute, must remove every temporary file a kill left behind.
# Usage: scripts/check-kill-during-save.sh [kills] (default 300; needs a build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kills=${1:-300}
tivolen=${TIVOLEN_BUILD_DIR:-$root/build}/app/Tivolen
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"

work=$(mktemp -d)
cleanup() {
  stop_x_server
  rm -rf "$work"
}
trap cleanup EXIT

app="$work/app"
mkdir -p "$app" "$work/pics" "$work/home"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
# Large enough that writing the 25 MB bitmap of a 4K screen takes a while.
for colour in red blue green; do
  /usr/bin/convert -size 4000x2400 "gradient:$colour-white" -quality 90 "$work/pics/$colour.jpg"
done
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  for colour in red blue green; do crlf "\"$work/pics/$colour.jpg\",0,4,5"; done
} >"$app/List.txt"
crlf '#2026-12-01#' 0 '"現在の壁紙ファイル："' >"$app/WallPaper.log"
cp "$app/List.txt" "$work/List.txt.original"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  XDG_SESSION_DESKTOP GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION
start_x_server 3840x2160x24

# A log is whole when it is exactly three records: a date, a position and
# the label of one of the pictures (or the empty label it started with).
log_is_whole() {
  local text
  text=$(cat "$app/WallPaper.log")
  [[ $text =~ ^\#[0-9]{4}-[0-9]{2}-[0-9]{2}\#$'\r\n'[0-9]+$'\r\n'\"現在の壁紙ファイル：([^\"]*)\"$'\r'$ ]] &&
    [[ -z ${BASH_REMATCH[1]} || -f ${BASH_REMATCH[1]} ]]
}
# A bitmap is whole when its size is what its header says and what its
# width and height need.
bitmap_is_whole() {
  local file=$app/wallpaper.bmp
  [[ -e $file ]] || return 0
  local size header width height
  size=$(stat -c %s "$file")
  header=$(od -An -tu4 -j2 -N4 "$file" | tr -d ' ')
  width=$(od -An -td4 -j18 -N4 "$file" | tr -d ' ')
  height=$(od -An -td4 -j22 -N4 "$file" | tr -d ' ')
  ((size == header && size == 54 + (width * 3 + 3) / 4 * 4 * height))
}

start=$(date +%s%N)
"$app/Tivolen" 2>/dev/null
run_ms=$((($(date +%s%N) - start) / 1000000))
echo "one undisturbed run: ${run_ms} ms"

broken=0
max_leftovers=0
for ((i = 1; i <= kills; i++)); do
  "$app/Tivolen" 2>/dev/null &
  pid=$!
  # Anywhere from the start to a little past the usual end of a run.
  sleep "$(awk -v r="$RANDOM" -v t="$run_ms" 'BEGIN { printf "%.3f", r / 32767 * t * 1.2 / 1000 }')"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if ! log_is_whole; then
    echo "kill $i: WallPaper.log is not whole:"
    od -c "$app/WallPaper.log" | head
    broken=$((broken + 1))
  fi
  if ! bitmap_is_whole; then
    echo "kill $i: wallpaper.bmp is not whole"
    broken=$((broken + 1))
  fi
  if ! cmp -s "$app/List.txt" "$work/List.txt.original"; then
    echo "kill $i: List.txt changed"
    broken=$((broken + 1))
  fi
  leftovers=$(find "$app" -name '*.tmp-*' | wc -l)
  ((leftovers > max_leftovers)) && max_leftovers=$leftovers
done
leftovers=$(find "$app" -name '*.tmp-*' | wc -l)
echo "$kills kills: $broken damaged files; $leftovers temporary files left (at most $max_leftovers at once)"

# The next run, a minute later: every leftover is older than a minute.
find "$app" -name '*.tmp-*' -exec touch -d '2 minutes ago' {} +
"$app/Tivolen" 2>/dev/null
after=$(find "$app" -name '*.tmp-*' | wc -l)
echo "after the next run: $after temporary files"
log_is_whole && bitmap_is_whole || broken=$((broken + 1))
((broken == 0 && after == 0))

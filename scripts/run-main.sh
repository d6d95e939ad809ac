#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job: installs what is needed, builds, and runs the changer once in
# build/app/. Without a list there it first draws a demo list of pictures.
# Without a desktop session it runs in a virtual X server, answers the message
# boxes nobody could see, and saves the screen to build/demo-screen.png.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_BUILD_DIR:-$root/build}
app=$build/app

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

if [[ ! -f "$app/List.txt" ]]; then
  "$build/tools/tivolen_demo_pictures" "$app"
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run-main: changing the wallpaper of this desktop session"
  exec "$app/Tivolen"
fi

# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"
trap stop_x_server EXIT
start_x_server 1280x800x24
echo "run-main: no desktop session; running on the virtual X server $DISPLAY"
# A demo on a machine without a desktop must not leave an autostart entry in
# the real user's configuration.
export XDG_CONFIG_HOME=$build/demo-session/config
mkdir -p "$XDG_CONFIG_HOME"
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  export XDG_RUNTIME_DIR=$build/demo-session/runtime
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi

status=0
"$app/Tivolen" &
changer=$!
answer_message_boxes "壁紙の変更" "$changer" 60
if kill -0 "$changer" 2>/dev/null; then
  echo "run-main: the changer did not end within a minute" >&2
  kill "$changer"
fi
wait "$changer" || status=$?

xwd -root -silent | /usr/bin/convert xwd:- "png:$build/demo-screen.png"
echo "run-main: the changer ended with status $status; screen saved to $build/demo-screen.png"
if [[ -f "$app/WallPaper.log" ]]; then
  echo "run-main: WallPaper.log:"
  tr -d '\r' <"$app/WallPaper.log" | sed 's/^/  /'
fi
exit "$status"

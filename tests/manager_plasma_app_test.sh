#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理 in a KDE session whose plasmashell is not running (a private
# session bus without it): 壁紙に must answer at once with the message that
# the desktop cannot be reached. Waiting for a shell that is still starting
# belongs to the changer's log-on run; here it would freeze the window.
# Usage: manager_plasma_app_test.sh PATH_TO_MANAGER
set -euo pipefail
if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  TIVOLEN_IN_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
program=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"
error_log="$work/manager.err"

app="$work/app"
mkdir -p "$app"
/usr/bin/convert -size 160x100 xc:red "$work/red.png"
/usr/bin/convert -size 160x100 xc:blue "$work/blue.png"
cp "$program" "$app/管理"
{
  printf '"Ver","1.30"\r\n0\r\n0\r\n"[SubFolder]",2\r\n'
  printf '"%s",0,2,3\r\n' "$work/red.png" "$work/blue.png"
} >"$app/List.txt"

private_session
export XDG_CURRENT_DESKTOP=KDE
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\n' >"$XDG_DATA_HOME/applications/壁紙変更.desktop"
start_x_server 1024x768x24
open_window "$app/管理" "$error_log" 壁紙の設定
main=$window

# Down selects the second row; Tab leads past 上へ, 下へ, 削除 and 展開 to 壁紙に.
keys Down
keys Tab Tab Tab Tab Tab
begun=$(date +%s%N)
xdotool key --window "$main" space
box=
until [[ -n $box ]]; do
  for candidate in $(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null); do
    [[ $candidate != "$main" ]] && box=$candidate
  done
  (($(date +%s%N) - begun < 20000000000)) || fail "壁紙に gave no answer within 20 s"
  [[ -n $box ]] || sleep 0.1
done
elapsed_ms=$((($(date +%s%N) - begun) / 1000000))
echo "壁紙に answered after $elapsed_ms ms"
((elapsed_ms < 5000)) || fail "壁紙に froze the window for $elapsed_ms ms"
grep -q 'デスクトップに接続できない' "$error_log" || fail "no message that the desktop is unreachable"
grep -q 'plasmashell' "$error_log" || fail "the detail does not name plasmashell"
xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
echo "manager_plasma_app_test: ok"

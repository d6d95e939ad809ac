#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma, what the real shell will not do on request: a stand-in
# plasmashell on a private session bus refuses the script as a shell with
# locked widgets does; the refusal and a missing plasmashell must give their
# messages and leave no copy behind. The real plasmashell is driven by
# plasma_shell_test.sh.
# Usage: plasma_test.sh DESKTOP_DRIVER FAKE_PLASMASHELL
driver=$1
fake=$2
source "$(dirname "$0")/common.sh"
need dbus-run-session dbus-send

if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  TIVOLEN_IN_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

clear_desktop_environment
export XDG_CURRENT_DESKTOP=KDE QT_QPA_PLATFORM=offscreen
app="$scratch/app \"q\" \\x 壁紙 's #1 %41 ?"
mkdir -p "$app"
printf 'BM stand-in picture\n' >"$scratch/picture.bmp"

start_fake() {
  "$fake" "$scratch/script.js" "$@" &
  fake_pid=$!
  cleanup_pids+=($fake_pid)
  retry_for 10 bus_name_owned org.kde.plasmashell || fail "the stand-in plasmashell did not start"
}
stop_fake() {
  kill "$fake_pid"
  wait "$fake_pid" 2>/dev/null || true
  retry_for 10 eval '! bus_name_owned org.kde.plasmashell' || fail "plasmashell name still owned"
}

start_fake --refuse
"$driver" "$app" zoom "$scratch/picture.bmp" 2>"$scratch/err" && fail "a refused script succeeded"
grep -q 'KDE Plasma が壁紙の変更を拒否しました' "$scratch/err" || fail "refusal: $(cat "$scratch/err")"
grep -q 'Widgets are locked' "$scratch/err" || fail "refusal without Plasma's reason"
left=$(compgen -G "$app/wallpaper-*.bmp" || true)
[[ -z $left ]] || fail "the refused change left $left"
stop_fake
echo "plasma refused: ok"

status=0
"$driver" "$app" zoom "$scratch/picture.bmp" 2>"$scratch/err" || status=$?
((status == 2)) || fail "without plasmashell the driver answered $status, not unavailable"
grep -q 'KDE Plasma (plasmashell) が動いていない' "$scratch/err" ||
  fail "missing plasmashell: $(cat "$scratch/err")"
echo "plasma missing: ok"

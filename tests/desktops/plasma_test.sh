#!/usr/bin/env bash
# KDE Plasma: a stand-in plasmashell on a private session bus records the
# desktop script the back-end sends; node runs that script against two
# stand-in desktops and checks what it set. A refused script and a missing
# plasmashell must give their messages and leave no copy behind; a
# plasmashell that comes late is waited for.
# Usage: plasma_test.sh DESKTOP_DRIVER FAKE_PLASMASHELL
driver=$1
fake=$2
source "$(dirname "$0")/common.sh"
need dbus-run-session dbus-send node

if [[ -z ${TIVOLEN_IN_PRIVATE_BUS:-} ]]; then
  TIVOLEN_IN_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

clear_desktop_environment
export XDG_CURRENT_DESKTOP=KDE QT_QPA_PLATFORM=offscreen
app="$scratch/app \"q\" \\x 壁紙 's #1 %41 ?"
mkdir -p "$app"
printf 'BM stand-in picture\n' >"$scratch/picture.bmp"
here=$(dirname "$0")

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

start_fake
declare -A fill=([centred]=6 [tiled]=3 [stretched]=0 [zoom]=2)
for layout in centred tiled stretched zoom; do
  rm -f "$scratch/script.js"
  "$driver" "$app" "$layout" "$scratch/picture.bmp" || fail "$layout: driver failed"
  [[ -f $scratch/script.js ]] || fail "$layout: no script reached plasmashell"
  node "$here/plasma_check.js" "$scratch/script.js" "$app" "$scratch/picture.bmp" \
    "${fill[$layout]}" || fail "$layout: the script does not set the wallpaper"
  copies=("$app"/wallpaper-*.bmp)
  ((${#copies[@]} == 1)) || fail "$layout: not exactly one copy: ${copies[*]}"
  echo "plasma $layout: ok"
done
stop_fake

start_fake --refuse
"$driver" "$app" zoom "$scratch/picture.bmp" 2>"$scratch/err" && fail "a refused script succeeded"
grep -q 'KDE Plasma が壁紙の変更を拒否しました' "$scratch/err" || fail "refusal: $(cat "$scratch/err")"
grep -q 'Widgets are locked' "$scratch/err" || fail "refusal without Plasma's reason"
after=("$app"/wallpaper-*.bmp)
[[ ${after[*]} == "${copies[*]}" ]] || fail "the refused change left ${after[*]}"
stop_fake
echo "plasma refused: ok"

# At log-on the changer may come before plasmashell: it waits for it.
rm -f "$scratch/script.js"
"$driver" "$app" tiled "$scratch/picture.bmp" &
late_driver=$!
sleep 1.5
start_fake
wait "$late_driver" || fail "the change did not wait for a late plasmashell"
node "$here/plasma_check.js" "$scratch/script.js" "$app" "$scratch/picture.bmp" 3 ||
  fail "late plasmashell: the script does not set the wallpaper"
stop_fake
echo "plasma late: ok"

status=0
"$driver" "$app" zoom "$scratch/picture.bmp" 2>"$scratch/err" || status=$?
((status == 2)) || fail "without plasmashell the driver answered $status, not unavailable"
grep -q 'KDE Plasma (plasmashell) が動いていない' "$scratch/err" ||
  fail "missing plasmashell: $(cat "$scratch/err")"
echo "plasma missing: ok"

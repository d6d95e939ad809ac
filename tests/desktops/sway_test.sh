#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# sway and other wlroots compositors: a headless sway (pixman renderer) run
# as an unprivileged user, since sway refuses to run as root. "sway" applies
# each layout as a sway session would (swaymsg); "swaybg" as a Hyprland or
# unknown Wayland session would (our own swaybg). grim screenshots must show
# the picture in each layout, in an application folder whose name holds
# quotes, a backslash, shell characters and non-ASCII text.
# With TIVOLEN, the real changer then steps through a list of the picture
# in each style in the same session, with no X server at all, and after sway
# is started again (the next log-on) puts the last one back with no change due.
# Usage: sway_test.sh sway|swaybg DESKTOP_DRIVER DESKTOP_PROBE [TIVOLEN]
route=$1
driver=$2
probe=$3
tivolen=${4:-}
source "$(dirname "$0")/common.sh"
need sway swaymsg swaybg grim setpriv
[[ $route == sway || $route == swaybg ]] || fail "unknown route $route"

user=$(id -un)
if ((EUID == 0)); then
  user=tivolen-test
  # The sway and swaybg tests may run side by side: whoever comes second
  # finds the user made.
  if ! id "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
      id "$user" >/dev/null 2>&1 || fail "cannot create the unprivileged user $user"
  fi
fi
# The build may sit in a folder the test user cannot enter.
install -m 755 "$driver" "$scratch/desktop_driver"
driver="$scratch/desktop_driver"
runtime="$scratch/wayland-runtime"
mkdir -m 700 "$runtime"
app="$scratch/app \"q\" \$HOME \\x 壁紙 's; two  spaces"
mkdir "$app"
chown "$user" "$runtime" "$app"
"$probe" picture "$scratch/picture.bmp"
chmod 644 "$scratch/picture.bmp"

# Commands run as the test user, in the compositor's session only.
switch=()
if ((EUID == 0)); then switch=(setpriv --reuid="$user" --regid="$user" --init-groups --); fi
user_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$scratch" XDG_RUNTIME_DIR="$runtime")
as_user() {
  "${switch[@]}" "${user_env[@]}" "$@"
}

cat >"$scratch/sway.config" <<'CONFIG'
output HEADLESS-1 mode 800x600 position 0 0
CONFIG
chmod 644 "$scratch/sway.config"
# exec, so that the id kept for the clean-up is sway's own; the swaybg
# clients end with their compositor. Starting it again is the next log-on.
sway_pid=
start_sway() {
  (exec "${switch[@]}" "${user_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$scratch/sway.config" >"$scratch/sway.log" 2>&1) &
  sway_pid=$!
  cleanup_pids+=($sway_pid)
  sway_socket() { compgen -G "$runtime/sway-ipc.*.sock" >/dev/null; }
  retry_for 20 sway_socket || fail "sway did not start: $(tail -5 "$scratch/sway.log")"
  swaysock=$(compgen -G "$runtime/sway-ipc.*.sock" | head -1)
  wayland=$(cd "$runtime" && compgen -G "wayland-*" | grep -v lock | head -1)
  session=(WAYLAND_DISPLAY="$wayland")
  if [[ $route == sway ]]; then
    session+=(XDG_CURRENT_DESKTOP=sway SWAYSOCK="$swaysock")
  else
    session+=(XDG_CURRENT_DESKTOP=Hyprland)
  fi
}
stop_sway() {
  kill "$sway_pid"
  wait "$sway_pid" 2>/dev/null || true
  # So that the next sway's sockets are the only ones to find.
  rm -f "$runtime"/wayland-* "$runtime"/sway-ipc.*
}
start_sway
apply() {
  as_user "${session[@]}" "$driver" "$app" "$1" "$scratch/picture.bmp"
}
shows() {
  as_user WAYLAND_DISPLAY="$wayland" grim "$runtime/shot.png" &&
    "$probe" check "$runtime/shot.png" "$scratch/picture.bmp" "$1" >/dev/null
}
our_swaybgs() {
  local pid
  for pid in $(pgrep -u "$user" -x swaybg); do
    if tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$app/wallpaper-"; then
      echo "$pid"
    fi
  done
}

for layout in centred tiled stretched zoom; do
  apply "$layout" || fail "$layout: driver failed"
  if ! retry_for 10 shows "$layout"; then
    cp "$runtime/shot.png" "/tmp/$route-$layout-failed.png"
    fail "$layout: the screen does not show it (see /tmp/$route-$layout-failed.png)"
  fi
  copies=("$app"/wallpaper-*.png)
  ((${#copies[@]} == 1)) || fail "$layout: not exactly one handed-over copy: ${copies[*]}"
  if [[ $route == swaybg ]]; then
    running=$(our_swaybgs)
    [[ $(wc -w <<<"$running") == 1 ]] || fail "$layout: swaybg processes: $running"
    [[ $(cat "$app/swaybg.pid") == "$running" ]] || fail "$layout: swaybg.pid is stale"
  fi
  echo "$route $layout: ok"
done

if [[ -n $tivolen ]]; then
  changer="$scratch/changer"
  mkdir -p "$changer"
  install -m 755 "$tivolen" "$changer/Tivolen"
  # What needs Qt comes from the module beside it.
  cp "$(dirname "$tivolen")/libtivolen-qt.so" "$changer/"
  write_style_list "$changer" "$scratch/picture.bmp"
  chown -R "$user" "$changer"
  # A compositor draws the background client that came first on top of a
  # later one, so the swaybg left by the runs above would hide Tivolen's.
  for pid in $(our_swaybgs); do kill "$pid"; done
  for layout in centred tiled stretched zoom; do
    as_user "${session[@]}" timeout 60 "$changer/Tivolen" </dev/null ||
      fail "Tivolen ($layout) failed"
    retry_for 10 shows "$layout" || fail "after Tivolen the screen does not show it $layout"
    copies=("$changer"/wallpaper-*.png)
    ((${#copies[@]} == 1)) || fail "Tivolen $layout: not exactly one handed-over copy"
    echo "$route Tivolen $layout: ok"
  done

  # The next log-on, with the day's change made: a new sway shows its own
  # background until Tivolen, with no change due, puts the last one back
  # without rewriting the log.
  sed -i '2s/.*/1\r/' "$changer/List.txt"
  cp "$changer/WallPaper.log" "$scratch/log-before"
  stop_sway
  start_sway
  shows zoom && fail "a new sway session already showed the picture"
  as_user "${session[@]}" timeout 60 "$changer/Tivolen" </dev/null ||
    fail "Tivolen at the next log-on failed"
  retry_for 10 shows zoom || fail "the next log-on did not get the wallpaper back"
  cmp -s "$changer/WallPaper.log" "$scratch/log-before" || fail "a log-on with no change wrote the log"
  echo "$route Tivolen next log-on: ok"
fi

# Without a compositor the change fails with the reason, the picture shown
# stays, and no copy is left over.
before=("$app"/wallpaper-*.png)
if [[ $route == sway ]]; then
  broken=(XDG_CURRENT_DESKTOP=sway SWAYSOCK="$scratch/no-sway.sock" WAYLAND_DISPLAY=nowhere)
else
  broken=(XDG_CURRENT_DESKTOP=Hyprland WAYLAND_DISPLAY=nowhere)
fi
as_user "${broken[@]}" "$driver" "$app" centred "$scratch/picture.bmp" 2>"$scratch/err" &&
  fail "succeeded without a compositor"
grep -q 'デスクトップが壁紙の設定を受け付けませんでした' "$scratch/err" ||
  fail "no reason given: $(cat "$scratch/err")"
after=("$app"/wallpaper-*.png)
[[ ${after[*]} == "${before[*]}" ]] || fail "the failed change left ${after[*]}"
shows zoom || fail "the failed change disturbed the wallpaper"

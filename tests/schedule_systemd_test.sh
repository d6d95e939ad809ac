#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The schedule kept by a real systemd user manager, the test's own, against
# Xvfb. The choice is refused while the manager knows no display; once it
# does, the timer and service are written and enabled, and the timer (its
# interval cut to one second by a drop-in) fires the changer: the log and the
# root window change, and the launcher the changer started outlives the
# service. A run with no change due and one with no display change nothing
# and say nothing, the latter counted a success; a removed changer's units do
# nothing; the choice "off" removes them.
# systemd --user starts only where /run/systemd/system exists: the test makes
# one in a mount namespace of its own, so the machine's /run is never touched.
# Usage: schedule_systemd_test.sh PATH_TO_TIVOLEN PATH_TO_SCHEDULE_DRIVER
set -euo pipefail
if [[ -z ${TIVOLEN_SCHEDULE_NAMESPACE:-} ]]; then
  if ! unshare -m true 2>/dev/null; then
    echo "SKIP: no mount namespace of our own (unshare -m) for a user manager"
    exit 77
  fi
  TIVOLEN_SCHEDULE_NAMESPACE=1 exec unshare -m bash "$0" "$@"
fi
tivolen=$1
driver=$2
systemd=/lib/systemd/systemd
[[ -x $systemd ]] || {
  echo "SKIP: systemd is not installed"
  exit 77
}
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

app="$work/壁紙 app"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
/usr/bin/convert -size 64x48 xc:red "$app/red.gif"
/usr/bin/convert -size 64x48 xc:blue "$app/blue.gif"
cat >"$work/launcher" <<'STANDIN'
#!/bin/sh
# Stand-in for the launcher: stays, as a program started after a change does.
echo $$ >"$(dirname "$0")/launcher.pid"
exec sleep 300
STANDIN
chmod +x "$work/launcher"
crlf() { printf '%s\r\n' "$@"; }
# write_list TIMING_MODE
write_list() {
  {
    crlf '"Ver","1.30"' "$1" 0 '"[SubFolder]",2'
    crlf "\"$app/red.gif\",0,2,5" "\"$app/blue.gif\",0,2,5"
    crlf "\"[Lounch]\",\"$work/launcher\""
  } >"$app/List.txt"
}
write_list 0
crlf '#2020-01-01#' 1 '"現在の壁紙ファイル：'"$app/red.gif"'"' >"$app/WallPaper.log"

private_session
start_x_server 640x480x24
mkdir -p "$work/run-systemd/system"
mount --bind "$work/run-systemd" /run/systemd
# Only what a user manager has at log-on: no display until the session
# imports it.
env -i HOME="$HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
  PATH="$PATH" LANG=C.UTF-8 "$systemd" --user >"$work/systemd.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do
  [[ -S $XDG_RUNTIME_DIR/systemd/private ]] && break
  sleep 0.1
done
sctl() { timeout 30 systemctl --user "$@"; }
sctl is-system-running --wait >/dev/null 2>&1 || true
sctl show-environment >/dev/null || fail "the user manager did not start: $(cat "$work/systemd.log")"
units="$XDG_CONFIG_HOME/systemd/user"

# No display known to the user manager: refused, nothing written.
choice=$("$driver" "$app/Tivolen" 2 2>"$work/driver.err") && fail "a schedule without a display was made"
[[ $choice == NoDisplay ]] || fail "the driver said '$choice', not NoDisplay: $(cat "$work/driver.err")"
[[ ! -d $units ]] || fail "units were written without a display: $(ls "$units")"

sctl set-environment "DISPLAY=$DISPLAY"
choice=$("$driver" "$app/Tivolen" 2 2>"$work/driver.err") || fail "$(cat "$work/driver.err")"
[[ $choice == 2 ]] || fail "every 15 minutes read back as $choice"
timer=$(cd "$units" && ls -- *.timer)
name=${timer%.timer}
service="$name.service"
[[ $(sctl is-enabled "$timer") == enabled ]] || fail "$timer is not enabled"
[[ $(sctl is-active "$timer") == active ]] || fail "$timer is not active"
systemd-analyze --user verify "$units/$timer" "$units/$service" >"$work/verify" 2>&1 ||
  fail "systemd-analyze: $(cat "$work/verify")"

# What a run says goes to a file here (no journal); the timer fires in one
# second instead of fifteen minutes.
mkdir -p "$units/$service.d" "$units/$timer.d"
printf '[Service]\nStandardOutput=file:%s\nStandardError=file:%s\n' "$work/run.out" \
  "$work/run.err" >"$units/$service.d/test.conf"
# (AccuracySec too: systemd may otherwise put it off by up to a minute).
printf '[Timer]\nOnActiveSec=\nOnActiveSec=1s\nAccuracySec=100ms\n' >"$units/$timer.d/test.conf"
pixmap_before=$(xprop -root _XROOTPMAP_ID 2>&1 || true)
sctl daemon-reload
sctl restart "$timer"
for _ in $(seq 150); do
  grep -q blue.gif "$app/WallPaper.log" && break
  sleep 0.2
done
grep -q blue.gif "$app/WallPaper.log" || fail "the timer did not change the wallpaper: \
$(sctl status "$service" 2>&1 | head -n 20); $(cat "$work/run.err" 2>/dev/null)"
for _ in $(seq 50); do
  [[ $(sctl is-active "$service" || true) == inactive ]] && break
  sleep 0.2
done
[[ $(sctl show -p Result --value "$service") == success ]] || fail "the run failed"
[[ "$(xprop -root _XROOTPMAP_ID 2>&1 || true)" != "$pixmap_before" ]] ||
  fail "the root window kept its background"
[[ -s $work/launcher.pid ]] || fail "the launcher did not start"
launcher=$(cat "$work/launcher.pid")
started+=("$launcher")
sleep 1
kill -0 "$launcher" 2>/dev/null || fail "the launcher ended with the service"
[[ ! -s $work/run.err ]] || fail "the run said: $(cat "$work/run.err")"
rm -f "$units/$timer.d/test.conf"
sctl daemon-reload
sctl restart "$timer"

# start_run: the service once, as the timer starts it; its status in $status.
start_run() {
  : >"$work/run.err"
  sctl start "$service" || fail "systemctl start $service failed"
  status=$(sctl show -p ExecMainStatus --value "$service")
  [[ $(sctl show -p Result --value "$service") == success ]] ||
    fail "the run counted as failed (status $status): $(cat "$work/run.err")"
}

# The date, as the timing mode asks, has not changed since that run.
write_list 1
cp "$app/WallPaper.log" "$work/log-before"
start_run
cmp -s "$app/WallPaper.log" "$work/log-before" || fail "a run with no change due changed the log"
[[ ! -s $work/run.err ]] || fail "a run with no change due said: $(cat "$work/run.err")"

# The session has ended: no display. Nothing changes, nothing is said, and
# systemd counts the "no desktop" status as success.
write_list 0
sctl unset-environment DISPLAY
start_run
((status == 3)) || fail "a run without a display ended with $status, not 3"
cmp -s "$app/WallPaper.log" "$work/log-before" || fail "a run without a display changed the log"
[[ ! -s $work/run.err ]] || fail "a run without a display said: $(cat "$work/run.err")"
sctl set-environment "DISPLAY=$DISPLAY"

# The install was removed: its units do nothing.
mv "$app/Tivolen" "$work/Tivolen.away"
sctl start "$service"
[[ $(sctl show -p ConditionResult --value "$service") == no ]] ||
  fail "the units of a removed changer still ran it"
cmp -s "$app/WallPaper.log" "$work/log-before" || fail "a removed changer changed the log"
mv "$work/Tivolen.away" "$app/Tivolen"

# Off removes the timer and the service.
choice=$("$driver" "$app/Tivolen" 0 2>"$work/driver.err") || fail "$(cat "$work/driver.err")"
[[ $choice == 0 ]] || fail "off read back as $choice"
[[ ! -e $units/$timer && ! -e $units/$service ]] || fail "the units are still there"
sctl list-timers --all --no-legend | grep -q "$name" && fail "the timer is still loaded"

echo "PASS"

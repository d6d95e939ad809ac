# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the whole-program tests under Wine. Ends the test as skipped
# (77) when Wine is missing; otherwise gives it a scratch folder $work with
# a private HOME and XDG folders, a Japanese system (code page 932 for the
# A functions and the console), a virtual X screen of 1024x768 (or
# $wine_screen, as Xvfb writes it) and a fresh
# 64-bit Wine prefix whose one server stays up for every program start. All
# of it goes at exit (KEEP=1 keeps $work). fail reports, with what the
# programs wrote to $work/stderr, and ends. A test that needs no screen sets
# wine_without_display=1 before sourcing: no X server is started.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"

if ! command -v wine >/dev/null; then
  echo "wine is not installed" >&2
  exit 77
fi

work=$(mktemp -d)
cleanup() {
  xdotool keyup shift 2>/dev/null || true
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  stop_x_server
  [[ -n "${KEEP:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [[ -f "$work/stderr" ]] && sed 's/^/  stderr: /' "$work/stderr" >&2
  exit 1
}

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No menu entries, .NET or Gecko installers in a throw-away prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [[ -n "${wine_without_display:-}" ]]; then
  unset DISPLAY
else
  start_x_server "${wine_screen:-1024x768x24}"
fi
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1 || fail "wineboot"
if [[ -n "${wine_without_display:-}" ]]; then
  # Without a graphics driver COM cannot make its apartment window, so RpcSs
  # and every service needing it (the Task Scheduler) never start. Wine's
  # null driver gives windows that draw nowhere; the services it started
  # without one go with the server.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 ||
    fail "choosing Wine's null graphics driver"
  wineserver -k
  wineserver -w
  wineserver -p
  wineboot >/dev/null 2>&1 || fail "wineboot with the null graphics driver"
fi

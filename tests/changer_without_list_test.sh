#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen in a fresh application directory with no List.txt, under
# its own Xvfb: the first run writes the autostart entry, shows its message
# (answered here with xdotool), starts the 管理 beside it and exits 0; the
# second run shows nothing and starts 管理 again. HOME and the XDG folders
# point into a temporary folder, so the user's real folders are never touched.
# Usage: changer_without_list_test.sh PATH_TO_TIVOLEN
set -euo pipefail
tivolen=$1
# shellcheck source=tests/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

# An application directory whose name needs quoting in a desktop entry.
app="$work/壁紙 \$apps"
mkdir -p "$app"
cp "$tivolen" "$app/Tivolen"
# What needs Qt comes from the module beside it.
cp "$(dirname "$tivolen")/libtivolen-qt.so" "$app/"
cat >"$app/管理" <<'STANDIN'
#!/bin/sh
# Stand-in for the manager: records that it was started, and how.
here=$(dirname "$0")
{ echo "started"; echo "args=$#"; } >>"$here/manager-started"
STANDIN
chmod +x "$app/管理"

private_session
start_x_server 1024x768x24

wait_for_file() {
  local tries=0
  until [[ -s "$1" ]]; do
    ((tries < 100)) || return 1
    sleep 0.1
    tries=$((tries + 1))
  done
}

entry="$XDG_CONFIG_HOME/autostart/壁紙変更.desktop"

# First run: the autostart entry and its message come before the manager.
"$app/Tivolen" 2>"$work/first.err" &
changer=$!
started+=("$changer")
window=$(timeout 20 xdotool search --sync --name '^壁紙の変更$' | head -n1) ||
  fail "no message box appeared; stderr: $(cat "$work/first.err")"
[[ -f "$entry" ]] || fail "the message box came before the autostart entry was written"
[[ ! -e "$app/manager-started" ]] || fail "the manager started before the message was answered"
xdotool windowfocus --sync "$window" key Return
status=0
timeout 20 tail --pid="$changer" -f /dev/null || fail "Tivolen did not end after the message"
wait "$changer" || status=$?
((status == 0)) || fail "first run exited with $status"

grep -q 'スタートアップにショートカットを作成しました。' "$work/first.err" ||
  fail "the message was not on stderr: $(cat "$work/first.err")"
wait_for_file "$app/manager-started" || fail "管理 was not started"
grep -qx 'args=0' "$app/manager-started" || fail "管理 was given arguments"
grep -qxF 'Exec="'"${app//\$/\\\\\$}"'/Tivolen"' "$entry" ||
  fail "unexpected Exec line: $(grep '^Exec=' "$entry")"
grep -qxF "Path=$app" "$entry" || fail "unexpected Path line: $(grep '^Path=' "$entry")"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the autostart entry is not valid"
fi
[[ ! -e "$app/List.txt" && ! -e "$app/WallPaper.log" && ! -e "$app/wallpaper.bmp" ]] ||
  fail "a run without a list wrote files"

# Second run: the entry exists, so nothing is shown; 管理 starts again.
rm "$app/manager-started"
timeout 20 "$app/Tivolen" 2>"$work/second.err" || fail "second run failed with $?"
[[ ! -s "$work/second.err" ]] || fail "second run said: $(cat "$work/second.err")"
wait_for_file "$app/manager-started" || fail "管理 was not started on the second run"

echo "PASS"

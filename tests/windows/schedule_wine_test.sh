#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The schedule as Wine's Task Scheduler keeps it, set through its COM
# interface as the manager sets it: every 30 minutes, then when the date
# changes, then off. After each choice the task is read back through COM, and
# the definition Wine stores (system32\Tasks) must start this Tivolen.exe
# with --scheduled from its folder, only while the user is logged on, with
# the chosen trigger; off deletes it. Wine 8's Task Scheduler stores a task
# without its trigger and program (its own "stub" notes say so): there the
# choice must be refused with the reason, and no task be left behind.
# Usage: schedule_wine_test.sh PATH_TO_SCHEDULE_DRIVER_EXE PATH_TO_TIVOLEN_EXE
set -euo pipefail
driver=$1
exe=$2
# The schedule needs no screen.
wine_without_display=1
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "$0")/wine_session.sh"

app="$WINEPREFIX/drive_c/Tivolen app"
mkdir -p "$app"
cp "$exe" "$app/Tivolen.exe"
cp "$driver" "$work/schedule_driver.exe"
changer='C:\Tivolen app\Tivolen.exe'
# Wine 8 keeps them in "tasks".
tasks=$(find "$WINEPREFIX/drive_c/windows/system32" -maxdepth 1 -iname tasks -print -quit)
tasks=${tasks:-$WINEPREFIX/drive_c/windows/system32/Tasks}

# Windows always runs the Task Scheduler service; Wine starts it on demand
# only, and without it raises an RPC exception in the client.
# Right after wineboot the service database may still be locked.
started_service=
for _ in $(seq 5); do
  if wine net start Schedule >"$work/net" 2>&1; then
    started_service=1
    break
  fi
  sleep 2
done
[[ -n $started_service ]] ||
  fail "Wine's Task Scheduler service did not start: $(iconv -f CP932 -t UTF-8 "$work/net")"

# choose CHOICE: the driver's answer (the choice read back) in $choice, its
# status in $chosen; what Wine's Task Scheduler notes as unfinished in
# $work/notes.
choose() {
  chosen=0
  WINEDEBUG=-all,fixme+taskschd wine "$work/schedule_driver.exe" "$changer" ${1:+"$1"} \
    >"$work/choice" 2>"$work/notes" || chosen=$?
  choice=$(tr -d '\r' <"$work/choice")
  cat "$work/notes" >>"$work/stderr"
}
# The stored definition of the one task, as UTF-8 text.
definition() {
  local files=("$tasks"/tivolen-*)
  [[ ${#files[@]} == 1 && -f ${files[0]} ]] || fail "no single task stored: ${files[*]}"
  task=$(basename "${files[0]}")
  if [[ $(head -c2 "${files[0]}" | od -An -tx1 | tr -d ' ') == fffe ]]; then
    iconv -f UTF-16 -t UTF-8 "${files[0]}"
  else
    cat "${files[0]}"
  fi
}

choose 3
if grep -q 'read_triggers stub' "$work/notes"; then
  [[ $chosen != 0 ]] || fail "a task kept without its trigger was reported as set ('$choice')"
  grep -q 'タスク スケジューラーがタスクを登録しましたが' "$work/notes" ||
    fail "the refusal does not say why: $(cat "$work/notes")"
  compgen -G "$tasks/tivolen-*" >/dev/null && fail "the task that cannot run was left: $(ls "$tasks")"
  choose
  [[ $chosen == 0 && $choice == 0 ]] || fail "after the refusal the schedule read back as '$choice'"
  choose 0
  [[ $chosen == 0 && $choice == 0 ]] || fail "off read back as '$choice'"
  echo "this Wine's Task Scheduler keeps no trigger: the choice was refused, saying why, and no task was left"
  echo "PASS"
  exit 0
fi
[[ $chosen == 0 ]] || fail "choosing every 30 minutes failed"
[[ $choice == 3 ]] || fail "every 30 minutes read back as '$choice'"
definition >"$work/task.xml"
for part in '<Command>C:\Tivolen app\Tivolen.exe</Command>' '<Arguments>--scheduled</Arguments>' \
  '<WorkingDirectory>C:\Tivolen app</WorkingDirectory>' '<LogonType>InteractiveToken</LogonType>' \
  '<Interval>PT30M</Interval>'; do
  grep -qF "$part" "$work/task.xml" || fail "$part missing in: $(cat "$work/task.xml")"
done
# Wine's schtasks has no /query before some version (it says so as a FIXME);
# where it has one, our task must be listed.
WINEDEBUG=fixme+schtasks wine schtasks /query >"$work/query" 2>"$work/query.err" || true
if grep -q 'Unsupported command L"/query"' "$work/query.err"; then
  echo "this Wine's schtasks has no /query; the task was read back through COM and its stored definition checked"
else
  grep -q "$task" "$work/query" || fail "schtasks /query does not list $task: $(cat "$work/query")"
  echo "schtasks /query lists $task"
fi

choose 1
[[ $chosen == 0 && $choice == 1 ]] || fail "the date change read back as '$choice'"
definition >"$work/task.xml"
grep -qF '<DaysInterval>1</DaysInterval>' "$work/task.xml" || fail "no daily trigger: $(cat "$work/task.xml")"
grep -qF '<Interval>' "$work/task.xml" && fail "the interval stayed: $(cat "$work/task.xml")"

choose 0
[[ $chosen == 0 && $choice == 0 ]] || fail "off read back as '$choice'"
compgen -G "$tasks/tivolen-*" >/dev/null && fail "the task is still stored"

echo "PASS"

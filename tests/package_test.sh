#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages built by scripts/package.sh: the file list and fields,
# lintian --pedantic without errors or warnings, the menu entry and AppStream
# data validated; then the package installed with apt-get
# --no-install-recommends (removed again at the end when it was not installed
# before) and its programs run under Xvfb with a private home. The first run
# writes only in the data folder, never beside the programs; the entries it
# writes point at the installed programs and icon; the changer and the
# manager read the same list; ヘルプ opens the installed help page; and
# --navigator opens the navigator. Installing needs root (skipped otherwise).
# Usage: package_test.sh [PACKAGE_BUILD_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
package_build=${1:-${TIVOLEN_PACKAGE_BUILD_DIR:-$root/build-package}}
# shellcheck source=scripts/x_server.sh
source "$root/scripts/x_server.sh"

debs=("$package_build"/tivolen_*_amd64.deb)
if [[ ! -f ${debs[0]} ]]; then
  echo "SKIP: no package in $package_build (run scripts/package.sh)" >&2
  exit 77
fi
deb=${debs[0]}
dbgsym=$(echo "$package_build"/tivolen-dbgsym_*_amd64.deb)

work=$(mktemp -d)
started=()
installed_here=false
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  stop_x_server
  if $installed_here; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 remove -y tivolen \
      >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The file list, exactly.
expected=(
  ./usr/bin/tivolen
  ./usr/bin/tivolen-manager
  ./usr/lib/tivolen/Tivolen
  ./usr/lib/tivolen/libtivolen-qt.so
  ./usr/lib/tivolen/管理
  ./usr/share/applications/io.github.tivolen.tivolen.desktop
  ./usr/share/doc/tivolen/README.md
  ./usr/share/doc/tivolen/changelog.gz
  ./usr/share/doc/tivolen/copyright
  ./usr/share/icons/hicolor/scalable/apps/tivolen.svg
  ./usr/share/man/man1/tivolen-manager.1.gz
  ./usr/share/man/man1/tivolen.1.gz
  ./usr/share/metainfo/io.github.tivolen.tivolen.metainfo.xml
  ./usr/share/tivolen/help.htm
)
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | LC_ALL=C sort)
diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(printf '%s\n' "$actual") ||
  fail "the package's files differ from the list above"
[[ -f $dbgsym ]] || fail "no -dbgsym package beside $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6gui6 libturbojpeg0 libheif1 libx11-6 qt6-qpa-plugins qt6-image-formats-plugins; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
[[ $(dpkg-deb -f "$deb" Architecture) == amd64 ]] || fail "not amd64"
# The about page names the version CMake builds; the package must carry the same.
project_version=$(sed -nE 's/^project\(Tivolen VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
[[ $(dpkg-deb -f "$deb" Version) == "$project_version" ]] ||
  fail "package version $(dpkg-deb -f "$deb" Version), CMakeLists.txt $project_version: update debian/changelog"
# No maintainer scripts: installing, upgrading and removing never reach a home.
scripts=$(dpkg-deb -I "$deb" | grep -E '(pre|post)(inst|rm)' || true)
[[ -z $scripts ]] || fail "maintainer scripts: $scripts"

lintian --pedantic --fail-on error,warning "$deb" "$dbgsym" >"$work/lintian" 2>&1 ||
  fail "lintian: $(cat "$work/lintian")"
cat "$work/lintian"

unpacked="$work/root"
dpkg-deb -x "$deb" "$unpacked"
menu_entry="$unpacked/usr/share/applications/io.github.tivolen.tivolen.desktop"
desktop-file-validate "$menu_entry" || fail "the package's menu entry is not valid"
grep -qxF 'Exec=/usr/bin/tivolen-manager' "$menu_entry" || fail "the menu entry does not run /usr/bin/tivolen-manager"
grep -qxF 'Exec=/usr/bin/tivolen --navigator' "$menu_entry" ||
  fail "the package's menu entry has no navigator action"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/io.github.tivolen.tivolen.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"

if ((EUID != 0)); then
  echo "SKIP: installing the package needs root" >&2
  exit 77
fi
if ! dpkg-query -W -f='${Status}' tivolen 2>/dev/null | grep -q 'install ok installed'; then
  installed_here=true
fi
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y \
  --no-install-recommends --allow-downgrades "$(realpath "$deb")" >"$work/apt" 2>&1 ||
  fail "apt-get could not install the package: $(cat "$work/apt")"
programs=/usr/lib/tivolen
[[ $(readlink -f /usr/bin/tivolen-manager) == "$programs/管理" ]] ||
  fail "tivolen-manager does not lead to 管理"
icon=/usr/share/icons/hicolor/scalable/apps/tivolen.svg

home="$work/home"
mkdir -p "$home"
export HOME="$home"
# The data folder follows the XDG defaults when nothing is set.
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY \
  QT_QPA_PLATFORM SESSION_MANAGER
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
data="$home/.local/share/tivolen"
start_x_server 1024x768x24
program_files() { (cd "$programs" && find . | LC_ALL=C sort); }
before=$(program_files)

wait_for() {
  local tries=0
  until "$@"; do
    ((tries < 200)) || return 1
    sleep 0.1
    tries=$((tries + 1))
  done
}
window_named() { timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1; }
# Ends a window's program by its PID, as at log-off (the manager saves its
# list on SIGTERM), answering with Return what it still has to say.
end_window_program() {
  local pid tries=0 box
  pid=$(xdotool getwindowpid "$1")
  kill -TERM "$pid"
  until ended "$pid"; do
    ((tries < 200)) || fail "process $pid did not end"
    for box in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$box" 2>/dev/null)" || continue
      ((HEIGHT > 300)) || xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    done
    sleep 0.1
    tries=$((tries + 1))
  done
}
# Gone, or a zombie: the manager the changer starts is not our child, and
# its new parent may reap it late.
ended() { [[ $(ps -o stat= -p "$1" || true) != [^Z]* ]]; }

# The manager's main window, once its start-up questions and messages (same
# caption, smaller) have been answered with Return, which means OK.
manager_main_window() {
  local tries=0 window main boxes
  while ((tries < 200)); do
    main=
    boxes=0
    for window in $(xdotool search --onlyvisible --name '^壁紙の設定$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
      if ((HEIGHT > 300)); then
        main=$window
      else
        boxes=$((boxes + 1))
        xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
      fi
    done
    if [[ -n $main ]] && ((boxes == 0)); then
      echo "$main"
      return 0
    fi
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}

# First run, no list: the autostart entry and its message, then the manager
# from the program folder, which asks about the menu entry (OK); an empty
# list is not saved ("リストがありません" at closing).
/usr/bin/tivolen 2>"$work/first.err" &
started+=($!)
message=$(window_named '壁紙の変更') || fail "no first-run message: $(cat "$work/first.err")"
xdotool windowfocus --sync "$message" key Return
manager_window=$(manager_main_window) || fail "the manager's window did not appear"
# Docks match a window to its menu entry by the class the window really has.
wm_class=$(xprop -id "$manager_window" WM_CLASS | sed -E 's/.*= "([^"]*)".*/\1/')
end_window_program "$manager_window"
for entry in /usr/share/applications/io.github.tivolen.tivolen.desktop \
  "$home/.local/share/applications/壁紙変更.desktop"; do
  grep -qxF "StartupWMClass=$wm_class" "$entry" ||
    fail "$entry does not name the window class $wm_class: $(grep StartupWMClass "$entry")"
done
[[ -d $data ]] || fail "no data folder $data"
# Only the lock through which changers take turns may be there.
written=$(ls -A "$data" | grep -vxF .Tivolen.lock || true)
[[ -z $written ]] || fail "a run without a list wrote $written"
[[ $(program_files) == "$before" ]] || fail "files appeared beside the programs"

autostart="$home/.config/autostart/壁紙変更.desktop"
menu="$home/.local/share/applications/壁紙変更.desktop"
grep -qxF "Exec=\"$programs/Tivolen\"" "$autostart" || fail "autostart: $(cat "$autostart")"
grep -qxF "TryExec=$programs/Tivolen" "$autostart" || fail "autostart without TryExec"
for entry in "$autostart" "$menu"; do
  grep -qxF "Icon=$icon" "$entry" || fail "no icon in $entry: $(cat "$entry")"
done
grep -qxF "Exec=\"$programs/Tivolen\" --navigator" "$menu" || fail "menu entry: $(cat "$menu")"
for entry in "$autostart" "$menu"; do
  desktop-file-validate "$entry" || fail "invalid $entry"
  # systemd's autostart generator warns about entries marked executable.
  [[ $(stat -c %a "$entry") == 644 ]] || fail "$entry has mode $(stat -c %a "$entry")"
done

# A list with one picture, changed at every start: the changer reads it from
# the data folder and writes its log and wallpaper there.
/usr/bin/convert -size 64x48 xc:red "$work/赤 red.jpg"
/usr/bin/convert -size 64x48 xc:blue "$work/青 blue.jpg"
crlf() { printf '%s\r\n' "$@"; }
{
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2'
  crlf "\"$work/赤 red.jpg\",0,2,1" "\"$work/青 blue.jpg\",0,2,1"
} >"$data/List.txt"
timeout 30 "$programs/Tivolen" 2>"$work/run.err" || fail "the changer failed: $(cat "$work/run.err")"
grep -q '赤 red.jpg' "$data/WallPaper.log" || fail "the change log does not name the picture"
[[ -f $data/wallpaper.bmp ]] || fail "no wallpaper.bmp in the data folder"

# The manager reads that list and saves it back whole. Its window carries
# the installed icon, and ヘルプ hands the installed help page to the user's
# browser (a recorder here).
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n' "$work/opened" >"$work/recorder"
chmod +x "$work/recorder"
mkdir -p "$home/.local/share/applications" "$home/.config"
printf '[Desktop Entry]\nType=Application\nName=Recorder\nExec="%s" %%f\nMimeType=text/html;\n' \
  "$work/recorder" >"$home/.local/share/applications/recorder.desktop"
printf '[Default Applications]\ntext/html=recorder.desktop\n' >"$home/.config/mimeapps.list"
/usr/bin/tivolen-manager 2>"$work/manager.err" &
started+=($!)
window=$(manager_main_window) || fail "the manager did not open"
[[ $(xprop -id "$window" _NET_WM_ICON) == *'_NET_WM_ICON(CARDINAL) = '* ]] ||
  fail "the manager's window has no icon"
xdotool windowfocus --sync "$window" key ctrl+4 space
wait_for test -s "$work/opened" || fail "ヘルプ opened nothing: $(cat "$work/manager.err")"
[[ $(cat "$work/opened") == /usr/share/tivolen/help.htm ]] ||
  fail "ヘルプ opened $(cat "$work/opened"), not /usr/share/tivolen/help.htm"
end_window_program "$window"
grep -q '赤 red.jpg' "$data/List.txt" && grep -q '青 blue.jpg' "$data/List.txt" ||
  fail "the manager lost the list's pictures: $(cat "$data/List.txt")"

# --navigator: the navigator opens without Shift, and ">" steps from the red
# picture to the blue one in the list the manager saved.
"$programs/Tivolen" --navigator 2>"$work/navigator.err" &
navigator=$!
started+=($navigator)
window_named '壁紙の変更' >/dev/null || fail "--navigator opened nothing: $(cat "$work/navigator.err")"
xdotool mousemove 228 12 click 1
wait_for grep -q '青 blue.jpg' "$data/WallPaper.log" ||
  fail "the navigator's > did not step: $(cat "$data/WallPaper.log")"
kill -0 "$navigator" 2>/dev/null || fail "the navigator closed after its press"
kill "$navigator"

[[ $(program_files) == "$before" ]] || fail "files appeared beside the programs"
echo "PASS"

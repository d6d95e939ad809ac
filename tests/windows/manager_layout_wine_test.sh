#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real 管理.exe under Wine at 100 % and at 200 %, on a screen with room
# for both, read back from inside the window system page by page: every
# control shown lies inside the client area, no two overlap, a control that
# meets a group box lies wholly inside it, and no text is drawn wider than
# its control or taller than it. The window at 200 % is twice as large.
# The screen has room for the window at both scales: on a smaller one the
# window draws at a lower scale than the screen's, which the probe, reading
# the texts in the message font at the screen's scale, cannot know.
# Usage: manager_layout_wine_test.sh PATH_TO_管理_EXE PATH_TO_window_probe_EXE
# SHOTS=DIR keeps a picture of each page at each scale there.
set -euo pipefail
exe=$1
probe=$2
wine_screen=2560x1600x24
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"

app="$work/prefix/drive_c/壁紙 アプリ"
mkdir -p "$app"
cp "$exe" "$app/管理.exe"
cp "$probe" "$work/window_probe.exe"
/usr/bin/convert -size 320x200 gradient:orange-navy -quality 90 "$app/海辺の夕焼け.jpg"
# In random order, so the ratio's bar and its label show beside the row.
printf '%s\r\n' '"Ver","1.30"' 0 1 '"[SubFolder]",2' \
  '"C:\壁紙 アプリ\海辺の夕焼け.jpg",0,4,5' >"$app/List.txt"

title='壁紙の設定'
width_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { split($2, s, "x"); print s[1] }'; }
# The main window, the widest of those with its title; boxes share it. A
# box that comes first (the menu entry's question) is answered with Enter.
main_window() {  # least width of the main window
  local w width _
  for _ in $(seq 1 160); do
    for w in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); do
      width=$(width_of "$w")
      [[ -n "$width" ]] || continue
      if ((width >= $1)); then echo "$w"; return 0; fi
      xdotool windowfocus --sync "$w" key Return 2>/dev/null || true
    done
    sleep 0.25
  done
  return 1
}
probe() { wine "$work/window_probe.exe" "$title" 2>/dev/null | tr -d '\r'; }

# Fails with what is wrong with the shown controls of one page.
check_page() {  # name, probe output
  local faults
  faults=$(awk '
    function field(name,   i) {
      for (i = 1; i <= NF; ++i) if (index($i, name "=") == 1) return substr($i, length(name) + 2) + 0
      return ""
    }
    $1 == "client" { W = $2 + 0; H = $3 + 0 }
    $1 == "child" && field("shown") == 1 {
      n++; id[n] = field("id"); kind[n] = $2; x[n] = field("x"); y[n] = field("y")
      w[n] = field("w"); h[n] = field("h"); group[n] = field("group"); text[n] = field("text")
      line[n] = field("height"); if (line[n] < 0) line[n] = -line[n]
    }
    function meets(a, b) {
      return x[a] < x[b] + w[b] && x[b] < x[a] + w[a] && y[a] < y[b] + h[b] && y[b] < y[a] + h[a]
    }
    function holds(a, b) {
      return x[b] >= x[a] && y[b] >= y[a] && x[b] + w[b] <= x[a] + w[a] && y[b] + h[b] <= y[a] + h[a]
    }
    END {
      if (n == 0) print "no control shown"
      for (a = 1; a <= n; ++a) {
        if (x[a] < 0 || y[a] < 0 || x[a] + w[a] > W || y[a] + h[a] > H)
          print "control " id[a] " at " x[a] "," y[a] " " w[a] "x" h[a] " leaves the client area " W "x" H
        # Room a control keeps beside its text: a radio or tick box its box.
        room = 0
        if (kind[a] == "Button") room = (id[a] >= 108 && id[a] <= 113) || id[a] == 124 ? 16 : 4
        if (group[a] == 1) room = 10
        # The message label wraps what it is given; the others keep a line.
        if (id[a] != 218 && (kind[a] == "Button" || kind[a] == "Static" || kind[a] == "SysLink") &&
            text[a] + room > w[a])
          print "control " id[a] " draws its text " text[a] " wide in " w[a] " pixels"
        if (group[a] != 1 && kind[a] != "ScrollBar" && h[a] < line[a])
          print "control " id[a] " is " h[a] " tall for a line of " line[a]
        for (b = a + 1; b <= n; ++b) {
          if (!meets(a, b)) continue
          if (group[a] == 1 && holds(a, b)) continue
          if (group[b] == 1 && holds(b, a)) continue
          print "controls " id[a] " and " id[b] " overlap"
        }
      }
    }' <<<"$2")
  [[ -z "$faults" ]] || fail "$1: $faults"
}

client_of() { awk '$1 == "client" { print $2 "x" $3 }' <<<"$1"; }

run_at() {  # percent
  local percent=$1 least=$((450 * $1 / 100)) page looks
  (cd "$app" && exec wine 管理.exe >>"$work/stderr" 2>&1) &
  manager=$!
  main=$(main_window "$least") || fail "the window did not open at $percent %"
  sleep 1
  for page in 1 2 3 4; do
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    xdotool key "ctrl+$page"
    # The row selected: its style, ratio and picture show.
    if ((page == 1)); then xdotool key Home; fi
    sleep 0.75
    looks=$(probe)
    grep -q "^dpi $((96 * percent / 100))\$" <<<"$looks" || fail "not at $percent %: $looks"
    if [[ -n "${SHOTS:-}" ]]; then
      mkdir -p "$SHOTS"
      import -window "$main" "$SHOTS/manager-$percent-page$page.png"
    fi
    check_page "page $page at $percent %" "$looks"
    echo "page $page at $percent %: client $(client_of "$looks")"
  done
  client=$(client_of "$looks")
  kill "$manager" 2>/dev/null || true
  wait "$manager" 2>/dev/null || true
}

echo "== at 100 %"
run_at 100
single=$client
echo "== at 200 %"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
# Wine reads the DPI once per session: a new one starts with the new value.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
run_at 200
IFS=x read -r w1 h1 <<<"$single"
IFS=x read -r w2 h2 <<<"$client"
# Twice as large, give or take what the font's sizes round to.
((w2 >= 2 * w1 - 8 && w2 <= 2 * w1 + 8 && h2 >= 2 * h1 - 8 && h2 <= 2 * h1 + 8)) ||
  fail "the client area is $single at 100 % and $client at 200 %"
echo "PASS"

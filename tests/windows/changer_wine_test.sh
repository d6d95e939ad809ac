#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real Tivolen.exe under Wine on a virtual X screen, in a scratch Wine
# prefix: the first run creates the Startup shell link and says so; then a
# change in each style 0-4 writes the registry layout values, sets the
# wallpaper to wallpaper.bmp (whose pixels must show the picture fitted to
# the screen) and a byte-exact change log; --navigator opens the navigator,
# whose ">" steps to the next picture, whose buttons and file label have
# tooltips, and which grows with the screen's scale (200 %). SHOTS=DIR
# keeps screenshots of the navigator there. Usage:
# changer_wine_test.sh PATH_TO_TIVOLEN_EXE PATH_TO_WINDOW_PROBE_EXE
set -euo pipefail
exe=$1
probe=$2
# shellcheck source=tests/windows/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"
magick=/usr/bin/convert
identify=/usr/bin/identify

app="$work/prefix/drive_c/壁紙 アプリ"
mkdir -p "$app"
cp "$exe" "$app/Tivolen.exe"
# Explorer, the taskbar and the Startup link show the program's own icon.
wrestool -l "$exe" | grep -q -- '--type=14 ' || fail "Tivolen.exe carries no icon"
win_app='C:\壁紙 アプリ'
# 2048 x 1024: left half red, right half blue; the top quarter green.
"$magick" -size 1024x1024 xc:red -size 1024x1024 xc:blue +append \
  -fill lime -draw "rectangle 0,0 2047,255" -quality 92 "$app/wide.jpg"
# 100 x 80 halves, small enough to be tiled; and a bitmap used directly.
"$magick" -size 50x80 xc:red -size 50x80 xc:blue +append "$app/small.gif"
"$magick" -size 64x48 xc:blue BMP3:"$app/plain.bmp"

crlf() { printf '%s\r\n' "$@"; }
list_of() {  # style picture
  crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$win_app\\$2\",0,$1,5" >"$app/List.txt"
}
run_changer() {  # waits for the program, answering message boxes meanwhile
  (cd "$app" && wine Tivolen.exe >>"$work/stderr" 2>&1) &
  local pid=$!
  answer_message_boxes "壁紙の変更" "$pid" 60
  wait "$pid" || true
}
# The colour the desktop shows at screen point x,y, from wallpaper.bmp and
# the layout the registry asks for: centred, tiled or stretched over 1024x768.
screen_pixel() {
  local size bw bh bx by
  size=$("$identify" -format '%w %h' "$app/wallpaper.bmp")
  read -r bw bh <<<"$size"
  if [[ "$seen_tile" == 1 ]]; then
    bx=$(($1 % bw)) by=$(($2 % bh))
  elif [[ "$seen_style" == 2 ]]; then
    bx=$(($1 * bw / 1024)) by=$(($2 * bh / 768))
  else
    bx=$(($1 - (1024 - bw) / 2)) by=$(($2 - (768 - bh) / 2))
    if ((bx < 0 || by < 0 || bx >= bw || by >= bh)); then echo black; return; fi
  fi
  local rgb r g b
  rgb=$("$magick" "$app/wallpaper.bmp" -crop "1x1+$bx+$by" -depth 8 txt:- | tail -n1 |
    sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/')
  read -r r g b <<<"$rgb"
  if ((r > 200 && g < 60 && b < 60)); then echo red
  elif ((b > 200 && r < 60 && g < 60)); then echo blue
  elif ((g > 200 && r < 60 && b < 60)); then echo green
  elif ((r < 30 && g < 30 && b < 30)); then echo black
  else echo "other($r,$g,$b)"; fi
}
expect_pixel() {  # x y colour what
  local seen
  seen=$(screen_pixel "$1" "$2")
  [[ "$seen" == "$3" ]] || fail "$4: the screen at $1,$2 shows $seen, not $3"
}

echo "== first run: the Startup link and its message"
list_of 4 wide.jpg
run_changer
startup=$(find "$work/prefix/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" -maxdepth 1 -iname startup)
[[ -f "$startup/壁紙変更.lnk" ]] || fail "no 壁紙変更.lnk in the Startup folder"
grep -a -q "Tivolen.exe" <(iconv -f UTF-16LE -t UTF-8 "$startup/壁紙変更.lnk" 2>/dev/null ||
  cat "$startup/壁紙変更.lnk") || fail "the link does not point at Tivolen.exe"
grep -q "スタートアップにショートカットを作成しました。 / アンインストール" "$work/stderr" || fail "no first-run message: $(cat "$work/stderr")"

echo "== styles 0-4"
# style picture TileWallpaper Wallpaperstyle checks...
check_style() {
  local style=$1 picture=$2 tile=$3 wstyle=$4
  list_of "$style" "$picture"
  crlf '#2026-12-01#' 0 '"x"' >"$app/WallPaper.log"
  rm -f "$app/wallpaper.bmp"
  run_changer
  # One query for the three values: each start of reg.exe costs a second.
  local values
  values=$(wine reg query 'HKCU\Control Panel\Desktop' 2>/dev/null | tr -d '\r')
  seen_tile=$(awk '$1 == "TileWallpaper" { print $3 }' <<<"$values")
  seen_style=$(awk '$1 == "Wallpaperstyle" { print $3 }' <<<"$values")
  seen_wallpaper=$(awk '$1 == "Wallpaper" { $1 = ""; $2 = ""; sub(/^  /, ""); print }' <<<"$values")
  [[ "$seen_tile" == "$tile" ]] || fail "style $style: TileWallpaper $seen_tile"
  [[ "$seen_style" == "$wstyle" ]] || fail "style $style: Wallpaperstyle $seen_style"
  [[ "$seen_wallpaper" == *"wallpaper.bmp" || "$seen_wallpaper" == *"$picture" ]] ||
    fail "style $style: Wallpaper is $seen_wallpaper"
  [[ -f "$app/wallpaper.bmp" ]] || return 0
  local expected_log
  expected_log=$(crlf "#$(date +%Y-%m-%d)#" 1 "\"現在の壁紙ファイル：$win_app\\$picture\"" | od -An -tx1)
  [[ "$(od -An -tx1 <"$app/WallPaper.log")" == "$expected_log" ]] ||
    fail "style $style: WallPaper.log is $(cat -A "$app/WallPaper.log")"
}
# オート2 covers the screen: the green band is cut to the top, red left, blue right.
check_style 4 wide.jpg 0 0
expect_pixel 10 10 green "cover"
expect_pixel 10 700 red "cover"
expect_pixel 1000 700 blue "cover"
expect_pixel 300 100 green "cover"
# オート1 fits the whole picture: black bands above and below.
check_style 3 wide.jpg 0 0
expect_pixel 500 60 black "fit"
expect_pixel 500 700 black "fit"
expect_pixel 10 200 green "fit"
expect_pixel 10 400 red "fit"
expect_pixel 1000 400 blue "fit"
# 拡大: Wallpaperstyle 2, the desktop stretches the bitmap.
check_style 2 wide.jpg 0 2
expect_pixel 10 700 red "stretch"
# タイル: tiled by the desktop, the bitmap is the picture itself.
check_style 1 small.gif 1 1
expect_pixel 110 40 red "tile"
expect_pixel 990 740 blue "tile"
# 中央: a small picture alone in the middle.
check_style 0 small.gif 0 0
expect_pixel 10 10 black "centred"
expect_pixel 500 384 red "centred"
expect_pixel 530 384 blue "centred"
# A bitmap in an automatic style is handed over as it is.
check_style 4 plain.bmp 0 4
[[ "$seen_wallpaper" == *'plain.bmp' ]] || fail "the bitmap was not used directly"

echo "== --navigator opens the navigator; > steps on"
# Wine learns the keyboard only from events to its own windows, so Shift
# held before the start cannot be seen here; the option opens the same form.
crlf '"Ver","1.30"' 0 0 '"[SubFolder]",2' "\"$win_app\\wide.jpg\",0,4,5" \
  "\"$win_app\\small.gif\",0,3,5" >"$app/List.txt"
crlf '#2026-12-01#' 1 "\"現在の壁紙ファイル：$win_app\\wide.jpg\"" >"$app/WallPaper.log"
(cd "$app" && wine Tivolen.exe --navigator >>"$work/stderr" 2>&1) &
navigator=$!
window=
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name '^壁紙の変更$' 2>/dev/null | head -n1 || true)
  [[ -n "$window" ]] && break
  sleep 0.25
done
[[ -n "$window" ]] || fail "the navigator did not open"
# The label shows the logged file once the form has read the log.
sleep 1
# ">" sits at 192,0 (73 x 24) in the form.
xdotool mousemove --window "$window" 228 12 click 1
for _ in $(seq 1 40); do
  grep -q 'small.gif' "$app/WallPaper.log" && break
  sleep 0.25
done
[[ "$(sed -n 2p "$app/WallPaper.log" | tr -d '\r')" == 2 ]] ||
  fail "> did not step to position 2: $(cat -A "$app/WallPaper.log")"
grep -q 'small.gif' "$app/WallPaper.log" || fail "> did not choose small.gif"

cp "$probe" "$work/window_probe.exe"
probe_navigator() { wine "$work/window_probe.exe" 壁紙の変更 2>/dev/null | tr -d '\r'; }
# The child of that id's width in pixels.
width_of_control() { awk -v id="id=$1" '$1 == "child" && $3 == id { sub("w=", "", $6); print $6 }'; }
looks=$(probe_navigator)
grep -q '^child' <<<"$looks" || fail "the probe saw no navigator: $looks"
tools=$(sed -n 's/^tools //p' <<<"$looks")
((tools >= 5)) || fail "the navigator has $tools tooltips, not one per button and the file label"
[[ "$(width_of_control 103 <<<"$looks")" == 73 ]] || fail "> is not 73 pixels wide at 100 %: $looks"
if [[ -n "${SHOTS:-}" ]]; then mkdir -p "$SHOTS" && import -window root "$SHOTS/navigator-100.png"; fi
kill "$navigator" 2>/dev/null || true
wait "$navigator" 2>/dev/null || true

echo "== the navigator at 200 %"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
# Wine reads the DPI once per session: a new one starts with the new value.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
(cd "$app" && wine Tivolen.exe --navigator >>"$work/stderr" 2>&1) &
navigator=$!
looks=
for _ in $(seq 1 120); do
  # The session is starting again: the probe may find no window system yet.
  looks=$(probe_navigator) || true
  grep -q '^child' <<<"$looks" && break
  sleep 0.25
done
wide=$(width_of_control 103 <<<"$looks")
[[ -n "$wide" ]] && ((wide >= 144 && wide <= 148)) ||
  fail "> is not twice as wide at 200 %: $looks"
if [[ -n "${SHOTS:-}" ]]; then sleep 1 && import -window root "$SHOTS/navigator-200.png"; fi
kill "$navigator" 2>/dev/null || true
echo "PASS"

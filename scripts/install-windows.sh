#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the Windows build and its tests need: MinGW-w64 with posix threads,
# GoogleTest's sources to build for Windows, Wine to run the programs, and a
# Japanese UTF-8 locale so Wine runs as a Japanese system (code page 932)
# and can name the Unix side's Japanese folders; the icon is drawn from the
# project's SVG with rsvg-convert and packed with icotool; the manager's test
# builds its drag source (XDND) with gcc against Xlib.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"
install_packages install-windows g++-mingw-w64-x86-64-posix googletest wine wine64 locales \
  librsvg2-bin icoutils gcc libx11-dev \
  fonts-noto-cjk

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=()
  if ((EUID != 0)); then sudo=(sudo); fi
  "${sudo[@]}" sed -i -E 's/^# *(ja_JP\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo[@]}" locale-gen
fi

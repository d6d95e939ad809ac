#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Linux desktops that the desktop tests drive for real (XFCE's
# xfdesktop, LXQt's pcmanfm-qt, LXDE's pcmanfm, sway with swaybg and grim,
# KDE Plasma's plasmashell) and the tools those tests use. Kept apart from
# install-deps.sh because only the desktop tests need them; without
# recommends it takes a few minutes, most of them Plasma's. apt is skipped
# when everything is already there.
set -euo pipefail

packages=(
  xvfb
  dbus
  dbus-bin
  x11-utils
  xfdesktop4
  xfconf
  pcmanfm-qt
  pcmanfm
  sway
  swaybg
  grim
  nodejs
  plasma-desktop
)

source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"
install_packages install-desktops "${packages[@]}"

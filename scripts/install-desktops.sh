#!/usr/bin/env bash
# Installs the Linux desktops that the desktop tests drive for real (XFCE's
# xfdesktop, LXQt's pcmanfm-qt, LXDE's pcmanfm, sway with swaybg and grim)
# and the tools those tests use. Kept apart from install-deps.sh because only
# the desktop tests need them; without recommends it takes well under a
# minute. apt is skipped when everything is already there.
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
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "install-desktops: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "install-desktops: installing ${missing[*]}"
sudo=()
if ((EUID != 0)); then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run its
# demo. One list for everyone: add a package here when you start to need it.
# apt is skipped when everything is already there, so repeated runs are fast.
set -euo pipefail

packages=(
  # build
  build-essential
  cmake
  ninja-build
  pkg-config
  git
  clang-format
  qt6-base-dev
  libx11-dev
  libglib2.0-dev
  libturbojpeg0-dev
  libxrandr-dev
  # tests and benchmarks
  libgtest-dev
  libbenchmark-dev
  xvfb
  xdotool
  x11-apps
  x11-utils
  imagemagick
  fonts-noto-cjk
  dbus-x11
  desktop-file-utils
  hyperfine
  jq
  time
  gsettings-desktop-schemas
  libglib2.0-bin
  dconf-gsettings-backend
  dconf-service
  dbus-daemon
  xwallpaper
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if ((EUID != 0)); then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
  libjpeg62-turbo-dev
  libxrandr-dev
  libxext-dev
  # HEIC/HEIF and AVIF (libheif1 brings libde265 for HEVC and dav1d/aom for
  # AV1; the x265 and aom encoders let the tests write such files)
  libheif-dev
  # grids of HEVC tiles, as phones save photos, decoded tile by tile
  libde265-dev
  # PNG without Qt (libpng, and libdeflate inflating plain ones in one go),
  # and pixman's SIMD scaling
  libpng-dev
  libdeflate-dev
  libpixman-1-dev
  # WebP without Qt, cropped and scaled while it decodes; cwebp for the
  # fuzzing seeds
  libwebp-dev
  webp
  # WebP through Qt's image plugins
  qt6-image-formats-plugins
  # the project's SVG icon on the windows (Qt's SVG icon engine)
  libqt6svg6
  # message boxes and the navigator in Wayland sessions without XWayland
  qt6-wayland
  # Qt's own Japanese texts for standard buttons and context menus
  qt6-translations-l10n
  # tests and benchmarks
  libgtest-dev
  # the hostile-picture tests write 16-bit PNGs with zlib
  zlib1g-dev
  # the fuzz targets: clang with its libFuzzer and sanitizer runtimes
  clang
  libclang-rt-dev
  libbenchmark-dev
  # helgrind watches the threads that talk to the X server
  valgrind
  xvfb
  xdotool
  # file types for the document opener's test (.htm is a web page)
  shared-mime-info
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
  # the schedule: systemd-analyze checks the units, and a user manager of the
  # test's own fires them (util-linux's unshare gives it a /run/systemd)
  systemd
  xwallpaper
  # bench/real_wallpapers.sh: WebP beside feh, which xwallpaper cannot read
  feh
  # the Debian package: debian/ and its checks (dpkg-dev comes with
  # build-essential)
  debhelper
  lintian
  appstream
)

source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"
install_packages install-deps "${packages[@]}"

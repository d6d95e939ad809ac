#!/usr/bin/env bash
# Builds the Debian package tivolen_<version>_amd64.deb with CPack into
# build-package/ (or $TIVOLEN_PACKAGE_BUILD_DIR). The package's programs keep
# the user's files in $XDG_DATA_HOME/tivolen (TIVOLEN_DATA_IN_HOME); the
# portable build in build/ is not affected. Debian's hardening flags come
# from dpkg-buildflags, the dependencies from dpkg-shlibdeps.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_PACKAGE_BUILD_DIR:-$root/build-package}

cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CPPFLAGS CXXFLAGS LDFLAGS
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIVOLEN_DATA_IN_HOME=ON \
  -DTIVOLEN_BUILD_TESTS=OFF -DTIVOLEN_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"

# dpkg-shlibdeps is run here rather than by CPack: CPack 3.25 finds the
# programs through file(1), which prints the name 管理 as octal escapes, and
# then cannot open it. Qt's image format plugins (WebP) are loaded at run
# time, so no library names them.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/debian"
touch "$work/debian/control"
shlibs=$(cd "$work" && dpkg-shlibdeps -O --ignore-missing-info "$build/app/Tivolen" "$build/app/管理")
depends="${shlibs#shlibs:Depends=}, qt6-image-formats-plugins"

rm -f "$build"/tivolen_*.deb
(cd "$build" && cpack -G DEB -D "CPACK_DEBIAN_PACKAGE_DEPENDS=$depends")
ls "$build"/tivolen_*_amd64.deb

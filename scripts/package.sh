#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from debian/ with dpkg-buildpackage into
# build-package/ (or $TIVOLEN_PACKAGE_BUILD_DIR): tivolen_<version>_amd64.deb
# and tivolen-dbgsym_<version>_amd64.deb. The build runs in a copy of the
# source (the files git knows, as they are in the working tree), so the
# checkout stays clean and the results land here rather than in the
# checkout's parent folder, where dpkg-buildpackage puts them.
#
# --check-reproducible: build a second time from a copy in another folder and
# require byte-identical packages; on a difference, show where the two differ.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TIVOLEN_PACKAGE_BUILD_DIR:-$root/build-package}
check=false
case ${1:-} in
  --check-reproducible) check=true ;;
  "") ;;
  *)
    echo "usage: $0 [--check-reproducible]" >&2
    exit 2
    ;;
esac

"$root/scripts/install-deps.sh"

# Copies the source to $1/tivolen and builds there; the packages land in $1.
build_in() {
  local out=$1
  rm -rf "$out"
  mkdir -p "$out/tivolen"
  if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    # Files deleted but not yet committed are skipped, as in the working tree.
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
      tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$out/tivolen"
  else
    tar -C "$root" --exclude='./build*' -cf - . | tar -xf - -C "$out/tivolen"
  fi
  (cd "$out/tivolen" && dpkg-buildpackage -us -uc -b -J"$(nproc)")
  # The copy is spent; the build folder keeps only the results.
  rm -rf "$out/tivolen"
}

rm -f "$build"/tivolen*.deb "$build"/tivolen_*.buildinfo "$build"/tivolen_*.changes
mkdir -p "$build"
# Older builds made with CMake directly left a tree here; dpkg-buildpackage
# needs only an empty folder for its results.
build_in "$build/dpkg"
mv "$build"/dpkg/tivolen* "$build"/
rmdir "$build/dpkg"
ls "$build"/tivolen*.deb

if $check; then
  again="$build/again/second"
  build_in "$again"
  different=0
  for deb in "$build"/tivolen*.deb; do
    other="$again/$(basename "$deb")"
    if cmp "$deb" "$other"; then
      echo "reproducible: $(basename "$deb")"
      continue
    fi
    different=1
    echo "NOT REPRODUCIBLE: $(basename "$deb") differs between two builds" >&2
    diff <(dpkg-deb -I "$deb") <(dpkg-deb -I "$other") >&2 || true
    diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "$other") >&2 || true
    # The files whose bytes differ.
    mkdir -p "$again/first" "$again/second"
    dpkg-deb -x "$deb" "$again/first"
    dpkg-deb -x "$other" "$again/second"
    diff -rq "$again/first" "$again/second" >&2 || true
    rm -rf "$again/first" "$again/second"
  done
  rm -rf "$build/again"
  exit "$different"
fi

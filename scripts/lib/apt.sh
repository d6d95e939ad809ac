# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the install scripts: installs the Debian packages named after the
# caller's label, skipping apt entirely when all of them are already there.
install_packages() {
  local label=$1
  shift
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]} == 0)); then
    echo "$label: all $# packages are installed"
    return 0
  fi
  echo "$label: installing ${missing[*]}"
  local sudo=()
  if ((EUID != 0)); then sudo=(sudo); fi
  # Another install (an update notifier, a second script) may hold the lock:
  # wait for it rather than fail the whole set-up.
  local wait_lock=(-o DPkg::Lock::Timeout=900)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${wait_lock[@]}" update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${wait_lock[@]}" install -y --no-install-recommends "${missing[@]}"
}

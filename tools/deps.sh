#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing and packaging; with
# "bench", testing and benchmarking) needs.
# As root the missing ones are installed; otherwise the one command that would do it is printed.
set -euo pipefail

packages=(build-essential cmake pkg-config libgles-dev libegl-dev libx11-dev
          libxrandr-dev libxinerama-dev libxss-dev libegl-mesa0 libgl1-mesa-dri
          libopenal-dev libopenal1 libxkbcommon-dev libwayland-dev wayland-protocols
          libdecor-0-dev libdecor-0-plugin-1-cairo libpango1.0-dev libcairo2-dev)
if [[ ${1:-} == test || ${1:-} == bench ]]; then
  packages+=(libgtest-dev xvfb libxtst-dev desktop-file-utils
             libbenchmark-dev clang libclang-rt-dev valgrind
             libxdamage-dev dpkg-dev lintian appstream openbox tint2 x11-xserver-utils
             weston libweston-10-dev)
fi
if [[ ${1:-} == bench ]]; then
  packages+=(linux-perf x11-utils python3)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the project.
# Idempotent: asks apt only for packages that are missing, and updates its lists once.
# With --fuzz it adds clang and its libFuzzer and sanitizer runtimes for the fuzz build.
set -euo pipefail

packages=(
  build-essential g++ cmake pkg-config
  libgtest-dev libgmock-dev
  libsdl2-dev
  libjpeg62-turbo-dev
  libvorbis-dev libogg-dev
  libmpeg2-4-dev
  libgl-dev libgl1-mesa-dri
  libfreetype-dev fonts-dejavu-core
  libpng-dev  # the screenshot tool
  xvfb xauth
  iproute2
  git  # tests list the sources of the checkout
  rapidjson-dev libphysfs-dev  # only the benchmarks of bench/ compare with them
)
if [ "${1:-}" = --fuzz ]; then
  packages+=(clang libclang-rt-14-dev llvm-14)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run as root to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"

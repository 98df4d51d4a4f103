#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and is not
# yet present. Quiet and quick when everything is already there.
# Never installs wine32 or adds the i386 architecture: this kernel runs no 32-bit code.
set -euo pipefail

packages=(
  cmake make g++ libgtest-dev googletest
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 xvfb xauth
  fonts-liberation fonts-wine
  libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1
  python3 python3-pefile zip clang-format
)
[ "${WITH_BENCH:-0}" = 1 ] && packages+=(pulseaudio pulseaudio-utils sox procps)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

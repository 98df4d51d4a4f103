#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and is not
# yet present. Quiet and quick when everything is already there.
# Where this kernel runs 32-bit programs (scripts/runs32.sh), it also adds Debian's i386
# architecture and installs wine32, so that the 32-bit release can be run; where it
# does not, it installs neither.
#
# Usage: scripts/setup.sh [linux-game|web-game]
#   linux-game: only what building the Linux game needs (scripts/run-game.sh), no
#   wine, no cross compilers.
#   web-game: only what building and serving the browser game needs
#   (scripts/run-game.sh --web).
set -euo pipefail
cd "$(dirname "$0")/.."

# x11-utils: run-game.sh looks for a window manager with xprop; its test runs the small
# matchbox-window-manager. llvm-14 and clang-14: tests/static/check_rc_dialects.py compiles
# the resource script with llvm-rc too, which preprocesses it with the clang beside it.
# qt6-base-dev: the Linux game's window (Qt 6 Widgets, with Qt Test and the offscreen
# platform its tests use); libx11-dev and libxtst-dev: its benchmark's probes. libpulse-dev and
# pkg-config: the Linux game's sound; pulseaudio and pulseaudio-utils (pactl, parec): its
# tests play through a private sound server and record it. fonts-liberation: Liberation
# Sans, which stands for Arial in both games' status panels.
# desktop-file-utils, appstream, lintian and dpkg-dev: the Linux game's desktop entry,
# metadata and Debian package are checked, and the package's dependencies found.
# at-spi2-core, dbus-daemon and python3-pyatspi: the accessibility test reads and plays the
# Linux game through a private accessibility bus.
# emscripten: the browser game's compiler. chromium, firefox-esr and webkit2gtk-driver
# (WebKitWebDriver with MiniBrowser, the engine of Safari): its tests play it in the three
# browser engines, through the npm clients of tests/web/package.json (installed below
# with Node.js, whose own package is taken where no node is installed);
# nlohmann-json3-dev: the test program's side of that conversation.
# python3-pefile and python3-pytest: the static checks of the Windows executables.
game_packages=(cmake make g++ pkg-config python3 qt6-base-dev libpulse-dev libx11-dev
  libxtst-dev fonts-liberation)
web_packages=(cmake make python3 emscripten)
if [ "${1:-}" = linux-game ]; then
  packages=("${game_packages[@]}")
elif [ "${1:-}" = web-game ]; then
  packages=("${web_packages[@]}")
else
packages=(
  "${game_packages[@]}" libgtest-dev googletest pulseaudio pulseaudio-utils
  desktop-file-utils appstream lintian dpkg-dev at-spi2-core dbus-daemon python3-pyatspi
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  llvm-14 clang-14
  wine64 xvfb xauth x11-utils matchbox-window-manager
  fonts-wine
  libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1
  python3-pefile python3-pytest zip clang-format
  emscripten chromium firefox-esr webkit2gtk-driver nlohmann-json3-dev
)
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
fi
# The benchmarks: the native peer game of bench/native/run.sh is lmemory.
[ "${WITH_BENCH:-0}" = 1 ] && packages+=(sox procps lmemory)
runs32=0
[ -z "${1:-}" ] && bash scripts/runs32.sh && runs32=1 && packages+=(wine32:i386)

# The browser tests' npm clients, at the versions their lock file names, once it changes.
browser_clients() {
  [ -z "${1:-}" ] || return 0
  local lock=tests/web/package-lock.json installed=tests/web/node_modules/.package-lock.json
  [ -f "$installed" ] && [ "$installed" -nt "$lock" ] && return 0
  echo "setup: installing the browser tests' npm clients"
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  browser_clients "${1:-}"
  exit
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ "$runs32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A mirror caught mid-sync leaves one list out: install from the lists there are.
$sudo apt-get update -qq || echo "setup: some package lists could not be fetched"
# wine32 apart: the i386 packages it needs must match the system's own to the version, and
# a list left out can leave them unmatched. Without it the 32-bit release is not run.
others=()
for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || others+=("$p"); done
[ ${#others[@]} -eq 0 ] || $sudo apt-get install -y -qq --no-install-recommends "${others[@]}" >/dev/null
if [ ${#others[@]} -ne ${#missing[@]} ] &&
   ! $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
  echo "setup: wine32 could not be installed; the 32-bit release will not be run"
fi
browser_clients "${1:-}"

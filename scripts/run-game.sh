#!/usr/bin/env bash
# Builds the game and plays it here, on your desktop.
#
#   scripts/run-game.sh             the Linux game, build/linux/zirirar-aduzo
#   scripts/run-game.sh --windows   the Windows game, under wine
#   scripts/run-game.sh --web       the browser game, served on this machine
#
# The Linux game: it installs only what building it needs (scripts/setup.sh
# linux-game: a compiler, CMake, Qt 6 and libpulse from Debian), builds the game alone
# (not its tests) and starts it on your display. A first run builds for about ten
# seconds (after the packages' install on a bare machine); a later one starts at once.
#
# --windows: it installs whatever is missing (scripts/setup.sh), builds both Windows
# executables (scripts/build.sh i686 x64), then starts one of them on $DISPLAY, in a
# wine prefix of its own under build/ (made on first use, which takes a few seconds):
#   - the 32-bit release, build/i686/win32/zirirar.exe, with the 32-bit loader (wine32),
#     where this kernel runs 32-bit code and wine32 is installed;
#   - otherwise the x86_64 build of the same sources, build/x64/win32/zirirar.exe, with
#     wine64.
# On a desktop, its window manager handles the game's window like any other; on an X
# server where no window manager runs, wine does (scripts/window-manager.sh).
#
# --web: it installs what building the browser game needs (scripts/setup.sh web-game:
# Debian's emscripten), builds it (scripts/build.sh web: the site in build/web), serves
# that folder on http://127.0.0.1:8086/ (ZIRIRAR_WEB_PORT to change the port), prints the
# address and opens it in the desktop's browser where there is one. Ctrl+C stops the
# server; the page, once loaded, also plays with no server (it keeps itself for offline
# play). The site is static: any web server can serve build/web.
#
# It says which game it plays. Close the window (or choose Jeu > Quitter) to end it.
#
# On Windows, play the 32-bit release instead: copy build/i686/win32/zirirar.exe to
# any folder of a Windows PC (32- or 64-bit Windows) and double-click
# it. It is a single file that needs nothing installed: every sound, the menu, the
# dialogs and the help are built in, and it writes nothing to disk.
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
case "${1:-}" in
  "") ;;
  --windows) windows=1 ;;
  --web)
    bash scripts/setup.sh web-game
    bash scripts/build.sh web >/dev/null
    port=${ZIRIRAR_WEB_PORT:-8086}
    echo "run-game: the browser game, build/web, at http://127.0.0.1:$port/ (Ctrl+C to stop)"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xdg-open >/dev/null; then
      (sleep 1 && xdg-open "http://127.0.0.1:$port/" >/dev/null 2>&1) &
    fi
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web
    ;;
  *) echo "usage: scripts/run-game.sh [--windows|--web]" >&2; exit 2 ;;
esac

if [ "$windows" = 0 ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-game: no display (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
      "run this from a desktop session." >&2
    exit 1
  fi
  bash scripts/setup.sh linux-game
  if [ ! -f build/linux/CMakeCache.txt ]; then
    cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DZIRIRAR_LINUX_GAME=ON >/dev/null
  fi
  # Compiler errors go to standard error; the progress lines are left out.
  cmake --build build/linux -j "$(nproc)" --target zirirar-aduzo >/dev/null
  echo "run-game: the Linux game, build/linux/zirirar-aduzo"
  exec build/linux/zirirar-aduzo
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "run-game: no X display (DISPLAY is not set); run this from a desktop session." >&2
  exit 1
fi

bash scripts/setup.sh
bash scripts/build.sh i686 x64

if bash scripts/runs32.sh && [ -x /usr/lib/wine/wine ]; then
  echo "run-game: the 32-bit release, build/i686/win32/zirirar.exe, under wine32"
  wine=/usr/lib/wine/wine
  exe=build/i686/win32/zirirar.exe
  export WINEPREFIX=$PWD/build/wineprefix-win32 WINEARCH=win32
else
  echo "run-game: the x86_64 build, build/x64/win32/zirirar.exe, under wine64" \
    "(no 32-bit code runs here, or wine32 is not installed)"
  wine=/usr/lib/wine/wine64
  exe=build/x64/win32/zirirar.exe
  export WINEPREFIX=$PWD/build/wineprefix WINEARCH=win64
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/.game-ready" ]; then
  echo "run-game: preparing the wine prefix ${WINEPREFIX#"$PWD"/} (first run only)"
  "$wine" wineboot -i >/dev/null 2>&1
  touch "$WINEPREFIX/.game-ready"
fi
# The desktop's window manager handles the window; on a bare X server, wine itself.
bash scripts/window-manager.sh "$wine"

exec "$wine" "$exe"

#!/usr/bin/env bash
# Builds the game and plays it here, under wine64, on your X display.
#
#   scripts/run-game.sh
#
# It installs whatever is missing (scripts/setup.sh), builds both Windows executables
# (scripts/build.sh i686 x64), then starts the 64-bit build/x64/app/zirirar.exe with
# the wine64 loader on $DISPLAY, in a wine prefix of its own under build/wineprefix
# (made on first use, which takes a few seconds). Close the window (or choose
# Jeu > Quitter) to end it. This machine cannot run 32-bit code, hence the 64-bit
# build here; it is made from the same sources.
#
# On Windows, play the 32-bit release instead: copy build/i686/app/zirirar.exe to
# any folder of a Windows PC (32- or 64-bit Windows) and double-click
# it. It is a single file that needs nothing installed: every sound, the menu, the
# dialogs and the help are built in, and it writes nothing to disk.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run-game: no X display (DISPLAY is not set); run this from a desktop session." >&2
  exit 1
fi

bash scripts/setup.sh
bash scripts/build.sh i686 x64

wine=/usr/lib/wine/wine64
export WINEPREFIX=$PWD/build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

if [ ! -f "$WINEPREFIX/.game-ready" ]; then
  echo "run-game: preparing the wine prefix build/wineprefix (first run only)"
  "$wine" wineboot -i >/dev/null 2>&1
  # Without a window manager every closing window would otherwise wait about 2 s.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  touch "$WINEPREFIX/.game-ready"
fi

exec "$wine" build/x64/app/zirirar.exe

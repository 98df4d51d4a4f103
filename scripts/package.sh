#!/usr/bin/env bash
# Packs the game for its players:
#
#   dist/zirirar-VERSION-win32.zip          the 32-bit release: zirirar.exe and README.txt
#   dist/zirirar-VERSION-win32.zip.sha256   its SHA-256, as sha256sum writes it
#   dist/zirirar-aduzo_VERSION_ARCH.deb     the Linux game, a Debian package (CPack)
#   dist/zirirar-aduzo_VERSION_ARCH.deb.sha256
#   dist/zirirar-aduzo-web-VERSION.zip      the browser game: its static site, to put
#   dist/zirirar-aduzo-web-VERSION.zip.sha256   on any web server
#
# Usage: scripts/package.sh
# Environment: PACKAGE_BUILD_DIR        the i686 build to pack (default build/i686, which
#                                       is built first with scripts/build.sh i686)
#              PACKAGE_LINUX_BUILD_DIR  the Linux build to pack (default build/linux, in
#                                       which the game alone is built first)
#              PACKAGE_WEB_SITE         the browser game's site to pack (default
#                                       build/web, built first with scripts/build.sh web)
#
# The executable must pass the static checks of the release, of its manifest and of
# its hardening before it is packed, and the Debian package lintian's checks (no
# error). All three packages are reproducible: the executables hold no link time and no
# build folder, and every entry of zip and package carries the time of the last
# commit (SOURCE_DATE_EPOCH) and fixed permissions.
# So anyone can check a published SHA-256: check out the commit it was made from, on
# Debian 12 (scripts/setup.sh installs what is needed), and run this script; it
# prints the same sums. tests/static/check_reproducible.sh proves it for every commit
# by building and packing a second time in another folder.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
name=zirirar-$version-win32

bash scripts/setup.sh
build=${PACKAGE_BUILD_DIR:-build/i686}
if [ -z "${PACKAGE_BUILD_DIR:-}" ]; then
  bash scripts/build.sh i686
fi
exe=$build/win32/zirirar.exe
[ -f "$exe" ] || { echo "package: $exe is missing" >&2; exit 1; }

python3 tests/static/check_release.py "$exe" >/dev/null ||
  { echo "package: $exe fails tests/static/check_release.py" >&2; exit 1; }
python3 tests/static/check_manifest.py "$exe" >/dev/null ||
  { echo "package: $exe fails tests/static/check_manifest.py" >&2; exit 1; }
python3 tests/static/check_hardening.py "$exe" >/dev/null ||
  { echo "package: $exe fails tests/static/check_hardening.py" >&2; exit 1; }

# Every entry's time, whatever the clock: that of the last commit.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/zirirar.exe"

# The read-me, with Windows line ends.
sed 's/$/\r/' >"$stage/README.txt" <<EOF
Zirirar Aduzo $version
======================

A memory game for Windows. The computer flashes a growing sequence of coloured
squares, each with its own note; you repeat it with the mouse or the keyboard. Each
time you repeat the whole sequence, one square is added and the computer plays the
longer sequence again. A wrong square, or about five seconds without a press, ends
the game; repeat a sequence as long as the target of your skill level to win.

Running it
----------
Unzip zirirar.exe into any folder and double-click it. It is a single 32-bit program
that runs on 32-bit and 64-bit Windows. Nothing is installed: every sound, the menus
and the help are inside the program. It reads no files, writes nothing and saves no
settings; each start begins at board 2 and skill 2 with the sound on. To remove it,
delete the file.

Playing
-------
The menus are in French:

  Jeu > Nouveau Jeu   (F2)  start a new game (at any time)
  Jeu > Niveau...     (F3)  choose the board (2 to 20 squares) and the skill
                            (targets of 6 to 100 notes)
  Jeu > Jeu Libre           free play: press squares just to see and hear them
  Jeu > Son                 switch the sound on or off
  Jeu > Quitter             quit
  Aide > Instructions (F1)  how to play
  Aide > A Propos           about the game

Niveau, Jeu Libre and Instructions are greyed while a game is being played;
Nouveau Jeu always starts afresh.

Watch the squares the computer lights, then click them in the same order, or type
their keys. The panel on the right shows your skill, the board, the length of the
sequence, the target and the state of the game: Watch, Your turn, OK, Wrong! or
You win!

Keys of each board, row by row from the top:

  Board 1 (2 squares):   D F
  Board 2 (4 squares):   E R / D F
  Board 3 (6 squares):   W E R / S D F
  Board 4 (9 squares):   W E R / S D F / X C V
  Board 5 (12 squares):  Q W E R / A S D F / Z X C V
  Board 6 (16 squares):  1 2 3 4 / Q W E R / A S D F / Z X C V
  Board 7 (20 squares):  1 2 3 4 5 / Q W E R T / A S D F G / Z X C V B

Type the letters in lower case: with Shift or Caps Lock they press nothing.
Holding a key down presses its square once.
EOF

# The same time on both entries, whatever the clock: that of the last commit.
touch -d "@$stamp" "$stage/zirirar.exe" "$stage/README.txt"
chmod 644 "$stage/zirirar.exe" "$stage/README.txt"  # whatever the umask

mkdir -p dist
rm -f "dist/$name.zip" "dist/$name.zip.sha256"
(cd "$stage" && TZ=UTC zip -q -X -9 "$OLDPWD/dist/$name.zip" zirirar.exe README.txt)
(cd dist && sha256sum "$name.zip" >"$name.zip.sha256")

python3 -m zipfile -t "dist/$name.zip" >/dev/null
(cd dist && sha256sum -c --quiet "$name.zip.sha256")
echo "package: dist/$name.zip ($(stat -c %s "dist/$name.zip") bytes," \
  "zirirar.exe $(stat -c %s "$exe") bytes)"
echo "package: $(cat "dist/$name.zip.sha256")"

# The Linux game's Debian package.
linux_build=${PACKAGE_LINUX_BUILD_DIR:-build/linux}
if [ -z "${PACKAGE_LINUX_BUILD_DIR:-}" ]; then
  if [ ! -f build/linux/CMakeCache.txt ]; then
    cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DZIRIRAR_LINUX_GAME=ON >/dev/null
  fi
  cmake --build build/linux -j "$(nproc)" --target zirirar-aduzo >/dev/null
fi
deb=zirirar-aduzo_${version}_$(dpkg --print-architecture).deb
mkdir "$stage/deb"
SOURCE_DATE_EPOCH=$stamp cpack --config "$linux_build/CPackConfig.cmake" -B "$stage/deb" \
  >"$stage/cpack.log" 2>&1 || { cat "$stage/cpack.log" >&2; exit 1; }
rm -f "dist/$deb" "dist/$deb.sha256"
cp "$stage/deb/$deb" dist/
(cd dist && sha256sum "$deb" >"$deb.sha256")
# Its warnings are shown; an error stops here.
lintian --fail-on error "dist/$deb" | sed 's/^/package: lintian: /' ||
  { echo "package: lintian finds errors in dist/$deb" >&2; exit 1; }
echo "package: dist/$deb ($(stat -c %s "dist/$deb") bytes)"
echo "package: $(cat "dist/$deb.sha256")"

# The browser game's site, its files in a fixed order.
web_site=${PACKAGE_WEB_SITE:-build/web}
if [ -z "${PACKAGE_WEB_SITE:-}" ]; then
  bash scripts/build.sh web >/dev/null
fi
web=zirirar-aduzo-web-$version
web_files=(index.html zirirar-aduzo.js zirirar-aduzo.wasm sw.js manifest.webmanifest icon.svg
  icon-256.png apple-touch-icon.png)
mkdir "$stage/web"
for f in "${web_files[@]}"; do
  [ -f "$web_site/$f" ] || { echo "package: $web_site/$f is missing" >&2; exit 1; }
  cp "$web_site/$f" "$stage/web/$f"
  touch -d "@$stamp" "$stage/web/$f"
  chmod 644 "$stage/web/$f"
done
rm -f "dist/$web.zip" "dist/$web.zip.sha256"
(cd "$stage/web" && TZ=UTC zip -q -X -9 "$OLDPWD/dist/$web.zip" "${web_files[@]}")
(cd dist && sha256sum "$web.zip" >"$web.zip.sha256")
python3 -m zipfile -t "dist/$web.zip" >/dev/null
echo "package: dist/$web.zip ($(stat -c %s "dist/$web.zip") bytes)"
echo "package: $(cat "dist/$web.zip.sha256")"

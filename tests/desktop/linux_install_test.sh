#!/usr/bin/env bash
# Tests the Linux game as a desktop installs it: the desktop entry and the metadata
# pass their validators; an install into a temporary prefix holds exactly the game,
# its entry, its metadata, its icons (each of the size its folder says), its manual
# page, copyright and changelog, and no build folder's path; the installed game
# starts without a display server of its own (Qt's offscreen platform) and, sent
# SIGTERM as a session's end does, closes and exits with 0.
#
# Usage: tests/desktop/linux_install_test.sh STEP PREFIX   (ctest -L install, after
# scripts/build.sh linux): the step setup installs into PREFIX, clean removes it, and
# each other step is one check of what is installed there.
# shellcheck source=tests/static/script_steps.sh
source "$(dirname "$0")/../static/script_steps.sh"
prefix=$state

build=$root/build/linux
id=$(sed -n 's/^ZIRIRAR_APP_ID:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
[ -n "$id" ] || id=$(sed -n 's/^set(ZIRIRAR_APP_ID \(.*\))$/\1/p' CMakeLists.txt)

setup() {
  [ -x "$build/zirirar-aduzo" ] ||
    { echo "build build/linux first (scripts/build.sh linux)"; return 1; }
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
}

validate() { "$@" 2>&1 | sed 's/^/     /'; }  # validator file...: its status under pipefail
desktop_entry_valid() { validate desktop-file-validate "$prefix/share/applications/$id.desktop"; }
metadata_valid() {
  validate appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml"
}

sizes="16 32 48 64 128 256"
expected() {
  local size
  echo bin/zirirar-aduzo
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  echo share/doc/zirirar-aduzo/copyright
  echo share/doc/zirirar-aduzo/changelog.gz
  echo share/man/man6/zirirar-aduzo.6.gz
  for size in $sizes; do echo "share/icons/hicolor/${size}x$size/apps/$id.png"; done
  echo "share/icons/hicolor/scalable/apps/$id.svg"
}
same_files() {  # diff's status, the pipeline's under pipefail
  diff <(expected | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort) |
    sed 's/^/     /'
}

# A PNG's width and height are the 4-byte numbers at bytes 16 and 20.
icon_sizes() {
  local size png dims
  for size in $sizes; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x$size" ] || { echo "     $png is $dims"; return 1; }
  done
}

entry_names_the_files() {
  grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" &&
    grep -qx "Exec=zirirar-aduzo" "$prefix/share/applications/$id.desktop" &&
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
      "$prefix/share/metainfo/$id.metainfo.xml"
}

no_build_path() {
  ! grep -q -F -e "$root" -e "$build" "$prefix/bin/zirirar-aduzo"
}

# The installed game, started as a desktop starts it, then ended by SIGTERM.
ended() { ! kill -0 "$1" 2>/dev/null; }
starts_and_quits() {
  local pid
  QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent "$prefix/bin/zirirar-aduzo" \
    >"$prefix.out" 2>&1 &
  pid=$!
  sleep 1.5
  ended "$pid" && { echo "     it ended by itself:"; cat "$prefix.out"; return 1; }
  kill -TERM "$pid"
  wait_until 5 ended "$pid" ||
    { kill -KILL "$pid"; echo "     still running 5 s after SIGTERM"; return 1; }
  wait "$pid" || { echo "     exit status $?:"; cat "$prefix.out"; return 1; }
}

clean() { rm -rf "$prefix" "$prefix.out"; }

run_step setup clean desktop_entry_valid metadata_valid same_files icon_sizes \
  entry_names_the_files no_build_path starts_and_quits

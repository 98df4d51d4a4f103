#!/usr/bin/env bash
# The full soak of the game under wine64 on a private Xvfb display (about an hour): each
# kind of operation repeated on its own on a fresh game while its private bytes and its
# GDI and USER objects are sampled (tests/soak/soak.h), then the same dialogs in the
# smallest program that opens them (bare_dialogs.exe), for comparison. Prints the table
# of bench/soak/README.md. Not part of the test run; the short version is the end-to-end
# cases of tests/e2e/cases_soak.cpp.
#
#   bench/soak/run.sh [--short] [KIND ...]
#
#   --short   a tenth of every count and 3 minutes of idling instead of 30 (a check of
#             the script, not a measurement)
#   KIND      only these rows (see the list below); default every one
#
# Each kind runs under the machine-wide lock /tmp/e2e-suite.lock, one at a time, so that
# other end-to-end runs can take turns in between; the 30-minute idle run holds it once.
# Environment: BENCH_BUILD_ROOT  folder of the builds (default build): ROOT/x64 is the
#              release build measured, ROOT/bench-x64 the build of the soak driver.
# The raw output of each kind stays in ROOT/bench-x64/soak-results/. Everything started
# here (X server, PulseAudio, the prefix's wineserver) is ended by its id.
set -uo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

short=0
only=()
while [ $# -gt 0 ]; do
  case "$1" in
    --short) short=1; shift ;;
    -*) echo "usage: bench/soak/run.sh [--short] [KIND ...]" >&2; exit 2 ;;
    *) only+=("$1"); shift ;;
  esac
done

root=${BENCH_BUILD_ROOT:-build}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
lock=/tmp/e2e-suite.lock

WITH_BENCH=1 bash scripts/setup.sh || exit 1
configure_and_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null || return 1
  fi
  cmake --build "$dir" -j 2 >/dev/null || return 1
}
echo "soak: building the release executable and the soak driver in $root/"
configure_and_build "$root/x64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
configure_and_build "$root/bench-x64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DZIRIRAR_BENCH=ON || exit 1

winpath() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }
game=$(winpath "$repo/$root/x64/win32/zirirar.exe")
bare=$(winpath "$repo/$root/bench-x64/bench/soak/bare_dialogs.exe")
driver=$repo/$root/bench-x64/bench/soak/soak_driver.exe

raw=$repo/$root/bench-x64/soak-results
# A run of every row starts afresh; a run of named rows replaces only theirs.
[ ${#only[@]} -eq 0 ] && rm -rf "$raw"
mkdir -p "$raw"
source bench/session.sh
session_wine_environment "$repo/$root/bench-x64/soak-prefix"
trap session_end EXIT
trap 'exit 130' INT TERM

# The same screen as the end-to-end runs: resizes go up to it.
start_xvfb "$work" 1280x1024x24 || { echo "soak: Xvfb did not start" >&2; exit 1; }

# A private sound server whose only sink is a null sink: with it the game's sound thread
# really streams. Runs "without a device" point the game at a socket where none listens.
session_start_null_sink soak || { echo "soak: pulseaudio did not start" >&2; exit 1; }
with_device="PULSE_SERVER=$session_pulse_server"
no_device="PULSE_SERVER=unix:$work/nobody-listens.sock"

[ -f "$WINEPREFIX/.soak-ready" ] || echo "soak: creating the wine prefix $root/bench-x64/soak-prefix"
session_make_prefix .soak-ready || { echo "soak: wineboot failed" >&2; exit 1; }
"$wineserver" -p || { echo "soak: cannot start the wineserver" >&2; exit 1; }
timeout 60 "$wine" cmd /c exit >/dev/null 2>&1

scale() { if [ "$short" = 1 ]; then echo $(($1 / 10)); else echo "$1"; fi; }
idle_seconds=1800 games_every=5
[ "$short" = 1 ] && idle_seconds=180 games_every=1

# Row, program, kind, cycles, sample every, environment.
rows=(
  "level|game|level|$(scale 1000)|$(scale 100)|$no_device"
  "instructions|game|instructions|$(scale 1000)|$(scale 100)|$no_device"
  "about|game|about|$(scale 1000)|$(scale 100)|$no_device"
  "resize|game|resize|$(scale 10000)|$(scale 1000)|$no_device"
  "repaint|game|repaint|$(scale 100000)|$(scale 10000)|$no_device"
  "sound-on|game|sound-on|$(scale 10000)|$(scale 1000)|$with_device"
  "sound-on-no-device|game|sound-on|$(scale 10000)|$(scale 1000)|$no_device"
  "sound-off|game|sound-off|$(scale 10000)|$(scale 1000)|$with_device"
  "games|game|games|$(scale 50)|$games_every|$with_device"
  "idle|game|idle|$idle_seconds|60|$with_device"
  "keys|game|keys|$(scale 1000)|$(scale 100)|$no_device"
  "minimise|game|minimise|$(scale 1000)|$(scale 100)|$no_device"
  "maximise|game|maximise|$(scale 1000)|$(scale 100)|$no_device"
  "bare-level|bare|level|$(scale 1000)|$(scale 100)|BARE_DIALOG=help"
  "bare-instructions|bare|instructions|$(scale 1000)|$(scale 100)|BARE_DIALOG=help"
  "bare-instructions-4x|bare|instructions|$(scale 1000)|$(scale 100)|BARE_DIALOG=long"
  "bare-instructions-unwrapped|bare|instructions|$(scale 1000)|$(scale 100)|BARE_DIALOG=short"
  "bare-about|bare|about|$(scale 1000)|$(scale 100)|BARE_DIALOG=help"
)

failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r name program kind cycles every environment <<<"$row"
  if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  exe=$game
  [ "$program" = bare ] && exe=$bare
  out=$raw/$name.txt
  echo "soak: $name, $cycles cycles ($(date +%H:%M))"
  start=$(date +%s)
  flock "$lock" env "$environment" timeout -k 10 3000 "$wine" "$driver" "$exe" "$kind" "$cycles" \
    "$every" >"$out.tmp" 2>"$raw/$name.log"
  status=$?
  tr -d '\r' <"$out.tmp" >"$out"
  rm -f "$out.tmp"
  echo "row $name $program $kind $cycles $(($(date +%s) - start)) $status" >>"$out"
  if [ "$status" != 0 ]; then
    failed=1
    echo "soak: $name failed (status $status):" >&2
    grep '^soak:' "$out" >&2
  fi
done

echo
python3 bench/soak/summarize.py "$raw"/*.txt
echo
echo "soak: raw samples in $root/bench-x64/soak-results/"
exit "$failed"

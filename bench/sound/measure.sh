#!/usr/bin/env bash
# Measures what the player hears under wine64, for our streaming sound service and
# for PlaySoundA side by side: how steadily a held note sounds, its gaps, start and
# stop latency from the call, and the pitch of every note. The output is captured
# from a private PulseAudio server's null sink; nothing reaches a real device.
#
# Usage: bench/sound/measure.sh            (builds the helper first)
# Environment: BENCH_BUILD_DIR  where to build and keep results (default build/bench-sound)
# Everything started here (pulseaudio, the prefix's wineserver) is ended by its id.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
WITH_BENCH=1 bash scripts/setup.sh

build=$root/${BENCH_BUILD_DIR:-build/bench-sound}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
cmake -S bench/sound -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build" -j2 -- --no-print-directory >/dev/null
bench_exe=$build/sound_bench.exe

source bench/session.sh
trap session_end EXIT
trap 'exit 130' INT TERM

# A private sound server whose only sink is a null sink; its monitor is recorded.
session_start_null_sink bench || { echo "measure: pulseaudio did not start" >&2; exit 1; }
export PULSE_SERVER=$session_pulse_server

session_wine_environment "$build/prefix"
unset DISPLAY
[ -f "$WINEPREFIX/.bench-ready" ] || echo "measure: creating the wine prefix"
session_make_prefix .bench-ready 'HKCU\Software\Wine\Drivers|Audio|pulse' ||
  { echo "measure: wineboot failed" >&2; exit 1; }
"$wineserver" -p

exe="Z:$(sed 's|/|\\|g' <<<"$bench_exe")"
for backend in stream playsound; do
  echo "measure: $backend"
  python3 tests/linux_sound/measure.py "$build/$backend" -- "$wine" "$exe" "$backend" >/dev/null
done
python3 bench/sound/report.py "our stream=$build/stream.json" "PlaySoundA=$build/playsound.json"

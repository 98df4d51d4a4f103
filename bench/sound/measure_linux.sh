#!/usr/bin/env bash
# Measures what the player hears from the Linux game's sound service (PulseSoundOutput,
# through GatedSoundPlayer as the game drives it) on a private PulseAudio server whose
# only sink is a null sink: the same programme and measures as measure.sh under wine
# (held note, gaps, start and stop latency, pitch, steps at stops and replacements),
# and the processor time of the process over 10 s of idle free play with the stream
# idle. Nothing reaches a real device.
#
# Usage: bench/sound/measure_linux.sh    (builds build/linux first; about a minute)
# Environment: BENCH_BUILD_DIR  where to keep results (default build/bench-sound-linux)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/setup.sh
bash scripts/build.sh linux >/dev/null
out=${BENCH_BUILD_DIR:-build/bench-sound-linux}
mkdir -p "$out"

source tests/support/pulse_sink.sh
work=$(mktemp -d)
trap 'stop_pulse_sink; rm -rf "$work"' EXIT
start_pulse_sink "$work" bench || { echo "measure: pulseaudio did not start" >&2; exit 1; }

python3 tests/linux_sound/measure.py "$out/linux" -- build/linux/tests/linux_sound/pulse_sound_driver \
  bench >/dev/null
python3 bench/sound/report.py "PulseAudio stream=$out/linux.json"

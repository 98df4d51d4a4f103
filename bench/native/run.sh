#!/usr/bin/env bash
# The Linux game beside the Windows game under wine and a native peer game, measured in
# one run on a private X server (no window manager) with a private PulseAudio null sink;
# prints a table of medians over several launches. Not part of the test run.
#
#   bench/native/run.sh [--runs N] [--tick-seconds S]   (default 5 launches, 60 s of ticks)
#
# For each program (and a bare Qt window with the game's menu bar): launch to main window mapped (files in the page cache after a first
# launch that is not counted; for wine, no wineserver running at launch, as when a
# player starts it), then 5 s after launch the proportional memory (PSS) of every
# process it started (for wine: the game, wineserver and wine's services together), and
# the processor time and context switches of them all over the next 10 s of an idle game.
# Programs: build/linux/zirirar-aduzo; build/x64/win32/zirirar.exe under wine64;
# build/i686/win32/zirirar.exe under wine32 where this kernel runs 32-bit code; the
# native peer memory game lmemory (a card matching game) where it is installed.
# Then the ticks of the Linux game's clock for S seconds, on an idle machine and with
# both cores busy; and the Linux game played in free play with real key presses while
# the sound server's null sink is recorded: key to first sample of its note.
# Last, the browser game (build/web, served on 127.0.0.1) in each of Debian's browser
# engines (Chromium, Firefox, WebKitGTK), the same figures where they are shared
# (bench/web/page_bench.mjs): its transfer size, navigation to the first frame showing the
# board, key to first sample at the same sink, the ticks for S seconds, and the processor
# time of the page at rest beside a blank page.
set -uo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

runs=5
tick_seconds=60
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --tick-seconds) tick_seconds=$2; shift 2 ;;
    *) echo "usage: bench/native/run.sh [--runs N] [--tick-seconds S]" >&2; exit 2 ;;
  esac
done

WITH_BENCH=1 bash scripts/setup.sh || exit 1
targets=(linux x64 web)
bash scripts/runs32.sh && targets+=(i686)
bash scripts/build.sh "${targets[@]}" >/dev/null || exit 1

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
source bench/session.sh
trap session_end EXIT
session_wine_environment "$repo/build/x64/bench-native-prefix"
start_xvfb "$work" 1280x1024x24 || exit 1
# A sound server as a desktop's, with shared memory (the wine benchmarks turn it off).
start_pulse_sink "$work" bench >/dev/null || exit 1
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
session_make_prefix .bench-native-ready || { echo "bench: wineboot failed" >&2; exit 1; }
timeout 20 "$wineserver" -k 2>/dev/null
timeout 20 "$wineserver" -w 2>/dev/null

meter=build/linux/bench/native/launch_meter
results=$work/launches
: >"$results"

# measure LABEL TITLE COMMAND...: a launch not counted, then $runs counted ones.
measure() {
  local label=$1 title=$2 i line
  shift 2
  for i in $(seq 0 "$runs"); do
    line=$("$meter" "$title" -- "$@" 2>/dev/null) || { echo "bench: $label did not show"; return; }
    [ "$i" -gt 0 ] && echo "$label $line" >>"$results"
    if [ "$label" != "${label#wine}" ]; then
      timeout 20 "${server:-$wineserver}" -k 2>/dev/null
      timeout 20 "${server:-$wineserver}" -w 2>/dev/null
    fi
  done
}

echo "bench: $runs launches of each program"
measure native "Zirirar Aduzo" "$repo/build/linux/zirirar-aduzo"
measure bare "Bare window" "$repo/build/linux/bench/native/bare_window"
measure wine64 "Zirirar Aduzo" "$wine" "$repo/build/x64/win32/zirirar.exe"
if [ -f build/i686/win32/zirirar.exe ] && bash scripts/runs32.sh && [ -x /usr/lib/wine/wine ]; then
  # The 32-bit loader and server in a 32-bit prefix of their own.
  (
    export WINEPREFIX=$repo/build/i686/bench-native-prefix WINEARCH=win32
    wine=/usr/lib/wine/wine wineserver=/usr/lib/wine/wineserver32 server=/usr/lib/wine/wineserver32
    session_make_prefix .bench-native-ready && "$server" -k 2>/dev/null
    measure wine32 "Zirirar Aduzo" "$wine" "$repo/build/i686/win32/zirirar.exe"
  )
fi
[ -x /usr/games/lmemory ] && measure peer "The memory game" /usr/games/lmemory

echo "bench: ticks of the Linux game for $tick_seconds s, idle machine"
ticks_idle=$(build/linux/bench/native/tick_recorder "$tick_seconds" 2>/dev/null)
echo "bench: ticks for $tick_seconds s, both cores busy"
busy=()
for _ in 1 2; do (while :; do :; done) & busy+=($!); done
ticks_busy=$(build/linux/bench/native/tick_recorder "$tick_seconds" 2>/dev/null)
kill "${busy[@]}" 2>/dev/null
wait "${busy[@]}" 2>/dev/null

echo "bench: real key presses in free play, the sink recorded"
"$repo/build/linux/zirirar-aduzo" 2>"$work/game.err" &
game_pid=$!
keys=$(python3 bench/native/key_sound.py build/linux/bench/native/key_presser "Zirirar Aduzo" 10)
kill "$game_pid" 2>/dev/null
wait "$game_pid" 2>/dev/null

echo "bench: the browser game in Chromium, Firefox and WebKitGTK"
web_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$web_port" --bind 127.0.0.1 --directory build/web >/dev/null 2>&1 &
web_server=$!
url=http://127.0.0.1:$web_port/index.html
for _ in $(seq 1 50); do python3 -c "import urllib.request; urllib.request.urlopen('$url')" \
  2>/dev/null && break; sleep 0.1; done
web_sizes=$(cd build/web && for f in index.html zirirar-aduzo.js zirirar-aduzo.wasm; do
  printf '%s %s %s\n' "$f" "$(stat -c %s "$f")" "$(gzip -9c "$f" | wc -c)"; done)
web_figures=""
for engine in chromium firefox webkit; do
  page_bench=(node bench/web/page_bench.mjs "$engine")
  web_figures+="browser game in $engine, $("${page_bench[@]}" load "$url" 20 2>/dev/null)
sound, browser game in $engine: $(python3 bench/native/key_sound.py "${page_bench[@]}" keys "$url" 10)
browser game in $engine, $("${page_bench[@]}" ticks "$url" "$tick_seconds" 2>/dev/null)
$("${page_bench[@]}" idle "$url" 10 2>/dev/null | sed "s/^/browser game in $engine, /")
"
done
kill "$web_server" 2>/dev/null
wait "$web_server" 2>/dev/null

python3 - "$results" "$ticks_idle" "$ticks_busy" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    label, *fields = line.split()
    rows.setdefault(label, []).append(dict(f.split("=") for f in fields))
names = {"native": "Linux game (Qt)", "bare": "bare Qt window, same menu bar", "wine64": "Windows game, x86_64, wine64",
         "wine32": "Windows game, 32-bit, wine32", "peer": "peer: lmemory (GTK 2)"}
def median(label, key):
    return statistics.median(float(r[key]) for r in rows[label])
def spread(label, key):
    values = [float(r[key]) for r in rows[label]]
    return min(values), max(values)
print("| program | launch to window mapped, median (spread) | PSS 5 s after launch | "
      "processor time, idle 10 s | context switches, idle | processes |")
print("|---|---|---|---|---|---|")
for label in ("native", "bare", "wine64", "wine32", "peer"):
    if label not in rows:
        continue
    lo, hi = spread(label, "map_ms")
    print(f"| {names[label]} | {median(label, 'map_ms') / 1000:.3f} s ({lo / 1000:.3f} to "
          f"{hi / 1000:.3f}) | {median(label, 'pss_kb') / 1024:.1f} MB | "
          f"{median(label, 'cpu_percent'):.2f} % | {median(label, 'switches_per_s'):.1f}/s | "
          f"{rows[label][0]['processes']} |")
if "native" in rows:
    for other in ("wine64", "wine32", "peer"):
        if other in rows:
            print(f"\nLinux game beside {names[other]} (same run): its launch takes "
                  f"{median('native', 'map_ms') / median(other, 'map_ms'):.2f}x the time, its "
                  f"memory is {median('native', 'pss_kb') / median(other, 'pss_kb'):.2f}x")
for title, line in (("idle machine", sys.argv[2]), ("both cores busy", sys.argv[3])):
    t = dict(f.split("=") for f in line.split()) if line else {}
    if t:
        print(f"\nticks, {title}: {t['ticks']} in {t['over_s']} s, mean {float(t['mean_ms']):.3f} ms, "
              f"error p50 {float(t['error_p50_ms']):.2f} / p99 {float(t['error_p99_ms']):.2f} / "
              f"max {float(t['error_max_ms']):.2f} ms, drift {float(t['drift_ticks']):.3f} ticks")
PY
echo
echo "sound, Linux game: $keys"
echo
echo "browser game, files (bytes, gzip -9):"
echo "$web_sizes" | awk '{ print "  " $0; raw += $2; packed += $3 }
  END { print "  html + js + wasm: " raw " bytes, " packed " gzip" }'
printf '%s' "$web_figures"

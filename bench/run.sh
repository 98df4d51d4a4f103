#!/usr/bin/env bash
# Benchmark of the game under wine64 on a private Xvfb display, in one command; prints a
# table of this machine's figures (median and spread over several runs) beside the
# targets and the reference figures of a comparable desktop game measured earlier on
# this machine. Not part of the test run.
#
#   bench/run.sh [--runs N]          (default 3 runs of each measurement)
#
# Environment: BENCH_BUILD_ROOT  folder of the builds (default build): ROOT/i686 and
#                                ROOT/x64 are the release builds, ROOT/bench-x64 the
#                                bench programs, built from the same sources
#
# What it measures, each run on a freshly started game with a wineserver already up:
#   ticks     the time of every tick the window takes (the game probe inside the
#             release), over 20 s, idle machine, one other core busy, both cores busy
#   start-up  launch from the shell to the first painted frame (grid on the screen);
#             in process, process creation to the end of the first paint (the probe)
#   idle      processor time of the game's process over 30 s in Idle at 640 x 480,
#             peak resident memory and proportional set size (PSS)
#   playing   the same over 30 s while the driver plays whole games
#   paint     one full repaint at 640 x 480 and 1920 x 1080, all 20 squares lit
#   size      bytes of both executables and the DLLs each imports
# The raw measurements stay in ROOT/bench-x64/bench-results/ (the table is made from
# them by bench/summarize.py). Everything it starts (X server, wineserver, the game, busy loops) is ended by id.
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: bench/run.sh [--runs N]" >&2; exit 2 ;;
  esac
done

root=${BENCH_BUILD_ROOT:-build}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

bash scripts/setup.sh || exit 1

configure_and_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null || return 1
  fi
  cmake --build "$dir" -j "$jobs" >/dev/null || return 1
}
echo "bench: building the release executables and the benchmark build in $root/"
configure_and_build "$root/i686" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
configure_and_build "$root/x64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
configure_and_build "$root/bench-x64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DZIRIRAR_BENCH=ON || exit 1

release32=$repo/$root/i686/win32/zirirar.exe
release64=$repo/$root/x64/win32/zirirar.exe
driver=$repo/$root/bench-x64/bench/bench_driver.exe
paint=$repo/$root/bench-x64/bench/paint_bench.exe

source bench/session.sh
session_wine_environment "$repo/$root/bench-x64/bench-prefix"

# The raw measurements are kept for a second look: python3 bench/summarize.py FILE.
raw=$repo/$root/bench-x64/bench-results
rm -rf "$raw"
mkdir -p "$raw"
results=$raw/results
game_pid=""
busy_pids=()

stop_busy() {
  local p
  for p in "${busy_pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  busy_pids=()
}
cleanup() {
  stop_busy
  if [ -n "$game_pid" ]; then kill "$game_pid" 2>/dev/null; wait "$game_pid" 2>/dev/null; fi
  session_end
}
trap cleanup EXIT
trap 'exit 130' INT TERM

winpath() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }

# A private X server large enough for a 1920 x 1080 window.
start_xvfb "$work" 1920x1200x24 || { echo "bench: Xvfb did not start" >&2; exit 1; }

[ -f "$WINEPREFIX/.bench-ready" ] || echo "bench: creating the wine prefix $root/bench-x64/bench-prefix"
session_make_prefix .bench-ready || { echo "bench: wineboot failed" >&2; exit 1; }
"$wineserver" -p || { echo "bench: cannot start the wineserver" >&2; exit 1; }
timeout 60 "$wine" cmd /c exit >/dev/null 2>&1  # the prefix's services are up before timing

# The wineserver of this prefix (its environment names the prefix).
server_pid=""
for p in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
  if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
    server_pid=$p
  fi
done

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status" 2>/dev/null; }
pss_kb() { awk '$1 == "Pss:" {print $2}' "/proc/$1/smaps_rollup" 2>/dev/null; }
hz=$(getconf CLK_TCK)

start_game() {  # EXE [environment assignments...]
  local exe=$1
  shift
  env "$@" "$wine" "$exe" >/dev/null 2>&1 &
  game_pid=$!
}
close_game() {
  timeout 30 "$wine" "$driver" close >/dev/null 2>&1
  timeout 20 tail --pid="$game_pid" -f /dev/null
  wait "$game_pid" 2>/dev/null
  game_pid=""
}
busy() {  # N: keep N cores busy until stop_busy
  local i
  for ((i = 0; i < $1; i++)); do
    (while :; do :; done) &
    busy_pids+=($!)
  done
}
# Waits up to $3 seconds for a line matching $2 in file $1.
wait_line() {
  local i
  for ((i = 0; i < $3 * 20; i++)); do
    tr -d '\r' <"$1" | grep -q "$2" && return 0
    sleep 0.05
  done
  return 1
}

# ---- ticks and in-process start-up (the game probe in the release) ------------------
for load in 0 1 2; do
  for ((r = 1; r <= runs; r++)); do
    echo "bench: ticks over 20 s, $load busy cores, run $r of $runs"
    busy "$load"
    log=$raw/ticks-$load-$r.log
    timeout 60 "$wine" "$driver" ticks "$(winpath "$release64")" 22 "$(winpath "$log")" \
      >/dev/null 2>&1 || echo "bench: the tick run failed" >&2
    stop_busy
    echo "ticks $load $r $log" >>"$results"
  done
done

# ---- idle and playing ----------------------------------------------------------------
# Processor time of the game and of the wineserver over 30 s (ns each), the wall time (ns),
# then the game's peak resident memory and its PSS (KB), on one line.
cost_over_30s() {
  local c0 s0 t0 c1 s1 t1
  c0=$(cpu_ticks "$game_pid")
  s0=$(cpu_ticks "$server_pid")
  t0=$(date +%s%N)
  sleep 30
  c1=$(cpu_ticks "$game_pid")
  s1=$(cpu_ticks "$server_pid")
  t1=$(date +%s%N)
  echo "$(((c1 - c0) * 1000000000 / hz)) $(((s1 - s0) * 1000000000 / hz)) $((t1 - t0))" \
    "$(status_kb "$game_pid" VmHWM) $(pss_kb "$game_pid")"
}
for ((r = 1; r <= runs; r++)); do
  echo "bench: idle for 30 s, run $r of $runs"
  start_game "$release64"
  timeout 30 "$wine" "$driver" resize 640 480 >/dev/null 2>&1
  sleep 2
  echo "idle $r $(cost_over_30s)" >>"$results"
  close_game
done
for ((r = 1; r <= runs; r++)); do
  echo "bench: playing for 30 s, run $r of $runs"
  start_game "$release64"
  out=$work/play-$r.txt
  : >"$out"
  timeout 90 "$wine" "$driver" play 33 >"$out" 2>&1 &
  driver_pid=$!
  if wait_line "$out" '^playing' 30; then
    cost=$(cost_over_30s)
    wait "$driver_pid"
    echo "play $r $cost $(tr -d '\r' <"$out" | grep '^played' | tr ' ' '_')" >>"$results"
  else
    wait "$driver_pid"
    echo "bench: the driver did not start playing" >&2
  fi
  close_game
done

# ---- start-up from the shell -----------------------------------------------------------
for ((r = 0; r <= runs; r++)); do
  echo "bench: launch to first painted frame, run $r of $runs$([ $r = 0 ] && echo ' (warm-up)')"
  out=$work/launch-$r.txt
  : >"$out"
  timeout 60 "$wine" "$driver" watch-launch >"$out" 2>&1 &
  driver_pid=$!
  wait_line "$out" '^ready' 30 || { echo "bench: the driver did not start" >&2; exit 1; }
  t0=$(date +%s%6N)
  start_game "$release64"
  wait "$driver_pid"
  timeout 20 tail --pid="$game_pid" -f /dev/null
  wait "$game_pid" 2>/dev/null
  game_pid=""
  visible=$(tr -d '\r' <"$out" | awk '$1 == "visible_unix_us" {print $2}')
  painted=$(tr -d '\r' <"$out" | awk '$1 == "painted_unix_us" {print $2}')
  if [ "$r" -gt 0 ] && [ -n "$painted" ]; then
    echo "launch $r $((visible - t0)) $((painted - t0))" >>"$results"
  fi
done

# ---- paint ------------------------------------------------------------------------------
for ((r = 1; r <= runs; r++)); do
  echo "bench: full repaints, run $r of $runs"
  timeout 120 "$wine" "$paint" 2>/dev/null | tr -d '\r' | grep '^paint ' >>"$results"
done

echo "size i686 $release32" >>"$results"
echo "size x86_64 $release64" >>"$results"

echo
python3 bench/summarize.py "$results"
echo
echo "bench: raw measurements in $root/bench-x64/bench-results/"

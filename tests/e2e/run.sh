#!/usr/bin/env bash
# Runs the end-to-end tests of the real game under wine64, on a private X display and
# in a private wine prefix, and ends with a line "e2e: N passed, N failed".
#
# Usage: tests/e2e/run.sh [CASE ...]     (no names: every case; --list: their names)
# Environment: E2E_BUILD_DIR  the x86_64 build to test (default build/x64), holding
#                             app/zirirar.exe and tests/e2e/e2e_driver.exe
#              E2E_TIME_LIMIT seconds the whole driver run may take (default 600)
#
# Everything is bounded: each start-up step has a time limit, the driver limits each of
# its steps and cases, and `timeout` limits the driver. On exit, however it comes, the
# driver, the prefix's wineserver (with any game left running in it) and the X server
# are ended by their ids. Runs against the same build wait for each other (a lock),
# since they would share the prefix.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

build=${E2E_BUILD_DIR:-build/x64}
game=$root/$build/app/zirirar.exe
driver=$root/$build/tests/e2e/e2e_driver.exe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
time_limit=${E2E_TIME_LIMIT:-600}

fail_setup() {
  echo "e2e: $*" >&2
  echo "e2e: 0 passed, 1 failed"
  exit 1
}

[ -x "$wine" ] && [ -x "$wineserver" ] || fail_setup "wine64 is not installed (scripts/setup.sh)"
command -v Xvfb >/dev/null || fail_setup "Xvfb is not installed (scripts/setup.sh)"
[ -f "$game" ] && [ -f "$driver" ] || fail_setup "build $build first (scripts/build.sh x64)"

export WINEPREFIX=$root/$build/e2e-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset WINESERVER

work=$(mktemp -d)
xvfb_pid=""
server_started=0
driver_pid=""
tail_pid=""

cleanup() {
  local pid
  for pid in $driver_pid $tail_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  if [ "$server_started" = 1 ]; then
    timeout 20 "$wineserver" -k 2>/dev/null
    timeout 20 "$wineserver" -w 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# One run per prefix at a time. The lock's descriptor is closed for every process
# started below, so none of them can keep holding it.
mkdir -p "$root/$build"
exec 9>"$root/$build/e2e.lock"
flock -w "$time_limit" 9 || fail_setup "another end-to-end run holds $build/e2e.lock"

# A private X server; it picks a free display number itself and reports it when ready.
Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$work/display" 2>"$work/xvfb.log" 9>&- &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -s "$work/display" ] || fail_setup "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

# The prefix, made once; without a window manager, Managed=N spares a 2 s wait on
# every top-level window that closes.
if [ ! -f "$WINEPREFIX/.e2e-ready" ]; then
  echo "e2e: creating the wine prefix $build/e2e-prefix"
  server_started=1
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 9>&- || fail_setup "wineboot -i failed"
  timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 9>&- || fail_setup "cannot set Managed=N"
  timeout 60 "$wineserver" -w
  touch "$WINEPREFIX/.e2e-ready"
fi

# A wineserver that stays up for the whole run, so each start of the game is quick.
# A server left over from an interrupted run of this prefix is ended first.
server_started=1
timeout 20 "$wineserver" -k 2>/dev/null
timeout 20 "$wineserver" -w 2>/dev/null
"$wineserver" -p 9>&- || fail_setup "cannot start the wineserver"

if [ "${1:-}" = "--list" ]; then
  timeout 60 "$wine" "$driver" --list 9>&- | tr -d '\r'
  exit 0
fi

game_path="Z:$(sed 's|/|\\|g' <<<"$game")"
log=$work/driver.log
: >"$log"
timeout -k 10 "$time_limit" "$wine" "$driver" "$game_path" "$@" >"$log" 2>&1 9>&- &
driver_pid=$!
tail -n +1 -f --pid="$driver_pid" "$log" 9>&- | tr -d '\r' &
tail_pid=$!
wait "$driver_pid"
status=$?
driver_pid=""
wait "$tail_pid" 2>/dev/null
tail_pid=""

summary=$(tr -d '\r' <"$log" | grep -E '^e2e: [0-9]+ passed, [0-9]+ failed$' | tail -n 1)
if [ -z "$summary" ]; then
  # The driver died or was stopped: count what it finished and fail the rest.
  passed=$(grep -c '^\[ PASS \]' "$log")
  failed=$(grep -c '^\[ FAIL \]' "$log")
  [ "$status" = 124 ] && echo "e2e: the driver ran longer than ${time_limit} s"
  echo "e2e: the driver ended with status $status"
  echo "e2e: $passed passed, $((failed + 1)) failed"
  exit 1
fi
[ "$status" -eq 0 ] || exit "$status"

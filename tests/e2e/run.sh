#!/usr/bin/env bash
# Runs the end-to-end tests of the real game under wine, on a private X display and in
# private wine prefixes, against each Windows build this machine can run:
#
#   i686  the 32-bit release, build/i686/win32/zirirar.exe, under the 32-bit loader
#         (wine32) in a 32-bit prefix, where this kernel runs 32-bit code;
#   x64   the same sources built for x86_64, build/x64/win32/zirirar.exe, under wine64.
#
# Each build is driven by a driver and hook libraries of its own word size, built beside
# it. Each prints its line, "e2e (32-bit release, wine32): N passed, N failed" or
# "e2e (x86_64 build, wine64): ...", or says why it did not run; the last line adds
# them up: "e2e: N passed, N failed". A build that did not run counts as nothing.
#
# Usage: tests/e2e/run.sh [--target i686|x64] [CASE ...]   (--list: the case names)
# Environment: E2E_TIME_LIMIT seconds one driver run may take (default 600)
#
# Everything is bounded: each start-up step has a time limit, the driver limits each of
# its steps and cases, and `timeout` limits the driver. On exit, however it comes, the
# driver, each prefix's wineserver (with any game left running in it) and the X server
# are ended by their ids. Runs against the same build wait for each other (a lock),
# since they would share its prefix.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
time_limit=${E2E_TIME_LIMIT:-600}

targets=()
if [ "${1:-}" = "--target" ]; then
  targets=("$2")
  shift 2
fi
if [ ${#targets[@]} -eq 0 ]; then
  targets=(i686 x64)
fi

# Lines of the form "e2e ...: N passed, N failed" are what scripts/test-all.sh counts.
total_passed=0
total_failed=0
report() {  # label passed failed
  echo "e2e ($1): $2 passed, $3 failed"
  total_passed=$((total_passed + $2))
  total_failed=$((total_failed + $3))
}

work=$(mktemp -d)
driver_pid=""
tail_pid=""
servers=()  # "wineserver-path prefix" of every server this script started

stop_server() {  # wineserver prefix
  WINEPREFIX=$2 timeout 20 "$1" -k 2>/dev/null
  WINEPREFIX=$2 timeout 20 "$1" -w 2>/dev/null
}

cleanup() {
  local pid entry
  for pid in $driver_pid $tail_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  for entry in "${servers[@]}"; do
    # shellcheck disable=SC2086
    stop_server $entry
  done
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A private X server, started with the first build that runs.
# shellcheck source=tests/support/xvfb.sh
source tests/support/xvfb.sh
start_x() {
  [ -n "$xvfb_pid" ] && return 0
  start_xvfb "$work" 1280x1024x24 || { echo "e2e: could not start the X server"; return 1; }
}

# Runs the driver of one build against its game. Prints the driver's output and the
# build's line; returns non-zero when anything failed or could not run.
run_target() {  # target CASE...
  local target=$1 label build wine wineserver arch
  shift
  case "$target" in
    i686)
      label="32-bit release, wine32"
      build=build/i686 wine=/usr/lib/wine/wine wineserver=/usr/lib/wine/wineserver32 arch=win32
      if ! bash scripts/runs32.sh; then
        echo "e2e: 32-bit release: not run, this kernel runs no 32-bit code"
        return 0
      fi
      if [ ! -x "$wine" ]; then
        echo "e2e: 32-bit release: not run, wine32 is not installed (scripts/setup.sh says why)"
        return 0
      fi
      ;;
    x64)
      label="x86_64 build, wine64"
      build=build/x64 wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver64 arch=win64
      ;;
    *)
      echo "e2e: unknown target $target (i686 or x64)"
      report "$target" 0 1
      return 1
      ;;
  esac

  local game=$root/$build/win32/zirirar.exe driver=$root/$build/tests/e2e/e2e_driver.exe
  fail_setup() {
    echo "e2e ($label): $*"
    report "$label" 0 1
  }
  [ -x "$wine" ] && [ -x "$wineserver" ] ||
    { fail_setup "$wine is not installed (scripts/setup.sh)"; return 1; }
  [ -f "$game" ] && [ -f "$driver" ] ||
    { fail_setup "build $build first (scripts/build.sh)"; return 1; }
  start_x || { report "$label" 0 1; return 1; }

  export WINEPREFIX=$root/$build/e2e-prefix WINEARCH=$arch WINESERVER=$wineserver
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A null audio device: the game's sound stream runs and is written as on a machine
  # with a sound card, silently, and the audio library has nothing to complain about.
  export ALSA_CONFIG_PATH=$root/tests/e2e/alsa-null.conf

  # One run per prefix at a time. The lock's descriptor is closed for every process
  # started below, so none of them can keep holding it.
  mkdir -p "$root/$build"
  exec 9>"$root/$build/e2e.lock"
  flock -w "$time_limit" 9 ||
    { fail_setup "another end-to-end run holds $build/e2e.lock"; return 1; }

  # The prefix, made once; without a window manager, Managed=N spares a 2 s wait on
  # every top-level window that closes.
  servers+=("$wineserver $WINEPREFIX")
  if [ ! -f "$WINEPREFIX/.e2e-ready" ]; then
    echo "e2e ($label): creating the wine prefix $build/e2e-prefix"
    stop_server "$wineserver" "$WINEPREFIX"
    timeout 300 "$wine" wineboot -i >/dev/null 2>&1 9>&- ||
      { fail_setup "wineboot -i failed"; return 1; }
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >/dev/null 2>&1 9>&- || { fail_setup "cannot set Managed=N"; return 1; }
    timeout 60 "$wineserver" -w
    touch "$WINEPREFIX/.e2e-ready"
  fi

  # A wineserver that stays up for the whole run, so each start of the game is quick.
  # A server left over from an interrupted run of this prefix is ended first.
  stop_server "$wineserver" "$WINEPREFIX"
  "$wineserver" -p 9>&- || { fail_setup "cannot start the wineserver"; return 1; }
  # Cases that set the screen's density for the games they start (cases_desktop.cpp)
  # remove it when they end; a run cut short in between would leave it to every case.
  timeout 60 "$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 9>&-

  if [ "${1:-}" = "--list" ]; then
    timeout 60 "$wine" "$driver" --list 9>&- | tr -d '\r'
    stop_server "$wineserver" "$WINEPREFIX"
    exec 9>&-
    return 0
  fi

  echo "e2e ($label): $build/win32/zirirar.exe"
  local game_path log status summary passed failed
  game_path="Z:$(sed 's|/|\\|g' <<<"$game")"
  log=$work/driver-$target.log
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
  stop_server "$wineserver" "$WINEPREFIX"
  exec 9>&-

  summary=$(tr -d '\r' <"$log" | grep -E '^e2e: [0-9]+ passed, [0-9]+ failed$' | tail -n 1)
  if [ -z "$summary" ]; then
    # The driver died or was stopped: count what it finished and fail the rest.
    passed=$(grep -c '^\[ PASS \]' "$log")
    failed=$(grep -c '^\[ FAIL \]' "$log")
    [ "$status" = 124 ] && echo "e2e ($label): the driver ran longer than ${time_limit} s"
    echo "e2e ($label): the driver ended with status $status"
    report "$label" "$passed" $((failed + 1))
    return 1
  fi
  passed=$(grep -oE '[0-9]+ passed' <<<"$summary" | grep -oE '[0-9]+')
  failed=$(grep -oE '[0-9]+ failed' <<<"$summary" | grep -oE '[0-9]+')
  [ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
  report "$label" "$passed" "$failed"
  [ "$failed" -eq 0 ]
}

overall=0
for target in "${targets[@]}"; do
  run_target "$target" "$@" || overall=1
done
[ "${1:-}" = "--list" ] && exit "$overall"
echo "e2e: $total_passed passed, $total_failed failed"
exit "$overall"

#!/usr/bin/env bash
# The Linux sound service against a real sound server, one scenario a run:
#   run.sh plays DRIVER        a private server whose null sink is recorded
#                              (check_sound.py checks what it played)
#   run.sh no_server DRIVER    no server at all: PULSE_SERVER names a socket where
#                              nothing listens
#   run.sh server_lost DRIVER  the server killed while a note plays
#   run.sh browser DRIVER ENGINE SITE
#                              the browser game's voice: DRIVER is browser_game_test,
#                              which plays the same requests through the page at SITE
#                              in ENGINE (chromium or firefox)
# Without sound the game must go on: exactly one line on standard error, requests
# that return at once, a prompt close. DRIVER is pulse_sound_driver.
set -euo pipefail
scenario=$1 driver=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/pulse_sink.sh"
work=$(mktemp -d)
trap 'stop_pulse_sink; rm -rf "$work"' EXIT

# Checks a run of the driver without sound, from its output and standard error.
check_silent_run() {
  local status=$1 out=$work/out err=$work/err failed=0 longest closing
  [ "$status" -eq 0 ] || { echo "FAILED: the driver ended with $status"; failed=1; }
  if [ "$(wc -l <"$err")" -ne 1 ] || ! grep -qE '^zirirar-aduzo: no sound: .+' "$err"; then
    echo "FAILED: standard error is not the one line that says why there is no sound:"
    cat "$err"
    failed=1
  fi
  # A request takes microseconds, closing without a stream a few; 1 s would be a stuck thread.
  longest=$(sed -nE 's/^calls .* longest ([0-9.]+) ms.*/\1/p' "$out")
  closing=$(sed -nE 's/^shutdown ([0-9.]+) ms/\1/p' "$out")
  awk -v l="${longest:-999}" 'BEGIN { exit !(l <= 100) }' ||
    { echo "FAILED: a request held the caller ${longest:-?} ms"; failed=1; }
  awk -v c="${closing:-999}" 'BEGIN { exit !(c <= 500) }' ||
    { echo "FAILED: closing took ${closing:-?} ms"; failed=1; }
  echo "$scenario: $(cat "$err"); $(grep -c '^\(play\|stop\|effect\) ' "$out") requests," \
    "longest ${longest:-?} ms; close ${closing:-?} ms"
  return $failed
}

case $scenario in
  plays)
    start_pulse_sink "$work"
    python3 "$here/check_sound.py" "$driver"
    ;;
  browser)
    # Its log tells when the browser's stream ran dry (check_sound.py).
    start_pulse_sink "$work" null --log-level=debug --log-time=1
    case $3 in chromium) client=Chromium ;; firefox) client=Firefox ;; *) client=$3 ;; esac
    python3 "$here/check_sound.py" --client "$client" "$driver" --engine="$3" --site="$4" --sound
    ;;
  no_server)
    export PULSE_SERVER=unix:$work/nobody-listens.sock PULSE_COOKIE=$work/cookie
    status=0
    "$driver" silent >"$work/out" 2>"$work/err" || status=$?
    check_silent_run $status
    ;;
  server_lost)
    start_pulse_sink "$work"
    "$driver" lost "$pulse_sink_pid" >"$work/out" 2>"$work/err" &
    driver_pid=$!
    # The note reaches the server before the driver kills it (after 1 s).
    playing=0
    for _ in $(seq 1 16); do
      pactl list sink-inputs 2>/dev/null | grep -q 'application.name = "Zirirar Aduzo"' &&
        { playing=1; break; }
      sleep 0.05
    done
    status=0
    # Quietly: the shell would report its killed server on standard error.
    { wait $driver_pid || status=$?; stop_pulse_sink; } 2>/dev/null
    [ $playing = 1 ] || echo "FAILED: the note never reached the server"
    check_silent_run $status && [ $playing = 1 ]
    ;;
  *)
    echo "usage: run.sh plays|no_server|server_lost DRIVER | browser DRIVER ENGINE SITE" >&2
    exit 2
    ;;
esac

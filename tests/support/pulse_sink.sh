# A private PulseAudio server for a test or a benchmark, sourced by it:
# `start_pulse_sink WORKDIR [SINK [OPTION...]]` starts one whose only sink is a null
# sink (SINK, default "null", at 44100 Hz, the default sink; its monitor can be
# recorded), on a socket of its own under WORKDIR that takes any local client, with
# any further pulseaudio OPTIONs, and exports PULSE_SERVER to reach it. Its home,
# runtime folder and log (WORKDIR/pulse/server.log) are under WORKDIR, so it needs no
# session and runs as root as well. It shares memory with its clients, as a desktop's
# server does: without it their sound goes through the server's main thread, which a
# busy machine holds up (beside two busy processes on two cores a 20 ms stream ran
# dry 11 times in 30 s without, at most 3 with). Returns non-zero, showing the log,
# when the server does not answer. `stop_pulse_sink` ends it by its id.
pulse_sink_pid=""
start_pulse_sink() {  # workdir [sink [option...]]
  local dir=$1/pulse sink=${2:-null}
  shift $(($# < 2 ? $# : 2))
  command -v pulseaudio >/dev/null && command -v pactl >/dev/null ||
    { echo "pulseaudio or pactl is not installed (scripts/setup.sh)"; return 1; }
  mkdir -p "$dir/home" "$dir/runtime"
  chmod 700 "$dir/runtime"
  cat >"$dir/server.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/socket
load-module module-null-sink sink_name=$sink rate=44100
set-default-sink $sink
PA
  HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime \
    pulseaudio -n -F "$dir/server.pa" --daemonize=no --system=no --exit-idle-time=-1 \
    --use-pid-file=no --log-target=stderr "$@" >"$dir/server.log" 2>&1 9>&- &
  pulse_sink_pid=$!
  # Clients keep their cookie here too, not in the home of whoever runs the test.
  export PULSE_SERVER=unix:$dir/socket PULSE_COOKIE=$dir/cookie
  for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && return 0
    kill -0 "$pulse_sink_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "pulseaudio did not start:"
  tail -n 5 "$dir/server.log"
  stop_pulse_sink
  return 1
}
stop_pulse_sink() {
  [ -n "$pulse_sink_pid" ] || return 0
  kill "$pulse_sink_pid" 2>/dev/null || true
  wait "$pulse_sink_pid" 2>/dev/null || true
  pulse_sink_pid=""
}

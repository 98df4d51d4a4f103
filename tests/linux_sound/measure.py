#!/usr/bin/env python3
"""Captures the output of one run of a sound driver and measures it.

Usage: measure.py OUT_PREFIX -- COMMAND...
Starts parec on the default sink's monitor (PULSE_SERVER must name the private
server), waits until data flows, runs COMMAND (bench/sound's sound_bench under wine64,
or the Linux service's driver), stops the capture, and writes OUT_PREFIX.json with the
figures (printed too). The Linux sound test (check_sound.py) and the benchmark's key
to note measure (bench/native/key_sound.py) record and measure with the same functions.

Dating the capture: every chunk parec delivers is stamped with the wall clock as it
arrives; a sample is dated by the arrival of its chunk. The null sink renders up to
its configured latency (read from the server during the run) ahead of its clock, and
it re-renders ahead-rendered audio when a stream starts or is flushed (a rewind),
which its monitor cannot take back; so counting samples from a common origin drifts,
while a sample's arrival is never earlier than when the sink had it. A sample is
heard (by the sink's clock) no later than its arrival plus the configured latency,
which is what the latencies below use: they are upper bounds, good to a few ms.
"""
import array
import bisect
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time

RATE = 44100           # capture rate: exactly twice the sounds' rate
SCALE = RATE / 22050   # capture samples per sound sample
PEAK = 32 * 256        # a note's amplitude in 16-bit output: plateaus at 128 +- 32
LEVEL = PEAK // 2      # above this, the signal is sounding
# Latency parec asks of the sink. The sink renders at the smallest latency any of its
# clients asks for; asking for more than the game's stream does leaves the sink at what
# the game's stream asks, as when it plays alone on a real device.
CAPTURE_LATENCY_MS = int(os.environ.get("CAPTURE_LATENCY_MS", "50"))


class Capture:
    def __init__(self):
        self.proc = subprocess.Popen(
            ["parec", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=1",
             f"--latency-msec={CAPTURE_LATENCY_MS}", "-d", "@DEFAULT_MONITOR@"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.data = bytearray()
        self.chunks = []  # (wall-clock arrival, samples delivered up to then)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 4096)
            now = time.time()
            if not chunk:
                return
            self.data += chunk
            self.chunks.append((now, len(self.data) // 2))

    def wait_for_data(self, limit=10.0):
        end = time.time() + limit
        while len(self.data) < RATE and time.time() < end:
            time.sleep(0.05)
        if len(self.data) < RATE:
            raise SystemExit("measure: no audio data arrives from parec")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.thread.join(timeout=10)
        return array.array("h", self.data[:len(self.data) // 2 * 2]).tolist()  # s16le: this machine's order


def sink_latency():
    """The null sink's current and configured latency, in microseconds."""
    text = subprocess.run(["pactl", "list", "sinks"], stdout=subprocess.PIPE, text=True).stdout
    found = re.search(r"Latency: (\d+) usec, configured (\d+) usec", text)
    if not found:
        return {}
    return {"current_us": int(found.group(1)), "configured_us": int(found.group(2))}


class Timeline:
    """Arrival times of the captured samples (see the module's description)."""

    def __init__(self, chunks, ahead_s):
        self.arrivals = [a for a, _ in chunks]
        self.counts = [c for _, c in chunks]
        self.ahead = ahead_s

    def first_after(self, unix_us):
        """Index of the first sample that arrived after this time."""
        i = bisect.bisect_right(self.arrivals, unix_us / 1e6)
        return self.counts[i - 1] if i > 0 else 0

    def heard_by(self, k):
        """Latest wall-clock time at which sample k was heard."""
        i = bisect.bisect_right(self.counts, k)
        return self.arrivals[min(i, len(self.arrivals) - 1)] + self.ahead


def ms(samples):
    return 1000.0 * samples / RATE


def first_loud(x, indices, level=LEVEL):
    """The first of `indices` where x sounds above `level`, or None."""
    return next((i for i in indices if abs(x[i]) > level), None)


def onset(x, start, limit):
    return first_loud(x, range(max(start, 0), min(limit, len(x))))


def last_sound(x, start, limit):
    return first_loud(x, range(min(limit, len(x)) - 1, max(start, 0) - 1, -1))


def largest_step(x, begin, end):
    """The largest difference between two neighbouring samples in x[begin:end]."""
    begin, end = max(begin, 1), min(end, len(x))
    return max((abs(x[i] - x[i - 1]) for i in range(begin, end)), default=0)


def steady_windows(x, begin, end, period):
    """One flag per period-long window: does the note sound there as it should?

    A window sounds when its swing is the note's (plateau to plateau, within 25 %) and
    it repeats the period before it sample for sample (within 10 % of the swing)."""
    swing = 2 * PEAK

    def sounds(i):
        w, prev = x[i:i + period], x[i - period:i]
        return (abs((max(w) - min(w)) - swing) <= swing // 4
                and max(abs(a - b) for a, b in zip(w, prev)) <= swing // 10)

    return [sounds(i) for i in range(begin + period, end - period + 1, period)]


def pitch(x, begin, end):
    """Frequency from the upward zero crossings, interpolated between samples; the
    intervals far from the median (a gap) are left out."""
    times = []
    for i in range(begin + 1, end):
        if x[i - 1] < 0 <= x[i]:
            times.append(i - 1 + (-x[i - 1]) / (x[i] - x[i - 1]))
    intervals = [b - a for a, b in zip(times, times[1:])]
    if len(intervals) < 4:
        return None
    med = statistics.median(intervals)
    good = [d for d in intervals if abs(d - med) <= 0.05 * med]
    return RATE / (sum(good) / len(good)) if good else None


def note_samples(name):
    n = int(name[1:])
    table = {53: 127, 54: 120, 55: 112, 56: 106, 57: 100, 58: 95, 59: 89, 60: 84, 61: 80,
             62: 75, 63: 71, 64: 67, 65: 63, 66: 60, 67: 56, 68: 53, 69: 50, 70: 47,
             71: 45, 72: 42}
    return table[n]


def analyse(x, timeline, events):
    plays = []      # (play time, stop or next request time, name)
    effects = []    # (time, name, next request time)
    for n, (kind, at, name) in enumerate(events):
        after = events[n + 1][1] if n + 1 < len(events) else at + 1000000
        if kind == "play":
            plays.append((at, after, name))
        elif kind == "effect":
            effects.append((at, name, after))
    held = plays[1]  # plays[0] is the warm-up
    notes = plays[2:22]
    result = {"starts_ms": [], "stops_ms": [], "pitch": {}, "segments": [], "effects": [],
              "stop_steps": [], "replace_steps": []}

    def sounding(play_at, stop_at):
        p, s = timeline.first_after(play_at), timeline.first_after(stop_at)
        on = onset(x, p, s)
        off = last_sound(x, on if on is not None else p, timeline.first_after(stop_at + 300000))
        return p, s, on, off

    for play_at, stop_at, name in [held] + notes:
        p, s, on, off = sounding(play_at, stop_at)
        if on is None or off is None:
            result["starts_ms"].append(None)
            result["stops_ms"].append(None)
            continue
        result["starts_ms"].append((timeline.heard_by(on) * 1e6 - play_at) / 1000)
        result["stops_ms"].append((timeline.heard_by(off) * 1e6 - stop_at) / 1000)
        # The end of the note: every sample from the stop request to 100 ms after it.
        result["stop_steps"].append(largest_step(x, s, timeline.first_after(stop_at + 100000)))
        if (play_at, name) != (held[0], held[2]):
            f = pitch(x, on + int(0.05 * RATE), s - int(0.01 * RATE))
            result["pitch"][name] = {"measured": f, "expected": 22050 / note_samples(name)}

    # Replacements: each later request's stretch plays its own note, steadily.
    replacing = {at for n, (kind, at, _) in enumerate(events)
                 if kind == "play" and n > 0 and events[n - 1][0] == "play"}
    for play_at, until, name in plays[22:-1]:
        p, s = timeline.first_after(play_at), timeline.first_after(until)
        if play_at in replacing:
            result["replace_steps"].append(
                largest_step(x, p, timeline.first_after(play_at + 100000)))
        on = onset(x, p, s)
        seg = {"name": name, "pitch": None, "sounding_pct": 0.0}
        if on is not None:
            begin = on + int(0.1 * RATE)  # past the fade of what it replaced
            seg["pitch"] = pitch(x, begin, s)
            flags = steady_windows(x, begin, s, int(note_samples(name) * SCALE))
            seg["sounding_pct"] = 100.0 * sum(flags) / max(len(flags), 1)
        result["segments"].append(seg)

    # The first note after a long silence (the output may have been closed meanwhile).
    play_at, stop_at, name = plays[-1]
    p, s, on, off = sounding(play_at, stop_at)
    result["start_after_idle_ms"] = (
        None if on is None else (timeline.heard_by(on) * 1e6 - play_at) / 1000)

    # Effects: they fall silent by themselves, after about their own length.
    for at, name, until in effects:
        p, s = timeline.first_after(at), timeline.first_after(until)
        on = first_loud(x, range(p, min(s, len(x))), 300)
        off = None if on is None else first_loud(x, range(min(s, len(x)) - 1, on - 1, -1), 300)
        result["effects"].append({"name": name,
                                  "sounding_ms": None if on is None else ms(off - on)})

    p, s, on, off = sounding(held[0], held[1])
    period = int(note_samples(held[2]) * SCALE)
    if on is not None:
        flags = steady_windows(x, on, s, period)
        gaps = sum(1 for a, b in zip([True] + flags, flags) if a and not b)
        result["held_seconds"] = ms(s - on) / 1000
        result["held_sounding_pct"] = 100.0 * sum(flags) / max(len(flags), 1)
        result["held_gaps"] = gaps
        result["held_gaps_per_s"] = gaps / max(ms(s - on) / 1000, 1e-9)
        # For comparison: the note's own largest step, in the middle of the held note.
        result["note_step"] = largest_step(x, on + RATE // 2, s - RATE // 2)
    return result


class Recording:
    """What record() gives: the capture, its timeline, the command's requests and
    other output lines, its standard error and exit status, the sink's latency."""

    def __init__(self, **fields):
        self.__dict__.update(fields)


def record(command, on_line=None, timeout=300):
    """Records the default sink's monitor while COMMAND runs (see the module's
    description); calls on_line with each line the command prints, as it comes."""
    capture = Capture()
    capture.wait_for_data()
    latency = {}
    probe = threading.Timer(3.0, lambda: latency.update(sink_latency()))
    probe.start()
    lines = []
    with tempfile.TemporaryFile(mode="w+") as errors:
        proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=errors, text=True)
        killer = threading.Timer(timeout, proc.kill)
        killer.start()
        for line in proc.stdout:
            lines.append(line.replace("\r", "").strip())
            if on_line:
                on_line(lines[-1])
        returncode = proc.wait()
        killer.cancel()
        errors.seek(0)
        stderr = errors.read()
    probe.join()
    time.sleep(0.5)
    x = capture.stop()
    if "configured_us" not in latency:
        raise SystemExit("measure: cannot read the sink's latency from pactl")
    events = []
    notes = []
    for line in lines:
        parts = line.split()
        if len(parts) == 3 and parts[0] in ("play", "stop", "effect"):
            events.append((parts[0], int(parts[1]), parts[2]))
        else:
            notes.append(line)
    return Recording(samples=x, chunks=capture.chunks,
                     timeline=Timeline(capture.chunks, latency["configured_us"] / 1e6),
                     lines=lines, events=events, notes=notes, stderr=stderr,
                     returncode=returncode, latency=latency)


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        raise SystemExit(__doc__)
    out = sys.argv[1]
    run = record(sys.argv[3:])
    if run.returncode != 0 or not run.events:
        raise SystemExit(f"measure: the bench failed ({run.returncode}): {run.lines[-5:]}")
    result = analyse(run.samples, run.timeline, run.events)
    result["sink_latency"] = run.latency
    result["bench"] = run.notes
    with open(out + ".json", "w") as f:
        json.dump(result, f, indent=1)
    with open(out + ".raw", "wb") as f:
        f.write(b"".join(v.to_bytes(2, "little", signed=True) for v in run.samples))
    with open(out + ".events", "w") as f:
        f.write("".join(f"chunk {a:.6f} {c}\n" for a, c in run.chunks))
        f.write("\n".join(run.lines) + "\n")
    print(json.dumps(result))


if __name__ == "__main__":
    main()

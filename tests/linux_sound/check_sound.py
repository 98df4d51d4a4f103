#!/usr/bin/env python3
"""Checks what a sound output of the game plays on a real server.

Usage: check_sound.py [--client NAME] DRIVER [ARG...]
  (PULSE_SERVER names a private server, run.sh)
Records the null sink's monitor while `DRIVER ARG... test` makes the game's requests
(pulse_sound_driver: the Linux game's output; the browser game's test program: its
page's Web Audio voice), and
checks: every note sounds without a gap at 22050 / N Hz; no stop or replacement steps
more than the notes themselves (no click), nor the shutdown of the sound in the middle
of the last note; the effects play once; the stream rests (corked, or closed) while
idle and a note after it starts; requests return at once and closing is prompt; nothing
on standard error. Timings are checked loosely and printed.

A note during which the recording shows that the machine itself stalled (the sink's
data reached the recorder late by more than half its usual interval) is not judged:
the sink's own real-time thread was then held up too, for longer than the stream holds
(once about 100 ms beside a build on this machine's two shared cores), and that
stretch tells nothing about the service. So is a browser's note during which the server
found the browser's stream run dry (its debug log; under two busy cores the notes'
gaps came exactly there, from Chromium's audio service), or the browser counted an
underrun of its own audio thread (Chromium's playbackStats): the machine held the
browser past the output's deadline. Each is named in the output, and a run in which
more than one note stalled fails.
"""
import os
import re
import statistics
import subprocess
import sys
import time
import wave

import measure as m

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

PITCH_TOLERANCE_HZ = 0.5  # the server's resampling is exact at twice the rate
LATEST_START_MS = 150     # start or stop heard: several times the stream's 40 ms
LONGEST_CALL_MS = 100     # a request takes microseconds
LATEST_CLOSE_MS = 500     # 50 ms by design; 1000 would be a stuck thread
STALL_MS = 1.5 * m.CAPTURE_LATENCY_MS  # the recorder gets the sink's data this late
UNDERRUN_WINDOW_S = 1.3  # a browser's count of underruns is a second old, looked at 4 times a second


def sound_length(name):
    with wave.open(os.path.join(ROOT, "resources", "sounds", name + ".wav")) as f:
        return f.getnframes()


def stream_rests(client):
    """Whether the stream of the sound server's client `client` rests: corked, or
    closed (as Firefox closes it)."""
    text = subprocess.run(["pactl", "list", "sink-inputs"], stdout=subprocess.PIPE,
                          text=True).stdout
    return ("Corked: yes" in text) == (f'application.name = "{client}"' in text)


def figure(lines, pattern):
    """The number that `pattern` (a regular expression with one group) finds first."""
    return next((float(f.group(1)) for line in lines if (f := re.search(pattern, line))), None)


def stalls(run):
    """The waits for the sink's data beyond its usual interval, and the seconds before
    each "underrun UNIX_MICROSECONDS COUNT" a driver printed (a browser that counts the
    times its audio thread missed the output's deadline, once a second): (from, to) in
    seconds."""
    arrivals = run.timeline.arrivals
    starved = [(int(line.split()[1]) / 1e6 - UNDERRUN_WINDOW_S, int(line.split()[1]) / 1e6)
               for line in run.notes if line.startswith("underrun ")]
    return [(a, b) for a, b in zip(arrivals, arrivals[1:]) if 1000 * (b - a) > STALL_MS] + starved


def server_underruns():
    """When the sound server found a client's stream run dry and then fed again, in
    seconds, from its debug log (run.sh browser), or [] where it logs none. Its log counts
    from its own start: a `pactl info` now, at a known time, sets the clock."""
    log = os.path.join(os.path.dirname(os.environ["PULSE_SERVER"].split(":", 1)[1]),
                       "server.log")
    before = time.time()
    subprocess.run(["pactl", "info"], stdout=subprocess.DEVNULL, check=False)
    now = (before + time.time()) / 2
    with open(log, errors="replace") as f:
        lines = [(float(found.group(1)), line) for line in f
                 if (found := re.match(r"\(\s*([0-9.]+)\|", line))]
    connected = [t for t, line in lines if "Client authenticated" in line]
    if not connected:
        return []
    return [now - connected[-1] + t for t, line in lines if "end of underrun" in line]


def judge(run, corked):
    """The run's failed checks, and lines of its figures."""
    x, tl, events = run.samples, run.timeline, run.events
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    check(run.returncode == 0, f"the driver ended with {run.returncode}")
    check(run.stderr == "", f"standard error: {run.stderr.strip()!r}")
    after = lambda at_us, ms: tl.first_after(at_us + int(ms * 1000))
    # Past a note's start and the fade of whatever it replaced: a replacement is heard
    # after what the 40 ms stream holds, and the position of a request in the recording
    # is known to a few ms.
    settle = int(0.1 * m.RATE)

    def from_silence(n):
        """Whether the request n comes 100 ms or more after a stop (and its repeats)."""
        k = n - 1
        while k > 0 and events[k][0] == "stop" and events[k - 1][0] == "stop":
            k -= 1
        return k < 0 or (events[k][0] == "stop" and events[n][1] - events[k][1] >= 100000)

    machine_stalls = stalls(run)
    stalled = []  # the notes not judged

    # A stream runs dry as it starts, resumes and closes too: only in between.
    def during_stall(begin_us, end_us):
        return (any(a < end_us / 1e6 + 0.1 and b > begin_us / 1e6 - 0.1 for a, b in machine_stalls)
                or any(begin_us / 1e6 + 0.1 < u <= end_us / 1e6 + 0.05 for u in run.underruns))

    notes = []  # per play: its request, name, largest step inside
    starts, stops = [], []
    for n, (kind, at, name) in enumerate(events):
        if kind != "play":
            continue
        end = events[n + 1][1]
        if during_stall(at, end):
            stalled.append(f"{name} at request {n}")
            continue
        p, s = tl.first_after(at), tl.first_after(end)
        on = m.onset(x, p, s)
        if on is None:
            failures.append(f"{name} at request {n} does not sound")
            continue
        if from_silence(n):
            starts.append((tl.heard_by(on) * 1e6 - at) / 1000)
        period = int(m.note_samples(name) * m.SCALE)
        flags = m.steady_windows(x, on + settle, s, period)
        check(flags and all(flags), f"{name} at request {n}: {flags.count(False)} of "
              f"{len(flags)} periods do not sound as the note")
        f, expected = m.pitch(x, on + settle, s), 22050 / m.note_samples(name)
        check(f is not None and abs(f - expected) <= PITCH_TOLERANCE_HZ,
              f"{name} at request {n}: {f} Hz, not {expected:.2f}")
        notes.append((n, name, m.largest_step(x, on + settle, s)))

    own = {n: step for n, _, step in notes}
    stop_steps, replace_steps = [], []
    for n, name, step in notes:
        kind, end, _ = events[n + 1]
        # What plays after the end within 100 ms: a note replacing it, if any.
        bound = step
        for later, (k, at, _) in enumerate(events[n + 1:], n + 1):
            if at >= end + 100000:
                break
            if k == "play" and later in own:
                bound = max(bound, own[later])
        largest = m.largest_step(x, tl.first_after(end), after(end, 100))
        (replace_steps if kind == "play" else stop_steps).append(largest)
        check(largest <= bound, f"{name} at request {n}: a step of {largest} at its end, "
              f"more than the notes' own {bound}")
        # A stop with nothing after it for 300 ms: when the note ends, silence after.
        if kind == "stop" and (n + 2 == len(events) or from_silence(n + 2)):
            off = m.last_sound(x, tl.first_after(end), after(end, 300))
            stops.append(LATEST_START_MS + 1 if off is None else
                         (tl.heard_by(off) * 1e6 - end) / 1000)
            noise = max(map(abs, x[after(end, LATEST_START_MS):after(end, 300)]), default=0)
            check(noise < 64, f"{name} at request {n}: sound after its stop ({noise})")

    effects = []
    for n, (kind, at, name) in enumerate(events):
        if kind != "effect":
            continue
        p, s = tl.first_after(at), tl.first_after(events[n + 1][1])
        loud = [i for i in range(p, s) if abs(x[i]) > 300]
        length_ms = m.ms(sound_length(name) * m.SCALE)
        sounding = m.ms(loud[-1] - loud[0]) if loud else 0
        effects.append(f"{name} {sounding:.0f} of {length_ms:.0f} ms")
        check(length_ms / 2 <= sounding <= length_ms + 30, f"{name} sounds {sounding:.0f} ms")
        if loud:
            noise = max(map(abs, x[loud[-1] + int(0.05 * m.RATE):s]), default=0)
            check(noise < 64, f"{name}: sound after its end ({noise})")

    check(len(stalled) <= 1, f"the machine stalled during {len(stalled)} notes")
    check(corked == [True], "the stream does not rest after 3 s of silence")
    check(starts and max(starts) <= LATEST_START_MS,
          f"a start heard after {max(starts or [0]):.0f} ms")
    check(stops and max(stops) <= LATEST_START_MS, f"a stop heard after {max(stops or [0]):.0f} ms")
    longest = figure(run.notes, r"longest ([0-9.]+) ms")
    closing = figure(run.notes, r"^shutdown ([0-9.]+) ms")
    check(longest is not None and longest <= LONGEST_CALL_MS,
          f"a request held the caller {longest} ms")
    check(closing is not None and closing <= LATEST_CLOSE_MS, f"closing took {closing} ms")

    spread = lambda v: f"median {statistics.median(v):.1f}, max {max(v):.1f}" if v else "none"
    return failures, [
        f"{len(notes)} notes; start latency ms {spread(starts)} (the last after the idle "
        f"stream {starts[-1] if starts else 0:.1f}); stop latency ms {spread(stops)}",
        f"largest step: inside the notes {max(own.values(), default=0)}, at stops "
        f"{max(stop_steps, default=0)}, at replacements {max(replace_steps, default=0)}",
        f"effects: {', '.join(effects)}; resting when idle: {corked}; longest request "
        f"{longest} ms; close {closing} ms",
        f"not judged, the machine stalled: {', '.join(stalled) or 'none'}"]


def main():
    args = sys.argv[1:]
    client = "Zirirar Aduzo"
    if args[:1] == ["--client"]:
        client, args = args[1], args[2:]
    if not args:
        raise SystemExit(__doc__)
    corked = []
    run = m.record(args + ["test"], timeout=120,
                   on_line=lambda line: line == "idle" and corked.append(stream_rests(client)))
    if run.returncode == 77:  # the driver could not judge, and says why
        print("\n".join(run.notes + [run.stderr.strip()]))
        return 77
    run.underruns = server_underruns()
    failures, figures = judge(run, corked)
    print("\n".join(figures))
    for line in failures:
        print("FAILED:", line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

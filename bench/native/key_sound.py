#!/usr/bin/env python3
"""Key to note: records the sink's monitor while a presser plays the game with real key
presses in free play (key_presser: the Linux game through the X server; page_bench.mjs
ENGINE keys: the browser game through its engine's automation), and prints how soon
after each press its note was heard, whether it sounded whole at its pitch, and the
largest step where each flash ended.

Usage: key_sound.py PRESSER [ARG...]   (PULSE_SERVER is set; the presser prints a line
"play UNIX_MICROSECONDS aNN" before each press)
"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "linux_sound"))
import measure as m  # noqa: E402


def main():
    run = m.record(sys.argv[1:], timeout=120)
    x, tl = run.samples, run.timeline
    plays = [(at, name) for kind, at, name in run.events if kind == "play"]
    starts, whole, pitch_errors, steps, inside, broken = [], 0, [], [], [], []
    for at, name in plays:
        p, s = tl.first_after(at), tl.first_after(at + 650000)
        on = m.onset(x, p, s)
        if on is None:
            continue
        starts.append((tl.heard_by(on) * 1e6 - at) / 1000)
        end = on + int(0.44 * m.RATE)  # the flash lasts 10 ticks: 500 ms
        period = int(m.note_samples(name) * m.SCALE)
        flags = m.steady_windows(x, on + int(0.01 * m.RATE), end, period)
        whole += bool(flags) and all(flags)
        if flags and not all(flags):
            first = flags.index(False)
            broken.append(f"{name} at {10 + m.ms((first + 1) * period):.0f} ms "
                          f"({flags.count(False)} periods)")
        f = m.pitch(x, on + int(0.01 * m.RATE), end)
        if f is not None:
            pitch_errors.append(abs(f - 22050 / m.note_samples(name)))
        steps.append(m.largest_step(x, end, s))
        inside.append(m.largest_step(x, on + int(0.01 * m.RATE), end))
    print(f"keys {len(plays)}, heard {len(starts)}, whole at their pitch {whole}; key to first "
          f"sample at the sink: median {statistics.median(starts):.1f} ms, max "
          f"{max(starts):.1f} ms; worst pitch error {max(pitch_errors, default=0):.2f} Hz; "
          f"largest step at the flashes' ends {max(steps, default=0)} (inside the notes: "
          f"{max(inside, default=0)})"
          + (f"; not whole: {', '.join(broken)}" if broken else ""))


if __name__ == "__main__":
    main()

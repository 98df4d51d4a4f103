#!/usr/bin/env python3
"""Prints the figures of measure.py side by side, one column a run.

Usage: report.py LABEL=RUN.json...   (measure.sh: "our stream" and "PlaySoundA";
measure_linux.sh: the Linux stream alone)"""
import json
import statistics
import sys


def spread(values):
    values = [v for v in values if v is not None]
    if not values:
        return "none"
    return (f"median {statistics.median(values):5.1f}  max {max(values):5.1f}"
            f"  ({len(values)} notes)")


def steps(values):
    if not values:
        return "none"
    return f"median {statistics.median(values):5.0f}  max {max(values):5d}  ({len(values)})"


def main():
    if len(sys.argv) < 2 or not all("=" in a for a in sys.argv[1:]):
        raise SystemExit(__doc__)
    names = [a.split("=", 1)[0] for a in sys.argv[1:]]
    runs = [json.load(open(a.split("=", 1)[1])) for a in sys.argv[1:]]
    rows = [
        ("held note sounding (goal >= 99 %)",
         lambda r: f"{r.get('held_sounding_pct', 0):.1f} %"),
        ("gaps in the held note",
         lambda r: f"{r.get('held_gaps', '?')} in {r.get('held_seconds', 0):.2f} s"),
        ("start latency ms (goal < 25)", lambda r: spread(r["starts_ms"])),
        ("stop latency ms (goal < 25)", lambda r: spread(r["stops_ms"])),
        ("largest step at a stop (16-bit)", lambda r: steps(r["stop_steps"])),
        ("largest step at a replacement", lambda r: steps(r["replace_steps"])),
        ("largest step inside a held note", lambda r: str(r.get("note_step", "?"))),
        ("start latency ms after the idle stretch",
         lambda r: "none" if r.get("start_after_idle_ms") is None
         else f"{r['start_after_idle_ms']:.1f}"),
    ]
    width = 40
    print(f"{'':{width}} " + " ".join(f"{n:<42}" for n in names).rstrip())
    for label, cell in rows:
        print(f"{label:{width}} " + " ".join(f"{cell(r):<42}" for r in runs).rstrip())
    print()
    print(f"{'pitch Hz':10} {'22050/N':>9} " + " ".join(f"{n:>12}" for n in names))
    worst = [0.0] * len(runs)
    for name in sorted(runs[0]["pitch"]):
        expected = runs[0]["pitch"][name]["expected"]
        cells = []
        for k, run in enumerate(runs):
            f = run["pitch"].get(name, {}).get("measured")
            if f is None:
                cells.append("none")
                worst[k] = float("inf")
            else:
                cells.append(f"{f:.2f}")
                worst[k] = max(worst[k], abs(f - expected))
        print(f"{name:10} {expected:9.2f} " + " ".join(f"{c:>12}" for c in cells))
    print(f"{'worst |error| Hz (goal <= 1)':20} " + " ".join(f"{w:12.2f}" for w in worst))
    print()
    print("replacements (pitch Hz, share sounding):")
    label = ["a53", "a72 replacing a53", "a72 again", "a60", "a65 after stop, same tick"]
    for k, seg in enumerate(runs[0]["segments"]):
        cells = []
        for run in runs:
            other = run["segments"][k] if k < len(run["segments"]) else {}
            f = other.get("pitch")
            cells.append(f"{f:.2f} Hz {other.get('sounding_pct', 0):.0f} %" if f else "none")
        print(f"  {label[k] if k < len(label) else seg['name']:28} "
              + " ".join(f"{c:<22}" for c in cells).rstrip())
    print("effects (time sounding, ms):")
    for k, effect in enumerate(runs[0]["effects"]):
        cells = []
        for run in runs:
            v = run["effects"][k]["sounding_ms"] if k < len(run["effects"]) else None
            cells.append("none" if v is None else f"{v:.0f}")
        print(f"  {effect['name']:28} " + " ".join(f"{c:<22}" for c in cells).rstrip())
    print()
    for name, run in zip(names, runs):
        for line in run.get("bench", []):
            if line.startswith(("calls", "idle", "shutdown")):
                print(f"{name}: {line}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Turns the raw measurements of bench/run.sh into one table (Markdown): for each
figure the median over the runs with its spread (lowest to highest), the target, and
where there is one a reference figure quoted from elsewhere (REFERENCE_* below). The
references were not measured in the same run, so no ratio is given.

    python3 bench/summarize.py RESULTS
"""

import os
import statistics
import sys

try:
    import pefile
except ImportError:  # an interpreter outside the system one: use Debian's package
    sys.path.append("/usr/lib/python3/dist-packages")
    import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tick_period import TICK_MS  # noqa: E402

# Figures quoted in issue 7 (before 8 December 2026), measured on a machine of this
# workplace under wine64 + Xvfb, not by this benchmark: a comparable desktop game of
# this kind (its window mapped after launch, its PSS) and a plain wine window with a
# 50 ms timer (processor time).
REFERENCE_LAUNCH_S = 0.46
REFERENCE_PSS_MB = 105.0
REFERENCE_IDLE_CPU_PCT = 0.5

WINDOW_S = 20.0  # ticks looked at in each run
SKIP_S = 1.0     # start-up ticks left out

LOADS = {0: "idle machine", 1: "one core busy", 2: "both cores busy"}


def median_spread(values, fmt):
    if not values:
        return "n/a"
    text = fmt % statistics.median(values)
    if len(values) > 1:
        text += " (" + fmt % min(values) + " to " + fmt % max(values) + ")"
    return text


def percentile(sorted_values, p):
    index = min(len(sorted_values) - 1, int(round(p / 100.0 * (len(sorted_values) - 1))))
    return sorted_values[index]


def read_tick_log(path):
    info, ticks = {}, []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2:
                info[parts[0]] = int(parts[1])
            elif len(parts) == 1:
                ticks.append(int(parts[0]))
    return info, ticks


def tick_figures(info, ticks):
    """Mean period, p50 and p99 of |period - 50 ms|, and drift in ticks over 20 s."""
    frequency = info["frequency"]
    times = [t * 1000.0 / frequency for t in ticks]  # ms
    if len(times) < 10:
        return None
    start = times[0] + SKIP_S * 1000.0
    window = [t for t in times if start <= t <= start + WINDOW_S * 1000.0]
    if len(window) < 2:
        return None
    periods = [b - a for a, b in zip(window, window[1:])]
    errors = sorted(abs(p - TICK_MS) for p in periods)
    span = window[-1] - window[0]
    return {
        "mean": span / len(periods),
        "p50": percentile(errors, 50),
        "p99": percentile(errors, 99),
        "max": errors[-1],
        # How far the ticks fell behind (or ran ahead of) a perfect 50 ms clock.
        "drift": (span - len(periods) * TICK_MS) / TICK_MS,
        "late": sum(1 for p in periods if p > 1.5 * TICK_MS),
        "periods": len(periods),
    }


def imports_of(path):
    imports = getattr(pefile.PE(path), "DIRECTORY_ENTRY_IMPORT", [])
    return [e.dll.decode("latin-1") for e in imports]


def main(argv):
    ticks = {load: [] for load in LOADS}
    startup = {"paint": [], "handlers": [], "create": [], "size": [], "first paint": []}
    usage = {"idle": [], "play": []}
    launches, paints, sizes, played = [], {}, [], []
    for line in open(argv[1]):
        parts = line.split()
        if not parts:
            continue
        kind = parts[0]
        if kind == "ticks":
            info, stamps = read_tick_log(parts[3])
            figures = tick_figures(info, stamps)
            if figures:
                ticks[int(parts[1])].append(figures)
            if int(parts[1]) == 0 and info.get("created_to_first_paint_us", -1) >= 0:
                startup["paint"].append(info["created_to_first_paint_us"] / 1000.0)
                handlers = [info.get("first_%s_handling_us" % m, -1)
                            for m in ("create", "size", "paint")]
                if min(handlers) >= 0:
                    startup["handlers"].append(sum(handlers) / 1000.0)
                    for key, value in zip(("create", "size", "first paint"), handlers):
                        startup[key].append(value / 1000.0)
        elif kind in usage:
            cpu_ns, server_ns, wall_ns, hwm_kb, pss_kb = (int(x) for x in parts[2:7])
            usage[kind].append({
                "cpu": 100.0 * cpu_ns / wall_ns, "server": 100.0 * server_ns / wall_ns,
                "hwm": hwm_kb / 1024.0, "pss": pss_kb / 1024.0})
            if kind == "play" and len(parts) > 7:
                played.append(parts[7].replace("_", " "))
        elif kind == "launch":
            launches.append((int(parts[2]) / 1e6, int(parts[3]) / 1e6))
        elif kind == "paint":
            paints.setdefault((parts[1], parts[2]), []).append(float(parts[3]) / 1000.0)
        elif kind == "size":
            sizes.append((parts[1], parts[2]))

    rows = []

    def row(measure, ours, target="", met=None, reference=""):
        verdict = "" if met is None else ("yes" if met else "**no**")
        rows.append((measure, ours, target, verdict, reference))

    for load, name in LOADS.items():
        runs = ticks[load]
        if not runs:
            continue
        p99 = [r["p99"] for r in runs]
        drift = [abs(r["drift"]) for r in runs]
        row("Tick period, mean (%s)" % name, median_spread([r["mean"] for r in runs], "%.3f ms"))
        row("Tick period error p50 / p99 (%s)" % name,
            median_spread([r["p50"] for r in runs], "%.2f") + " / " +
            median_spread(p99, "%.2f ms"),
            "p99 <= 10 ms" if load == 2 else "", (max(p99) <= 10.0) if load == 2 else None)
        late = sum(r["late"] for r in runs)
        row("Tick drift over 20 s (%s)" % name, median_spread(drift, "%.3f ticks") +
            "; %d of %d periods over 75 ms" % (late, sum(r["periods"] for r in runs)),
            "< 1 tick", max(drift) < 1.0)

    for kind, name in (("idle", "Idle"), ("play", "playing")):
        runs = usage[kind]
        if not runs:
            continue
        cpu = [r["cpu"] for r in runs]
        if kind == "idle":
            row("Processor time, Idle, 30 s (game process)", median_spread(cpu, "%.2f %%"),
                "<= 1 %", max(cpu) <= 1.0, "%.1f %% (plain wine window with timer)"
                % REFERENCE_IDLE_CPU_PCT)
        else:
            row("Processor time, playing, 30 s (game process)", median_spread(cpu, "%.2f %%"))
        row("Processor time, %s, 30 s (wineserver)" % name,
            median_spread([r["server"] for r in runs], "%.2f %%"))
        pss = [r["pss"] for r in runs]
        row("Peak resident memory, %s" % name, median_spread([r["hwm"] for r in runs], "%.1f MB"))
        row("PSS, %s" % name, median_spread(pss, "%.1f MB"), "<= 13 MB", max(pss) <= 13.0,
            "%.0f MB (desktop game)" % REFERENCE_PSS_MB)

    if launches:
        visible = [v for v, _ in launches]
        painted = [p for _, p in launches]
        row("Launch to window visible (wineserver up)", median_spread(visible, "%.3f s"))
        row("Launch to first painted frame (wineserver up)", median_spread(painted, "%.3f s"),
            "<= 0.23 s", max(painted) <= 0.23,
            "%.2f s (desktop game, window mapped)" % REFERENCE_LAUNCH_S)
    if startup["paint"]:
        row("In process: creation to end of first paint", median_spread(startup["paint"],
                                                                         "%.0f ms"),
            "<= 30 ms", max(startup["paint"]) <= 30.0)
        if startup["handlers"]:
            row("  of which in the game's handlers (first WM_CREATE, WM_SIZE, WM_PAINT)",
                median_spread(startup["handlers"], "%.1f ms") + ": " + ", ".join(
                    "%.1f" % statistics.median(startup[k])
                    for k in ("create", "size", "first paint")) + " ms")
            platform = [p - h for p, h in zip(startup["paint"], startup["handlers"])]
            row("  of which in the platform (loader, window system, showing the window)",
                median_spread(platform, "%.0f ms"))

    for (target, size), values in sorted(paints.items(), key=lambda kv: (kv[0][0], len(kv[0][1]),
                                                                         kv[0][1])):
        row("Full repaint %s, 20 squares lit (%s)" % (size.replace("x", " x "), target),
            median_spread(values, "%.2f ms"))

    for kind, path in sizes:
        if not os.path.exists(path):
            continue
        size = os.path.getsize(path)
        imports = ", ".join(imports_of(path))
        if kind == "i686":
            row("Executable, 32-bit, every sound inside", "%d bytes (%.0f KB)" % (size, size / 1024.0),
                "<= 256 KB", size <= 256 * 1024)
        else:
            row("Executable, x86_64", "%d bytes (%.0f KB)" % (size, size / 1024.0))
        row("  DLLs it imports (%s)" % kind, imports)

    header = ("Measure", "This game: median (spread)", "Target", "Met",
              "Quoted reference (other run)")
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for r in rows:
        print("| " + " | ".join(r) + " |")
    if played:
        print()
        print("Driver while playing: " + "; ".join(played))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

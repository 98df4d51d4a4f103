#!/usr/bin/env python3
"""Turns the raw output of bench/soak/run.sh (one file a row) into the soak table
(Markdown): for each row its private bytes at the start, after the warm-up and at the
end, the growth after the warm-up in all and per 1,000 cycles, whether it stays under
512 KB, its GDI and USER objects, and for the idle row the ticks against the clock.

    python3 bench/soak/summarize.py RESULTS/*.txt
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from tick_period import TICK_MS  # noqa: E402

FLAT_BYTES = 512 * 1024

WHAT = {
    "level": "Level dialog opened, painted, closed with OK",
    "instructions": "Instructions dialog opened, painted, closed",
    "about": "About box opened, painted, closed",
    "resize": "resize (client 104 x 1 up to the screen) and its repaint",
    "repaint": "full repaint (erase and paint) in free play",
    "sound-on": "press in free play, sound on, streaming to a null sink",
    "sound-on-no-device": "press in free play, sound on, no audio device",
    "sound-off": "press in free play, sound off",
    "games": "whole game to 6 notes, watched and repeated",
    "idle": "second left alone between games",
    "keys": "F3 and F1 pressed for real, each dialog closed with Escape",
    "minimise": "minimised and restored",
    "maximise": "maximised and restored",
    "bare-level": "smallest program: Level-like dialog",
    "bare-instructions": "smallest program: Instructions-like dialog, the game's text",
    "bare-instructions-4x": "smallest program: same, the game's text four times over",
    "bare-instructions-unwrapped": "smallest program: same, 2,400 characters in short lines",
    "bare-about": "smallest program: message box with the information icon",
}


def parse_sample(fields):
    # sample KIND CYCLE MS BYTES gdi N ( dc a region b ... ) windows W menus M icons I
    # accelerators A guiresources G U
    sample = {"cycle": int(fields[2]), "ms": float(fields[3]), "bytes": int(fields[4])}
    rest = " ".join(fields[5:]).replace("(", " ").replace(")", " ").split()
    sample["gdi"] = int(rest[1])
    i = 2
    kinds = {}
    while rest[i] != "windows":
        kinds[rest[i]] = int(rest[i + 1])
        i += 2
    sample["gdi_kinds"] = kinds
    for name in ("windows", "menus", "icons", "accelerators"):
        sample[name] = int(rest[rest.index(name) + 1])
    g = rest.index("guiresources")
    sample["guiresources"] = (int(rest[g + 1]), int(rest[g + 2]))
    return sample


def read(path):
    row = {"samples": [], "ticks": None, "games": None, "failures": []}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            if fields[0] == "sample":
                row["samples"].append(parse_sample(fields))
            elif fields[0] == "ticks":
                row["ticks"] = (int(fields[2]), float(fields[3]), float(fields[4]))
                row["elapsed"] = float(fields[4]) / 1000.0
            elif fields[0] == "games":
                row["games"] = (int(fields[2]), int(fields[4]))
            elif fields[0] == "row":
                row.update(name=fields[1], program=fields[2], kind=fields[3],
                           cycles=int(fields[4]), status=int(fields[6]))
            elif fields[0] == "soak:":
                row["failures"].append(line.strip())
    return row


def warm_up(cycles):
    """The cycle after which the warm-up is over: 100 of 1,000 and more, else a tenth."""
    return 100 if cycles >= 1000 else max(1, cycles // 10)


def at(samples, cycle):
    for s in samples:
        if s["cycle"] >= cycle:
            return s
    return samples[-1]


def after_warm_up(row):
    """The sample after the warm-up, the last one, and the bytes gained a cycle between."""
    samples = row["samples"]
    warm, end = at(samples, warm_up(row.get("cycles", samples[-1]["cycle"]))), samples[-1]
    return warm, end, (end["bytes"] - warm["bytes"]) / max(1, end["cycle"] - warm["cycle"])


def kb(value):
    return "%.0f KB" % (value / 1024.0)


def user(s):
    return "%d, %d, %d, %d" % (s["windows"], s["menus"], s["icons"], s["accelerators"])


def table(rows):
    out = [
        "| Row | One cycle | Cycles | Private bytes: start / after warm-up / end "
        "| Growth after warm-up | per 1,000 cycles | Under 512 KB | GDI objects: start / "
        "after warm-up / end | USER objects (windows, menus, icons, accelerators): start / "
        "after warm-up / end | Time of the cycles |",
        "|---|---|---|---|---|---|---|---|---|---|",
    ]
    for row in rows:
        samples = row["samples"]
        if not samples:
            out.append("| %s | %s | no samples (status %s) |  |  |  |  |  |  |  |" % (
                row.get("name", "?"), WHAT.get(row.get("name"), ""), row.get("status")))
            continue
        cycles = samples[-1]["cycle"]
        start = samples[0]
        warm, end, per_cycle = after_warm_up(row)
        growth = end["bytes"] - warm["bytes"]
        flat = "yes" if growth < FLAT_BYTES else "**no**"
        if row.get("status", 0) != 0 or cycles < row.get("cycles", cycles):
            flat += " (run failed)"
        out.append(
            "| %s | %s | %d (warm-up %d) | %s / %s / %s | %+.0f KB | %+.1f KB | %s | "
            "%d / %d / %d | %s / %s / %s | %.0f s |" % (
                row["name"], WHAT.get(row["name"], row.get("kind", "")), cycles, warm["cycle"],
                kb(start["bytes"]), kb(warm["bytes"]), kb(end["bytes"]), growth / 1024.0,
                per_cycle * 1000.0 / 1024.0, flat, start["gdi"], warm["gdi"], end["gdi"], user(start),
                user(warm), user(end), row.get("elapsed", 0)))
    return "\n".join(out)


def notes(rows):
    lines = []
    gui = {s["guiresources"] for row in rows for s in row["samples"]}
    lines.append("GetGuiResources inside the game answered %s in every sample." %
                 " and ".join("(%d, %d)" % g for g in sorted(gui)))
    for row in rows:
        if row.get("games") and row.get("name") == "games":
            lines.append("%s: %d won, %d lost." % (row["name"], row["games"][0], row["games"][1]))
        if row.get("name") == "idle" and row.get("ticks"):
            ticks, span, elapsed = row["ticks"]
            lines.append(
                "idle: %d ticks in %.1f s on the driver's clock, which is %.2f periods of "
                "%g ms (difference %+.2f ticks); %.2f periods from the tick before the first "
                "second to the last tick (difference %+.2f)." % (
                    ticks, elapsed / 1000.0, elapsed / TICK_MS, TICK_MS, ticks - elapsed / TICK_MS,
                    span / TICK_MS, ticks - span / TICK_MS))
        for failure in row["failures"]:
            lines.append("%s: %s" % (row.get("name"), failure))
    by_name = {row.get("name"): row for row in rows if row["samples"]}
    for game, bare in (("level", "bare-level"), ("instructions", "bare-instructions"),
                       ("about", "bare-about")):
        if game in by_name and bare in by_name:
            lines.append("%s: the game %+.0f bytes a cycle after the warm-up, the smallest "
                         "program %+.0f bytes (same run)." % (game, after_warm_up(by_name[game])[2],
                                                              after_warm_up(by_name[bare])[2]))
    return "\n".join("- " + line for line in lines)


def main(paths):
    rows = [read(p) for p in paths]
    order = list(WHAT)
    rows.sort(key=lambda r: order.index(r["name"]) if r.get("name") in order else len(order))
    print(table(rows))
    print()
    print(notes(rows))


if __name__ == "__main__":
    main(sys.argv[1:])

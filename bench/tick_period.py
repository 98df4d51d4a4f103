"""The game's tick period in milliseconds, read from the engine, which states it
(`kTickMs` in engine/game.h), so that no analysis restates it."""
import os
import re

_GAME_H = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                       "engine", "game.h")


def _read():
    with open(_GAME_H) as f:
        found = re.search(r"constexpr int kTickMs = (\d+);", f.read())
    if not found:
        raise SystemExit(f"{_GAME_H} states no kTickMs")
    return float(found.group(1))


TICK_MS = _read()

"""The game's tick period in milliseconds, read from the engine, which states it
(`kTickMs` in engine/game.h), so that no analysis restates it."""
import re
from pathlib import Path

_GAME_H = Path(__file__).absolute().parent.parent / "engine" / "game.h"
_FOUND = re.search(r"constexpr int kTickMs = (\d+);", _GAME_H.read_text())
if not _FOUND:
    raise SystemExit(f"{_GAME_H} states no kTickMs")
TICK_MS = float(_FOUND.group(1))

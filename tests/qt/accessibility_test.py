"""The Linux game as assistive technology finds it: the real game on a private X server,
session bus and accessibility bus, read and played through AT-SPI. The board is named
after the game and described by its keys; a game started from the menu item's action
tells its status bar's text, once per change: "Watch", then "Your turn"; a wrong key
brings "Wrong!". Everything it starts it stops, and it prints what it saw.

Usage: accessibility_test.py GAME   (Debian's python3, with python3-pyatspi)
"""
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEADLINE = time.monotonic() + 40
children = []


def start(argv, env, log, **options):
    with open(log, "w") as output:
        options.setdefault("stdout", output)
        children.append(subprocess.Popen(argv, env=env, stderr=output, **options))
    return children[-1]


def stop_everything():
    # This process reaps orphans (a subreaper), so the bus launcher's bus and registry
    # end as its children too: each is ended and waited for.
    for child in reversed(children):
        child.terminate()
        try:
            child.wait(5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
    for attempt in range(20):
        left = [int(p) for p in os.listdir("/proc") if p.isdigit() and parent_of(p) == os.getpid()]
        for pid in left:
            os.kill(pid, signal.SIGTERM if attempt < 10 else signal.SIGKILL)
        time.sleep(0.1)
        for pid in left:
            os.waitpid(pid, os.WNOHANG)


def parent_of(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return int(stat.read().rsplit(")", 1)[1].split()[1])
    except (OSError, IndexError, ValueError):
        return None


def pump_until(condition, what):
    from gi.repository import GLib

    context = GLib.MainContext.default()
    while not condition():
        if time.monotonic() > DEADLINE:
            raise AssertionError(f"timed out waiting for {what}")
        context.iteration(False)
        time.sleep(0.01)


def play(pyatspi):
    desktop = pyatspi.Registry.getDesktop(0)
    found = []

    def find_board():
        for app in (a for a in desktop if a and a.name == "zirirar-aduzo"):
            canvas = pyatspi.findDescendant(app, lambda a: a.getRole() == pyatspi.ROLE_CANVAS)
            found[:] = [app, canvas]
        return found and found[1]

    pump_until(find_board, "the game's board on the accessibility bus")
    game, board = found
    print(f"board: {board.name!r}, {board.description!r}")
    assert (board.name, board.description) == ("Zirirar Aduzo", "keys: e r, d f")
    status = board[board.childCount - 1]
    assert status.getRole() == pyatspi.ROLE_STATUS_BAR, status.getRoleName()

    told = []

    def on_text(event):
        if event.source.getRole() == pyatspi.ROLE_STATUS_BAR:
            told.append(event.any_data)
            print(f"told: {event.any_data}")

    pyatspi.Registry.registerEventListener(on_text, "object:text-changed:insert")
    new_game = pyatspi.findDescendant(game, lambda a: a.name == "Nouveau Jeu\tF2")
    new_game.queryAction().doAction(0)

    # Keys go where the pointer is (no window manager gives the focus): on the board.
    box = board.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "abs")

    def key(char):
        pyatspi.Registry.generateKeyboardEvent(ord(char), None, pyatspi.KEY_SYM)

    # The first square is random: a first guess, "e", either is wrong or, once the
    # sequence is shown again, is known to be its first square, so that "r" is wrong. The
    # verdict comes at once, not after the 5 s a player may think (which also loses).
    seen = 0
    for guess in "er":
        pump_until(lambda: len(told) > seen and told[-1].startswith("Your turn"), "Your turn")
        key(guess)
        pressed, seen = time.monotonic(), len(told)
        pump_until(lambda: len(told) > seen and not told[-1].startswith("Your turn"), "a verdict")
        assert time.monotonic() - pressed < 4, f"the key {guess!r} brought no verdict at once"
        if told[-1].startswith("Wrong!"):
            break
    words = [line.split(" Skill")[0] for line in told]
    assert words in (["Watch.", "Your turn.", "Wrong!"],
                     ["Watch.", "Your turn.", "OK.", "Watch.", "Your turn.", "Wrong!"]), words
    assert told[0] == "Watch. Skill 2, board 2, length 1, target 10", told[0]
    assert status.name == told[-1], status.name


def main():
    game = sys.argv[1]
    ctypes.CDLL(None).prctl(36, 1)  # PR_SET_CHILD_SUBREAPER
    work = tempfile.mkdtemp()
    env = dict(os.environ, XDG_RUNTIME_DIR=work)  # no sound server: the game plays silently
    for name in ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    try:
        read, write = os.pipe()
        start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp"], env, f"{work}/xvfb.log", pass_fds=[write])
        os.close(write)
        with os.fdopen(read) as display:
            env["DISPLAY"] = ":" + display.readline().strip()
        bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                    f"{work}/dbus.log", stdout=subprocess.PIPE, text=True)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env,
              f"{work}/at-spi.log")
        start([game], dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"), f"{work}/game.log")
        os.environ.update(env)
        import pyatspi

        play(pyatspi)
    except BaseException:
        for log in ("game", "at-spi"):
            print(f"--- {log} (standard error)\n" + open(f"{work}/{log}.log").read())
        raise
    finally:
        stop_everything()
        shutil.rmtree(work)
    print("accessibility: 1 passed, 0 failed")


if __name__ == "__main__":
    main()

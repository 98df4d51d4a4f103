"""The real game read and played through AT-SPI on a private X server, session bus and
accessibility bus: the board's name and keys, then the status bar's text as told once per
change, "Watch", "Your turn", and "Wrong!" on a wrong key. Usage: accessibility_test.py GAME"""
import contextlib, ctypes, os, shutil, signal, subprocess, sys, tempfile, time, unittest

DEADLINE = time.monotonic() + 40


def pump_until(condition, what):
    from gi.repository import GLib

    while not condition():
        assert time.monotonic() < DEADLINE, f"timed out waiting for {what}"
        GLib.MainContext.default().iteration(False)
        time.sleep(0.01)


def play(pyatspi):
    found = []

    def find_board():
        games = [a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "zirirar-aduzo"]
        is_board = lambda a: a.getRole() == pyatspi.ROLE_CANVAS
        found[:] = games and [games[0], pyatspi.findDescendant(games[0], is_board)]
        return found and found[1]

    pump_until(find_board, "the game's board")
    board = found[1]
    print(f"board: {board.name!r}, {board.description!r}")
    assert (board.name, board.description) == ("Zirirar Aduzo", "keys: e r, d f")
    status = board[board.childCount - 1]
    told = []

    def on_text(event):
        if event.source.getRole() == pyatspi.ROLE_STATUS_BAR:
            told.append(event.any_data)
            print(f"told: {event.any_data}")

    pyatspi.Registry.registerEventListener(on_text, "object:text-changed:insert")
    new_game = pyatspi.findDescendant(found[0], lambda a: a.name == "Nouveau Jeu\tF2")
    new_game.queryAction().doAction(0)
    # Keys go where the pointer is (no window manager gives the focus): on the board.
    box = board.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "abs")
    # The first square is random: "e" either is wrong or, once the sequence is shown again,
    # is known to be its first square, so that "r" is. The verdict comes at once, not after
    # the 5 s a player may think (which loses too).
    for guess in "er":
        pump_until(lambda: told and told[-1].startswith("Your turn"), "Your turn")
        pressed, seen = time.monotonic(), len(told)
        pyatspi.Registry.generateKeyboardEvent(ord(guess), None, pyatspi.KEY_SYM)
        pump_until(lambda: len(told) > seen, "a verdict")
        assert time.monotonic() - pressed < 4, f"the key {guess!r} brought no verdict at once"
        if told[-1].startswith("Wrong!"):
            break
    words = [line.split(" Skill")[0] for line in told]
    assert words in (["Watch.", "Your turn.", "Wrong!"],
                     ["Watch.", "Your turn.", "OK.", "Watch.", "Your turn.", "Wrong!"]), words
    assert told[0] == "Watch. Skill 2, board 2, length 1, target 10", told[0]
    assert status.getRole() == pyatspi.ROLE_STATUS_BAR and status.name == told[-1], status.name


def read_and_play(game):
    ctypes.CDLL(None).prctl(36, 1)  # PR_SET_CHILD_SUBREAPER: the buses' orphans come back here
    work = tempfile.mkdtemp()
    env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND"))}
    env["XDG_RUNTIME_DIR"] = work  # no sound server: the game plays silently
    log = open(f"{work}/log", "w")
    group = []  # everything started, in one process group: Xvfb's

    def start(argv, **options):
        child = subprocess.Popen(argv, env=env, stderr=log, process_group=(group or [0])[0],
                                 **options)
        group[:] = group or [child.pid]
        return child

    try:
        read, write = os.pipe()
        start(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp"], pass_fds=[write])
        env["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
        bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=-1)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stdout=log)
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        start([game])
        os.environ.update(env)
        import pyatspi

        play(pyatspi)
    except BaseException:
        print(open(f"{work}/log").read())
        raise
    finally:
        # The game, the launcher, the buses, the registry and Xvfb: ended and waited for.
        for attempt in range(100):
            with contextlib.suppress(ProcessLookupError):
                os.killpg(group[0], signal.SIGTERM if attempt < 50 else signal.SIGKILL)
            try:
                while os.waitpid(-1, os.WNOHANG)[0]:
                    pass
            except ChildProcessError:
                break
            time.sleep(0.1)
        shutil.rmtree(work)


class Accessibility(unittest.TestCase):
    def test_read_and_played(self):
        read_and_play(GAME)


if __name__ == "__main__":
    GAME = sys.argv.pop(1)
    unittest.main(warnings="ignore")  # children are reaped by group, unknown to Popen

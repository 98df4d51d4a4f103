// Plays the Linux game's free play with real key presses and says when each was made,
// for measuring how soon its note is heard (bench/native/key_sound.py):
//
//   key_presser TITLE ROUNDS
//
// Finds the game's window by its title, gives it the keyboard, opens free play with the
// menu's mnemonics (Alt+J, then L), then presses the keys of board 2 (e, r, d, f) ROUNDS
// times over, 700 ms apart, through the X server's test extension, as a keyboard would.
// Before each press it prints "play UNIX_MICROSECONDS aNN" (the key's note), and at
// the end "stop UNIX_MICROSECONDS -".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/clock.h"

namespace {

Window FindByTitle(Display* display, Window window, const char* title) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    const bool found = std::strstr(name, title) != nullptr;
    XFree(name);
    if (found) return window;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i)
    found = FindByTitle(display, children[i], title);
  if (children) XFree(children);
  return found;
}

void Press(Display* display, KeySym key, KeySym modifier = NoSymbol) {
  const KeyCode held = modifier != NoSymbol ? XKeysymToKeycode(display, modifier) : 0;
  if (held) XTestFakeKeyEvent(display, held, True, 0);
  const KeyCode code = XKeysymToKeycode(display, key);
  XTestFakeKeyEvent(display, code, True, 0);
  XTestFakeKeyEvent(display, code, False, 0);
  if (held) XTestFakeKeyEvent(display, held, False, 0);
  XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: key_presser TITLE ROUNDS\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 2;
  Window game = 0;
  for (int i = 0; i < 100 && game == 0; ++i) {
    game = FindByTitle(display, DefaultRootWindow(display), argv[1]);
    if (game == 0) usleep(50000);
  }
  if (game == 0) {
    std::fprintf(stderr, "key_presser: no window titled \"%s\"\n", argv[1]);
    return 1;
  }
  XSetInputFocus(display, game, RevertToParent, CurrentTime);
  XSync(display, False);
  usleep(300000);
  Press(display, XK_j, XK_Alt_L);  // the Jeu menu
  usleep(300000);
  Press(display, XK_l);  // Jeu Libre
  usleep(500000);

  struct Key {
    KeySym key;
    const char* note;
  };
  const Key keys[] = {{XK_e, "a58"}, {XK_r, "a62"}, {XK_d, "a65"}, {XK_f, "a70"}};
  const int rounds = std::atoi(argv[2]);
  for (int round = 0; round < rounds; ++round) {
    for (const Key& key : keys) {
      std::printf("play %lld %s\n", test_clock::UnixMicroseconds(), key.note);
      std::fflush(stdout);
      Press(display, key.key);
      usleep(700000);
    }
  }
  std::printf("stop %lld -\n", test_clock::UnixMicroseconds());
  XCloseDisplay(display);
  return 0;
}

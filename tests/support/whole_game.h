// Playing a whole game as a player who watches and repeats, on any shell: the Windows
// end-to-end driver, its soak and its benchmark, and the scenarios both shells play.
// Each provides the eyes and hands (a BoardPlayer); the board is board index 1, whose
// geometry is taken from each frame's size. No platform header.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "tests/support/frame.h"

namespace screen {

// What a whole-game player needs of the real game's window.
class BoardPlayer {
 public:
  virtual double NowMs() = 0;
  // Lets the game run until `condition` holds (true) or `limitMs` have passed (false),
  // looking every `pollMs`; the condition is looked at once more at the end.
  virtual bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) = 0;
  virtual Frame Capture() = 0;  // the client area
  virtual void Click(int x, int y) = 0;

 protected:
  ~BoardPlayer() = default;
};

// What was seen of one playback by the computer, from when it was asked for (a new
// game, the last press of a repeat) until "Your turn", the end of the game or the limit.
// After a new game is asked for, the board still shows how the game before it ended
// until the computer begins ("Watch"): with `afterNewGame`, statuses count from then on.
struct Playback {
  explicit Playback(double asked) : first(asked) {}
  std::vector<int> flashes;  // squares as they lit, one entry per flash seen
  FlashTiming first;         // how long the first flash lasted
  bool sawWatch = false;     // "Watch" was shown
  bool reachedYourTurn = false;
  bool ended = false;   // "You win!" or "Wrong!" showed instead
  bool twoLit = false;  // two squares were seen lit at once
};

Playback WatchPlayback(BoardPlayer& player, double askedAt, int limitMs, int pollMs,
                       bool afterNewGame);

// How a repeat was answered.
enum class RoundEnd { kOk, kWon, kLost, kNoAnswer };

// What a caller checks, and does its own way, as the game goes on; each check may end
// the caller's test. Lighter callers leave them empty.
struct PlayChecks {
  // The playback of `round` (from 1), and the sequence it must have shown: the one
  // before it and the square seen last.
  std::function<void(int round, const Playback&, const std::vector<int>& expected)> playback;
  // Presses the square (default: a click at its centre).
  std::function<void(int round, size_t press, int square)> press;
  // Press `press` (from 0) of the repeat of `round`, and whether its square lit.
  std::function<void(int round, size_t press, int square, bool lit)> pressed;
  // Waits for the answer to a repeat (default: "OK", "You win!" or "Wrong!" within 3 s).
  std::function<RoundEnd(int round)> answer;
  std::function<void(int round, RoundEnd)> answered;
};

struct GamePlayed {
  std::vector<int> sequence;  // as repeated
  int rounds = 0;             // repeats answered
  bool won = false, lost = false;
};

// Plays the game just started (asked for at `askedAt`): watches each playback (the
// square lit last is the one added) and repeats the sequence, round after round, until
// the game is won or lost, `lastRound` rounds were repeated (0: no such limit) or the
// player's clock reaches `stopAtMs`. The board is looked at every `pollMs`.
GamePlayed PlayWholeGame(BoardPlayer& player, const PlayChecks& checks, double askedAt,
                         int lastRound = 0, int pollMs = 2, double stopAtMs = 1e300);

}  // namespace screen

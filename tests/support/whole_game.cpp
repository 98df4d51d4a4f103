// Playing a whole game as a player who watches and repeats (whole_game.h).
#include "tests/support/whole_game.h"

#include <algorithm>

namespace screen {

namespace {

Geometry Board1(const Frame& frame) { return Geometry::For(1, frame.Width(), frame.Height()); }

RoundEnd AnswerShown(const Frame& frame) {
  if (frame.Empty()) return RoundEnd::kNoAnswer;
  const Geometry g = Board1(frame);
  return frame.ShowsStatus(g, kOkColour)       ? RoundEnd::kOk
         : frame.ShowsStatus(g, kYouWinColour) ? RoundEnd::kWon
         : frame.ShowsStatus(g, kWrongColour)  ? RoundEnd::kLost
                                               : RoundEnd::kNoAnswer;
}

}  // namespace

// A square repeated back to back is dark for one tick (50 ms) between its flashes;
// polling every 2 ms normally sees that, but the callers' checks do not depend on it.
Playback WatchPlayback(BoardPlayer& player, double askedAt, int limitMs, int pollMs,
                       bool afterNewGame) {
  Playback p(askedAt);
  int current = -1;
  player.WaitUntil(
      limitMs,
      [&] {
        const double began = player.NowMs();
        const Frame frame = player.Capture();
        if (frame.Empty()) return false;
        const Geometry g = Board1(frame);
        const int lit = frame.LitSquare(g);
        p.first.Poll(began, player.NowMs(), lit >= 0);
        p.sawWatch = p.sawWatch || frame.ShowsStatus(g, kWatchColour);
        // What the new game shows comes after its "Watch" (a won board is all lit).
        const bool ours = !afterNewGame || p.sawWatch;
        p.twoLit = p.twoLit || (ours && lit == -2);
        if (lit != current && lit != -2) {
          if (lit >= 0) p.flashes.push_back(lit);
          current = lit;
        }
        p.reachedYourTurn = ours && frame.ShowsStatus(g, kYourTurnColour);
        p.ended =
            ours && (frame.ShowsStatus(g, kYouWinColour) || frame.ShowsStatus(g, kWrongColour));
        return p.reachedYourTurn || p.ended;
      },
      pollMs);
  return p;
}

GamePlayed PlayWholeGame(BoardPlayer& player, const PlayChecks& checks, double askedAt,
                         int lastRound, int pollMs, double stopAtMs) {
  GamePlayed played;
  for (int round = 1; lastRound == 0 || round <= lastRound; ++round) {
    // At most 10 ticks per square, plus the pause before and a margin.
    const double limit = std::min(round * 600.0 + 4000.0, stopAtMs - player.NowMs());
    const Playback p =
        WatchPlayback(player, askedAt, static_cast<int>(std::max(limit, 0.0)), pollMs, round == 1);
    std::vector<int> expected = played.sequence;
    if (!p.flashes.empty()) expected.push_back(p.flashes.back());
    if (checks.playback) checks.playback(round, p, expected);
    if (p.ended) {
      played.won = AnswerShown(player.Capture()) == RoundEnd::kWon;
      played.lost = !played.won;
    }
    if (!p.reachedYourTurn || p.flashes.empty()) break;
    played.sequence = expected;

    // Repeat it, each press showing its square.
    const Geometry g = Board1(player.Capture());
    for (size_t i = 0; i < played.sequence.size(); ++i) {
      const int square = played.sequence[i];
      askedAt = player.NowMs();
      if (checks.press) {
        checks.press(round, i, square);
      } else {
        player.Click(g.CentreX(square), g.CentreY(square));
      }
      const bool lit = player.WaitUntil(
          2000,
          [&] {
            const Frame f = player.Capture();
            return !f.Empty() && f.LitSquare(Board1(f)) == square;
          },
          pollMs);
      if (checks.pressed) checks.pressed(round, i, square, lit);
    }
    RoundEnd end = RoundEnd::kNoAnswer;
    if (checks.answer) {
      end = checks.answer(round);
    } else {
      player.WaitUntil(
          3000, [&] { return (end = AnswerShown(player.Capture())) != RoundEnd::kNoAnswer; },
          pollMs);
    }
    ++played.rounds;
    if (checks.answered) checks.answered(round, end);
    played.won = end == RoundEnd::kWon;
    played.lost = end == RoundEnd::kLost || end == RoundEnd::kNoAnswer;
    if (end != RoundEnd::kOk) break;
  }
  return played;
}

}  // namespace screen

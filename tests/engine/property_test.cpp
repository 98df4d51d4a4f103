// Long random streams of every operation in every state keep the game record sound.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/recorder.h"

namespace {

void CheckInvariants(const GameSession& g) {
  ASSERT_TRUE(IsBoardIndex(g.boardIndex));
  ASSERT_TRUE(IsSkillIndex(g.skillIndex));
  ASSERT_GE(static_cast<int>(g.state), 0);
  ASSERT_LE(static_cast<int>(g.state), 6);
  if (g.state != GameState::Idle) {
    ASSERT_EQ(g.squareCount, BoardSquares(g.boardIndex));
    ASSERT_GE(g.sequenceLength, 0);
    ASSERT_LE(g.sequenceLength, g.targetLength == 0 ? 0 : g.targetLength);
    ASSERT_LE(g.targetLength, 100);
    for (int i = 0; i < g.sequenceLength; ++i) {
      ASSERT_GE(g.sequence[i], 0);
      ASSERT_LT(g.sequence[i], g.squareCount);
    }
  }
  ASSERT_TRUE(g.litSquare == -1 || (g.litSquare >= 0 && g.litSquare < g.squareCount));
  if (g.state == GameState::YourTurn) {
    ASSERT_LT(g.playPosition, g.sequenceLength);
    ASSERT_LE(g.tickCounter, 100);
  }
  if (g.state == GameState::Watch) {
    ASSERT_LE(g.playPosition, g.sequenceLength);
  }
  if (g.state == GameState::Idle || g.state == GameState::Wrong) {
    ASSERT_EQ(g.litSquare, -1);
  }
  if (g.state != GameState::Idle) {
    ASSERT_GE(g.flashTicks, 1);
    ASSERT_LE(g.flashTicks, 9);
  }
}

}  // namespace

TEST(Property, RandomStreamsKeepTheInvariants) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    GameSession game;
    SeedRandom(game, seed * 7919u);
    Recorder out;
    out.keep = false;  // counted only, so that long runs stay fast
    out.game = &game;
    const int events = 400000;
    int visits[7] = {};
    int16_t longest = 0;
    for (int e = 0; e < events; ++e) {
      // Menu operations are rare, as in play, so that games can grow long and be won.
      const uint32_t pick = rng() % 20000;
      if (pick < 14000) {
        OnTick(game, out, out);
      } else if (pick < 19990) {
        // Almost always the right square; sometimes anything, off the board included.
        int16_t square = static_cast<int16_t>(rng() % 24) - 2;
        if (game.state == GameState::YourTurn && rng() % 128 != 0) square = NextCorrectSquare(game);
        PressSquare(game, out, out, square);
      } else if (pick < 19992) {
        NewGame(game, out, out);
      } else if (pick < 19994) {
        StartFreePlay(game, out, out);
      } else if (pick < 19997) {
        ApplyLevel(game, out, static_cast<int16_t>(rng() % 9) - 1,
                   static_cast<int16_t>(rng() % 14) - 1);
      } else {
        game.soundOn = !game.soundOn;
      }
      ++visits[static_cast<int>(game.state)];
      if (game.sequenceLength > longest) longest = game.sequenceLength;
      CheckInvariants(game);
      ASSERT_EQ(out.fault, "") << "after event " << e;
      if (HasFatalFailure()) {
        ADD_FAILURE() << "after event " << e;
        return;
      }
    }
    EXPECT_GT(out.requests, 0);
    for (int state = 0; state < 7; ++state) EXPECT_GT(visits[state], 0) << "state " << state;
    EXPECT_GE(longest, 10) << "the stream must reach long games";
  }
}

TEST(Property, GamesPlayedPerfectlyAtEverySkillAreWon) {
  for (int16_t skill = 0; skill < kSkillCount; ++skill) {
    for (int16_t board = 0; board < kBoardCount; board += 3) {
      Harness h(static_cast<uint32_t>(skill * 31 + board));
      ApplyLevel(h.game, h.out, board, skill);
      h.New();
      while (h.game.state == GameState::Watch) {
        h.TickWhile(GameState::Watch);
        h.PlayBackCorrectly();
        ASSERT_EQ(h.game.state, GameState::SequenceOk);
        h.TickWhile(GameState::SequenceOk);
        h.out.Take();
      }
      EXPECT_EQ(h.game.state, GameState::YouWin);
      EXPECT_EQ(h.game.sequenceLength, TargetLength(skill));
    }
  }
}

// Long random streams of every operation in every state keep the game record sound.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/record_rules.h"
#include "tests/support/recorder.h"

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
      ASSERT_EQ(RecordProblem(game), "") << "after event " << e;
      ASSERT_EQ(out.fault, "") << "after event " << e;
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

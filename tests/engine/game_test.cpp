#include <gtest/gtest.h>

#include "tests/support/recorder.h"

TEST(Random, KnownSeedGivesTheGeneratorsSequence) {
  GameSession game;
  SeedRandom(game, 1);
  const int16_t expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int16_t value : expected) EXPECT_EQ(Random(game), value);
  SeedRandom(game, 0xFFFFFFFFu);
  Random(game);
  EXPECT_EQ(game.randomState, 0xFFFFFFFFu * 214013u + 2531011u) << "wraps modulo 2^32";
}

// At a step length the flash takes the step's ticks; at any other length it keeps its own.
TEST(FlashPacing, ChangesOnlyAtTheStepLengths) {
  const struct {
    int16_t length, ticks;
  } kCases[] = {{0, 9},  {1, 9},  {5, 8},  {9, 7},  {12, 6},  {16, 5},  {20, 4},  {29, 3},  {40, 2},
                {50, 1}, {2, 77}, {4, 77}, {8, 77}, {28, 77}, {49, 77}, {51, 77}, {100, 77}};
  GameSession game;
  for (const auto& c : kCases) {
    game.flashTicks = 77;
    game.sequenceLength = c.length;
    FlashPacing(game);
    EXPECT_EQ(game.flashTicks, c.ticks) << "length " << c.length;
  }
}

// As a game grows one square at a time, the flash shortens a tick at a time from 9
// ticks to 1, as the rule's examples say: 9 ticks at length 4, 8 at 5, 4 at 28, 3 at
// 29, 1 at 50 and at 100.
TEST(FlashPacing, AGrowingGameFlashesShorterATickAtATime) {
  GameSession game;
  game.sequenceLength = 0;
  FlashPacing(game);
  EXPECT_EQ(game.flashTicks, 9) << "free play";
  int16_t flashAt[101] = {};
  for (int16_t length = 1; length <= 100; ++length) {
    const int16_t before = game.flashTicks;
    game.sequenceLength = length;
    FlashPacing(game);
    EXPECT_TRUE(game.flashTicks == before || game.flashTicks == before - 1)
        << "from " << before << " to " << game.flashTicks << " ticks at length " << length;
    flashAt[length] = game.flashTicks;
  }
  const struct {
    int16_t length, ticks;
  } examples[] = {{1, 9}, {4, 9}, {5, 8}, {28, 4}, {29, 3}, {50, 1}, {100, 1}};
  for (const auto& example : examples) {
    EXPECT_EQ(flashAt[example.length], example.ticks) << "length " << example.length;
  }
}

TEST(NewGame, ClearsTheBoardThenStartsASequenceOfOne) {
  Harness h;
  h.New();
  EXPECT_EQ(h.out.Take(), (Events{"stop", "redraw", "panel"}));
  EXPECT_EQ(h.game.state, GameState::Watch);
  EXPECT_EQ(h.game.sequenceLength, 1);
  EXPECT_EQ(h.game.targetLength, 10);
  EXPECT_EQ(h.game.squareCount, 4);
  EXPECT_EQ(h.game.tickCounter, -1);
  EXPECT_EQ(h.game.flashTicks, 9);
}

// The computer lights square k of the sequence from tick k*(F+1)+1 to k*(F+1)+F
// after the sequence was extended, and hands over one tick after the last goes dark.
TEST(Playback, RhythmOfFlashesAndDarkTicks) {
  Harness h(7);
  h.New();
  for (int round = 1; round <= 6; ++round) {
    ASSERT_EQ(h.game.state, GameState::Watch);
    const int length = h.game.sequenceLength;
    const int flash = h.game.flashTicks;
    h.out.Take();
    for (int t = 1; t <= length * (flash + 1); ++t) {
      h.Tick();
      const int k = (t - 1) / (flash + 1);
      const bool lit = (t - 1) % (flash + 1) < flash;
      ASSERT_EQ(h.game.litSquare, lit ? h.game.sequence[k] : -1)
          << "round " << round << " tick " << t;
      ASSERT_EQ(h.game.state, GameState::Watch);
    }
    h.Tick();
    EXPECT_EQ(h.game.state, GameState::YourTurn);
    EXPECT_EQ(h.game.playPosition, 0);
    EXPECT_EQ(h.game.tickCounter, 0);
    // Each flash: repaint then note, later repaint then stop; the panel at the hand-over.
    Events expected;
    for (int k = 0; k < length; ++k) {
      const int16_t square = h.game.sequence[k];
      expected.push_back("square " + std::to_string(square));
      expected.push_back("note " + std::to_string(SquareNote(h.game.boardIndex, square)));
      expected.push_back("square " + std::to_string(square));
      expected.push_back("stop");
    }
    expected.push_back("panel");
    EXPECT_EQ(h.out.Take(), expected);
    h.PlayBackCorrectly();
    ASSERT_EQ(h.game.state, GameState::SequenceOk);
    EXPECT_EQ(h.game.sequenceLength, round);
    EXPECT_EQ(h.TickWhile(GameState::SequenceOk), 10);
  }
}

TEST(WholeGame, WonAtSkillOneAfterSixRounds) {
  Harness h(99);
  ApplyLevel(h.game, h.out, 0, 0);
  h.New();
  for (int round = 1; round <= 6; ++round) {
    h.TickWhile(GameState::Watch);
    ASSERT_EQ(h.game.state, GameState::YourTurn);
    h.PlayBackCorrectly();
    ASSERT_EQ(h.game.state, GameState::SequenceOk) << "round " << round;
    h.out.Take();
    h.Tick(9);
    ASSERT_EQ(h.game.state, GameState::SequenceOk);
    h.Tick();
    if (round < 6) {
      EXPECT_EQ(h.game.state, GameState::Watch);
    }
  }
  EXPECT_EQ(h.game.state, GameState::YouWin);
  EXPECT_EQ(h.game.sequenceLength, 6);
  EXPECT_EQ(h.out.Take(), (Events{"redraw", "effect win"}));
  h.Tick(500);
  h.Press(0);
  EXPECT_EQ(h.game.state, GameState::YouWin) << "nothing moves a finished game";
  EXPECT_TRUE(h.out.Take().empty());
}

TEST(WholeGame, LostByAWrongSquare) {
  Harness h(3);
  h.ReachTurn();
  h.out.Take();
  const int16_t wrong = static_cast<int16_t>((h.Expected() + 1) % h.game.squareCount);
  h.Press(wrong);
  EXPECT_EQ(h.game.state, GameState::Wrong);
  EXPECT_EQ(h.game.litSquare, -1) << "a wrong square is not lit";
  EXPECT_EQ(h.out.Take(), (Events{"panel", "effect buzz"}));
}

TEST(WholeGame, LostByTimeOnTheHundredAndFirstIdleTick) {
  Harness h(5);
  h.ReachTurn();
  h.Tick(100);
  EXPECT_EQ(h.game.state, GameState::YourTurn);
  h.Tick();
  EXPECT_EQ(h.game.state, GameState::Wrong);
  // The thinking time starts again at the end of each flash.
  Harness g(5);
  g.ReachTurn(2);
  ASSERT_EQ(g.game.sequenceLength, 2);
  g.Tick(60);
  g.Press(g.Expected());
  g.Tick(g.game.flashTicks + 1);
  ASSERT_EQ(g.game.playPosition, 1);
  g.Tick(100);
  EXPECT_EQ(g.game.state, GameState::YourTurn);
  g.Tick();
  EXPECT_EQ(g.game.state, GameState::Wrong);
}

TEST(Presses, APressDuringTheLastFlashCompletesTheSequenceAndIsIgnored) {
  Harness h(11);
  h.ReachTurn();
  const int16_t only = h.Expected();
  h.Press(only);
  EXPECT_EQ(h.game.litSquare, only);
  h.out.Take();
  h.Press(static_cast<int16_t>((only + 1) % h.game.squareCount));  // wrong, but not looked at
  EXPECT_EQ(h.game.state, GameState::SequenceOk);
  EXPECT_EQ(h.game.litSquare, -1);
  EXPECT_EQ(h.out.Take(),
            (Events{"square " + std::to_string(only), "stop", "panel", "effect ding"}));
}

TEST(Presses, APressDuringAnEarlierFlashIsJudgedAgainstTheNextSquare) {
  for (bool right : {true, false}) {
    Harness h(21);
    h.ReachTurn(2);
    ASSERT_EQ(h.game.sequenceLength, 2);
    h.Press(h.game.sequence[0]);
    h.Tick(3);
    const int16_t second = h.game.sequence[1];
    const int16_t pressed = right ? second : static_cast<int16_t>((second + 1) % 4);
    h.Press(pressed);
    EXPECT_EQ(h.game.playPosition, 1);
    if (right) {
      EXPECT_EQ(h.game.state, GameState::YourTurn);
      EXPECT_EQ(h.game.litSquare, second);
      EXPECT_EQ(h.game.tickCounter, -(h.game.flashTicks + 1));
      h.Tick(h.game.flashTicks + 1);
      EXPECT_EQ(h.game.state, GameState::SequenceOk);
    } else {
      EXPECT_EQ(h.game.state, GameState::Wrong);
    }
  }
}

TEST(Presses, IgnoredOutsideYourTurnAndFreePlayAndOffTheBoard) {
  Harness h;
  h.Press(0);
  EXPECT_EQ(h.game.state, GameState::Idle);
  h.New();
  h.out.Take();
  const GameSession before = h.game;
  for (int16_t square : {0, 1, 2, 3}) h.Press(square);  // in Watch
  h.TickWhile(GameState::Watch);
  h.out.Take();
  for (int16_t square : {-1, 4, 20, 127, -32768}) h.Press(square);
  EXPECT_EQ(h.game.state, GameState::YourTurn);
  EXPECT_EQ(h.game.litSquare, -1);
  EXPECT_TRUE(h.out.Take().empty());
  EXPECT_EQ(before.sequence[0], h.game.sequence[0]);
}

TEST(FreePlay, EachPressShowsTenTicksAndTheNextReplacesIt) {
  Harness h;
  h.Free();
  EXPECT_EQ(h.out.Take(), (Events{"stop", "redraw"}));
  EXPECT_EQ(h.game.sequenceLength, 0);
  EXPECT_EQ(h.game.targetLength, 0);
  EXPECT_EQ(h.game.flashTicks, 9);
  h.Tick();
  EXPECT_EQ(h.out.Take(), (Events{"stop"})) << "nothing lit: each tick only stops sound";
  h.Press(2);
  EXPECT_EQ(h.out.Take(), (Events{"square 2", "note 65"}));
  h.Tick(9);
  EXPECT_EQ(h.game.litSquare, 2);
  h.Tick();
  EXPECT_EQ(h.game.litSquare, -1);
  EXPECT_EQ(h.out.Take(), (Events{"square 2", "stop"}));
  h.Press(0);
  h.Tick(4);
  h.Press(3);
  EXPECT_EQ(h.out.Take(),
            (Events{"square 0", "note 58", "square 0", "stop", "square 3", "note 70"}));
  EXPECT_EQ(h.game.state, GameState::FreePlay);
  EXPECT_EQ(h.game.playPosition, 0);
}

TEST(NewGame, DuringPlaybackStopsTheNoteAndStartsAfresh) {
  Harness h(8);
  h.ReachTurn();
  h.PlayBackCorrectly();
  h.TickWhile(GameState::SequenceOk);
  h.Tick(2);
  ASSERT_NE(h.game.litSquare, -1);
  h.out.Take();
  h.New();
  const Events events = h.out.Take();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], "stop");
  EXPECT_EQ(events[1], "redraw");
  EXPECT_EQ(h.game.litSquare, -1);
  EXPECT_EQ(h.game.sequenceLength, 1);
  EXPECT_EQ(h.game.state, GameState::Watch);
}

TEST(ApplyLevel, TakesBoardAndSkillAndEndsAFreePlayFlash) {
  Harness h;
  h.Free();
  h.Press(3);
  h.out.Take();
  ApplyLevel(h.game, h.out, 0, 11);
  EXPECT_EQ(h.game.state, GameState::Idle);
  EXPECT_EQ(h.game.boardIndex, 0);
  EXPECT_EQ(h.game.skillIndex, 11);
  EXPECT_EQ(h.game.squareCount, 2);
  EXPECT_EQ(h.game.litSquare, -1) << "square 3 does not exist on the new board";
  EXPECT_EQ(h.out.Take(), (Events{"stop"}));
  ApplyLevel(h.game, h.out, 0, 11);
  EXPECT_TRUE(h.out.Take().empty()) << "nothing lit, nothing to stop";
  h.New();
  EXPECT_EQ(h.game.targetLength, 100);
}

TEST(ApplyLevel, IgnoresIndicesOutsideTheTables) {
  Harness h;
  for (auto level : {std::pair<int16_t, int16_t>{-1, 0}, {7, 0}, {0, -1}, {0, 12}, {300, 300}}) {
    ApplyLevel(h.game, h.out, level.first, level.second);
    EXPECT_EQ(h.game.boardIndex, 1);
    EXPECT_EQ(h.game.skillIndex, 1);
  }
  EXPECT_TRUE(h.out.Take().empty());
}

// Ticks matter while a game runs and while a free-play flash shows; at rest they do
// nothing, whatever the counter holds.
TEST(GameNeedsTicks, ExactlyWhileSomethingTimedIsUnderWay) {
  const struct {
    GameState state;
    int16_t tickCounter;
    bool needs;
  } kCases[] = {
      {GameState::Idle, 0, false},      {GameState::Idle, -3, false},
      {GameState::Watch, -1, true},     {GameState::YourTurn, 40, true},
      {GameState::SequenceOk, 5, true}, {GameState::Wrong, 0, false},
      {GameState::YouWin, 0, false},    {GameState::FreePlay, -1, true},
      {GameState::FreePlay, 0, false},
  };
  for (const auto& c : kCases) {
    GameSession game;
    game.state = c.state;
    game.tickCounter = c.tickCounter;
    EXPECT_EQ(GameNeedsTicks(game), c.needs)
        << "state " << static_cast<int>(c.state) << ", counter " << c.tickCounter;
  }
  // A free-play press needs ticks until its flash has ended, and no longer.
  Harness h;
  h.Free();
  h.Press(0);
  int ticks = 0;
  while (GameNeedsTicks(h.game) && ticks < 100) h.Tick(), ++ticks;
  EXPECT_EQ(ticks, h.game.flashTicks + 1);
  EXPECT_EQ(h.game.litSquare, -1);
}

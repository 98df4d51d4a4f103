// The rules every shell follows, through the host, on a shell that records what it is
// asked to do.
#include "rules/game_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/perfect_player.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/recording_shell.h"

namespace {

// A hosted game on a 640 x 480 board, driven as a shell drives it.
struct Hosted {
  RecordingShell shell;
  GameHost host{shell, shell.log, Clock::RestsWhenIdle};

  explicit Hosted(uint32_t seed = 12345) {
    host.Start(seed);
    RecordingCanvas canvas;
    host.Resize(canvas, 640, 480);
  }
  const GameSession& Game() const { return host.Game(); }
  void TickUntilNot(GameState state) {
    for (int i = 0; i < 1000 && Game().state == state; ++i) host.Tick();
  }
  // The key of the square the player must press next.
  char RightKey() const { return BoardKeyMap(Game().boardIndex)[NextCorrectSquare(Game())]; }
  // Brings the game to `state` through the host's own events.
  void Reach(GameState state) {
    if (state == GameState::Idle) return;
    if (state == GameState::FreePlay) return host.Run(Command::FreePlay);
    host.Run(Command::NewGame);
    if (state == GameState::Watch) return;
    TickUntilNot(GameState::Watch);
    if (state == GameState::YourTurn) return;
    if (state == GameState::Wrong) {
      const char right = RightKey();
      return host.TypedChar(right == 'e' ? 'r' : 'e', false);
    }
    RepeatSequence();
    if (state == GameState::SequenceOk) return;
    // YouWin: the shortest game on the smallest board, played through.
    host.ChooseLevel(0, 0);
    host.Run(Command::NewGame);
    while (Game().state != GameState::YouWin) {
      TickUntilNot(GameState::Watch);
      RepeatSequence();
      TickUntilNot(GameState::SequenceOk);
    }
  }
  // Presses the right key for the rest of the sequence, each flash let run out.
  void RepeatSequence() {
    while (Game().state == GameState::YourTurn) {
      host.TypedChar(RightKey(), false);
      for (int i = 0; i <= Game().flashTicks; ++i) host.Tick();
    }
  }
};

constexpr GameState kAllStates[] = {GameState::Idle,       GameState::Watch, GameState::YourTurn,
                                    GameState::SequenceOk, GameState::Wrong, GameState::YouWin,
                                    GameState::FreePlay};
constexpr Command kAllCommands[] = {Command::NewGame, Command::Level, Command::FreePlay,
                                    Command::Sound,   Command::Quit,  Command::Instructions,
                                    Command::About};

}  // namespace

// The greying rule and the same rule when a command arrives: in the three states of a
// running game, Level, Free play and Instructions are greyed and do nothing at all.
TEST(Commands, LevelFreePlayAndInstructionsAreRefusedExactlyWhileAGameRuns) {
  for (GameState state : kAllStates) {
    Hosted h;
    h.Reach(state);
    ASSERT_EQ(h.Game().state, state);
    const bool running = IsGameRunning(h.Game());
    const MenuState menu = h.host.Menu();
    for (Command command : kAllCommands) {
      const bool refusable = command == Command::Level || command == Command::FreePlay ||
                             command == Command::Instructions;
      EXPECT_EQ(menu.enabled[static_cast<int>(command)], !(refusable && running))
          << "command " << static_cast<int>(command) << " in state " << static_cast<int>(state);
      if (!refusable) continue;
      Hosted again;
      again.Reach(state);
      const GameSession before = again.Game();
      again.shell.log.Take();
      again.host.Run(command);
      EXPECT_EQ(again.shell.log.events.empty(), running)
          << "command " << static_cast<int>(command) << " in state " << static_cast<int>(state);
      if (running) {
        EXPECT_EQ(again.Game().state, before.state);
      }
    }
  }
}

TEST(Commands, EachRunsItsActionAndNoDialogOpensOverAnother) {
  const struct {
    Command command;
    Events withoutDialog, withDialog;
  } kCases[] = {
      {Command::Level, {"level", "status"}, {}},
      {Command::Instructions, {"instructions", "status"}, {}},
      {Command::About, {"about", "status"}, {}},
      {Command::Quit, {"close"}, {"close"}},
      // switched off: silenced at once
      {Command::Sound, {kSilence, "status"}, {kSilence, "status"}},
  };
  for (const auto& c : kCases) {
    for (bool open : {false, true}) {
      Hosted h;
      h.shell.dialog = open ? "about" : "";
      h.shell.log.Take();
      h.host.Run(c.command);
      EXPECT_EQ(h.shell.log.events, open ? c.withDialog : c.withoutDialog)
          << "command " << static_cast<int>(c.command) << (open ? " over a dialog" : "");
    }
  }
  // New game and free play go to the engine, also over a dialog (ticks and the About box
  // run on beneath it); the sound switch toggles back on without a sound.
  Hosted h;
  h.shell.dialog = "about";
  h.host.Run(Command::NewGame);
  EXPECT_EQ(h.Game().state, GameState::Watch);
  h.host.Run(Command::Sound);
  h.shell.log.Take();
  h.host.Run(Command::Sound);
  EXPECT_TRUE(h.host.Menu().checked[static_cast<int>(Command::Sound)]);
  EXPECT_EQ(h.shell.log.Take(), Events{"status"});
}

TEST(Input, KeysAndClicksPressOnlyWhileTheGameTakesPresses) {
  for (GameState state : kAllStates) {
    const bool takes = state == GameState::YourTurn || state == GameState::FreePlay;
    for (bool byClick : {false, true}) {
      Hosted h;
      h.Reach(state);
      const int16_t square = state == GameState::YourTurn ? NextCorrectSquare(h.Game()) : 1;
      const Rect at = SquareRect(h.host.Layout(), h.Game().boardIndex, square);
      if (byClick) {
        h.host.Click(at.left, at.top);
      } else {
        h.host.TypedChar(BoardKeyMap(h.Game().boardIndex)[square], false);
      }
      EXPECT_EQ(h.Game().litSquare, takes ? square : -1)
          << "state " << static_cast<int>(state) << (byClick ? " by click" : " by key");
    }
  }
  // An auto-repeat, a capital, a key of another board and clicks off the board press
  // nothing.
  Hosted h;
  h.host.Run(Command::FreePlay);
  h.shell.log.Take();
  h.host.TypedChar('r', true);
  h.host.TypedChar('R', false);
  h.host.TypedChar('q', false);
  for (int32_t x : {481, -1, 100000}) h.host.Click(x, 10);
  h.host.Click(10, -1);
  EXPECT_EQ(h.Game().litSquare, -1);
  EXPECT_TRUE(h.shell.log.events.empty());
}

// The Level dialog's OK: the level applied, the whole board repainted; outside the
// tables nothing changes but the repaint.
TEST(Level, ChoosingAppliesTheLevelAndRepaintsTheWholeBoard) {
  Hosted h;
  h.host.Run(Command::FreePlay);
  h.host.TypedChar('e', false);
  h.shell.log.Take();
  h.host.ChooseLevel(6, 11);
  EXPECT_EQ(h.Game().boardIndex, 6);
  EXPECT_EQ(h.Game().skillIndex, 11);
  EXPECT_EQ(h.Game().state, GameState::Idle);
  EXPECT_EQ(h.shell.log.Take(), (Events{kSilence, "repaint 0,0,640,480", "status", "stop ticks"}));
  h.host.ChooseLevel(7, 0);
  EXPECT_EQ(h.Game().boardIndex, 6);
}

TEST(LevelDialog, ListsEveryBoardAndSkillAtThePositionOfItsIndex) {
  const char* const kBoards[] = {"1: 2 squares",  "2: 4 squares",  "3: 6 squares", "4: 9 squares",
                                 "5: 12 squares", "6: 16 squares", "7: 20 squares"};
  const char* const kSkills[] = {"1: 6 notes",  "2: 10 notes",  "3: 15 notes",  "4: 20 notes",
                                 "5: 25 notes", "6: 30 notes",  "7: 40 notes",  "8: 50 notes",
                                 "9: 62 notes", "10: 75 notes", "11: 87 notes", "12: 100 notes"};
  char entry[kLevelEntryCapacity];
  for (int16_t i = 0; i < kBoardCount; ++i) {
    BoardEntry(i, entry);
    EXPECT_STREQ(entry, kBoards[i]);
  }
  for (int16_t i = 0; i < kSkillCount; ++i) {
    SkillEntry(i, entry);
    EXPECT_STREQ(entry, kSkills[i]);
  }
}

// A shell whose clock rests: ticks run exactly while the game needs them, and once the
// session ends, never again. One whose clock runs throughout starts it once.
TEST(Clock, RunsWhileTheGameNeedsTicksAndStopsForGoodAtTheEnd) {
  Hosted h;
  EXPECT_EQ(h.shell.log.Take(), Events{}) << "at rest from the start";
  h.host.Run(Command::NewGame);
  EXPECT_EQ(h.shell.log.Take().back(), "start ticks");
  h.host.TypedChar(h.RightKey() == 'e' ? 'r' : 'e', true);  // a repeat: still running
  h.TickUntilNot(GameState::Watch);
  h.host.TypedChar(h.RightKey() == 'e' ? 'r' : 'e', false);  // wrong: the game is over
  EXPECT_EQ(h.shell.log.Take().back(), "stop ticks");
  h.host.Run(Command::FreePlay);
  h.host.TypedChar('d', false);
  EXPECT_EQ(h.shell.log.Take().back(), "start ticks") << "a free-play flash";
  for (int i = 0; i <= h.Game().flashTicks; ++i) h.host.Tick();
  EXPECT_EQ(h.Game().litSquare, -1);
  EXPECT_EQ(h.shell.log.Take().back(), "stop ticks") << "the flash is over";
  h.host.End();
  h.host.End();
  h.host.TypedChar('f', false);
  const Events end = h.shell.log.Take();
  ASSERT_GE(end.size(), 3u);
  EXPECT_EQ(Events(end.begin(), end.begin() + 3), (Events{"stop ticks", kSilence, "close sound"}));
  EXPECT_EQ(std::count(end.begin(), end.end(), "start ticks"), 0) << "no tick after the end";

  RecordingShell shell;
  GameHost always(shell, shell.log, Clock::AlwaysRunning);
  always.Start(1);
  always.Run(Command::NewGame);
  always.Run(Command::Quit);
  always.End();
  EXPECT_EQ(std::count(shell.log.events.begin(), shell.log.events.end(), "start ticks"), 1);
  EXPECT_EQ(std::count(shell.log.events.begin(), shell.log.events.end(), "stop ticks"), 1);
}

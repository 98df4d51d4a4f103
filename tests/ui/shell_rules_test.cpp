// The rules both shells follow, on a shell that records what it is asked to do.
#include "ui/shell_rules.h"

#include <gtest/gtest.h>

#include "tests/support/recorder.h"

namespace {

// A shell whose every action is a word in one log, beside the engine's requests.
class RecordingShell final : public ShellActions, public TickSource {
 public:
  Recorder engine;   // repaints and sounds the engine asks for
  Recorder actions;  // the shell's own actions and the calls to its sound output
  bool dialogOpen = false;

  GameView& View() override { return engine; }
  SoundPlayer& Sound() override { return engine; }
  SoundOutput& Output() override { return actions; }
  bool DialogOpen() override { return dialogOpen; }
  void OpenLevelDialog() override { actions.Add("level"); }
  void OpenInstructions() override { actions.Add("instructions"); }
  void OpenAbout() override { actions.Add("about"); }
  void CloseMainWindow() override { actions.Add("close"); }
  void Stop() override { actions.Add("stop ticks"); }
};

// A game record in each state the rules tell apart.
GameSession InState(GameState state) {
  GameSession game;
  game.state = state;
  game.squareCount = BoardSquares(game.boardIndex);
  return game;
}

constexpr GameState kAllStates[] = {GameState::Idle,       GameState::Watch, GameState::YourTurn,
                                    GameState::SequenceOk, GameState::Wrong, GameState::YouWin,
                                    GameState::FreePlay};

}  // namespace

// The greying rule and the same rule when a command arrives: in the three states of a
// running game, Level, Free play and Instructions do nothing at all.
TEST(Commands, LevelFreePlayAndInstructionsAreRefusedExactlyWhileAGameRuns) {
  for (GameState state : kAllStates) {
    const bool running = IsGameRunning(InState(state));
    for (uint16_t command : kMenuCommands) {
      const bool refusable = command == ID_GAME_LEVEL || command == ID_GAME_FREEPLAY ||
                             command == ID_HELP_INSTRUCTIONS;
      EXPECT_EQ(CommandAllowed(InState(state), command), !(refusable && running))
          << "command " << command << " in state " << static_cast<int>(state);
      if (!refusable) continue;
      GameSession game = InState(state);
      RecordingShell shell;
      RunCommand(game, shell, command);
      const bool ran = !shell.actions.events.empty() || !shell.engine.events.empty();
      EXPECT_EQ(ran, !running) << "command " << command << " in state " << static_cast<int>(state);
    }
  }
}

TEST(Commands, EachRunsItsActionAndNoDialogOpensOverAnother) {
  const struct {
    uint16_t command;
    Events withoutDialog, withDialog;
  } kCases[] = {
      {ID_GAME_LEVEL, {"level"}, {}},
      {ID_HELP_INSTRUCTIONS, {"instructions"}, {}},
      {ID_HELP_ABOUT, {"about"}, {}},
      {ID_GAME_QUIT, {"close"}, {"close"}},
      {ID_GAME_SOUND, {kSilence}, {kSilence}},  // switched off: silenced at once
      {525, {}, {}},
      {532, {}, {}},
  };
  for (const auto& c : kCases) {
    for (bool open : {false, true}) {
      GameSession game = InState(GameState::Wrong);
      RecordingShell shell;
      shell.dialogOpen = open;
      RunCommand(game, shell, c.command);
      EXPECT_EQ(shell.actions.events, open ? c.withDialog : c.withoutDialog)
          << "command " << c.command << (open ? " over a dialog" : "");
    }
  }
  // New game and free play go to the engine, also over a dialog (ticks and the About box
  // run on beneath it); the sound switch toggles back on without a sound.
  GameSession game = InState(GameState::Wrong);
  RecordingShell shell;
  shell.dialogOpen = true;
  RunCommand(game, shell, ID_GAME_NEW);
  EXPECT_EQ(game.state, GameState::Watch);
  RunCommand(game, shell, ID_GAME_SOUND);
  RunCommand(game, shell, ID_GAME_SOUND);
  EXPECT_TRUE(SoundChecked(game));
  EXPECT_EQ(shell.actions.events, Events{kSilence});
}

TEST(Input, KeysAndClicksPressOnlyWhileTheGameTakesPresses) {
  for (GameState state : kAllStates) {
    const bool takes = state == GameState::YourTurn || state == GameState::FreePlay;
    GameSession game = InState(state);
    game.sequence[0] = 1;  // the square the player must press in YourTurn
    RecordingShell shell;
    BoardLayout layout;
    layout.clientWidth = 640;
    layout.clientHeight = 480;
    OnTypedChar(game, shell, 'r', false);  // square 1 of board index 1 ("erdf")
    EXPECT_EQ(game.litSquare, takes ? 1 : -1) << "state " << static_cast<int>(state);
    game.litSquare = -1;
    game.tickCounter = 0;
    game.playPosition = 0;
    OnClick(game, layout, shell, 300, 10);  // the cell of square 1
    EXPECT_EQ(game.litSquare, takes ? 1 : -1) << "state " << static_cast<int>(state);
  }
  // An auto-repeat, a capital, a key of another board and a click off the board press
  // nothing.
  GameSession game = InState(GameState::FreePlay);
  RecordingShell shell;
  BoardLayout layout;
  layout.clientWidth = 640;
  layout.clientHeight = 480;
  OnTypedChar(game, shell, 'r', true);
  OnTypedChar(game, shell, 'R', false);
  OnTypedChar(game, shell, 'q', false);
  OnClick(game, layout, shell, 481, 10);
  EXPECT_EQ(game.litSquare, -1);
  EXPECT_TRUE(shell.engine.events.empty());
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

TEST(Session, EndsWithTheTicksStoppedBeforeTheSoundIsSilencedAndClosed) {
  RecordingShell shell;
  EndSession(shell, shell.actions);
  EXPECT_EQ(shell.actions.events, (Events{"stop ticks", kSilence, "close sound"}));
}

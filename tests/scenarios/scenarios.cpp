// The scenarios: what a player does and what the game must show, on either shell.
#include "tests/scenarios/scenarios.h"

namespace scenario {
namespace {

using screen::kAbout, screen::kFreePlay, screen::kInstructions, screen::kLevel, screen::kNewGame,
    screen::kQuit, screen::kSound;

Step Command(::Command command) { return {Op::Command, static_cast<int>(command)}; }
Step Key(const char* key) { return {Op::Key, 0, 0, 0, 0, key}; }
Step Type(char typed, bool autoRepeat = false) { return {Op::Type, typed, autoRepeat}; }
Step ClickSquare(int square) { return {Op::ClickSquare, square}; }
Step ExpectStatus(const char* word, int withinMs = 3000, int notBeforeMs = 0) {
  return {Op::ExpectStatus, withinMs, notBeforeMs, 0, 0, word};
}
Step ExpectLit(int square, int withinMs = 2000) { return {Op::ExpectLit, square, withinMs}; }
Step ExpectDarkFor(int ms) { return {Op::ExpectDarkFor, ms}; }
Step ExpectPanel(int skill, int board, int length, int target, const char* word) {
  return {Op::ExpectPanel, skill, board, length, target, word};
}
Step ExpectMenu(::Command command, bool enabled) {
  return {Op::ExpectMenu, static_cast<int>(command), enabled};
}
Step ExpectDialog(const char* caption, int withinMs = 3000) {
  return {Op::ExpectDialog, withinMs, 0, 0, 0, caption};
}
Step Do(Op op, int a = 0, int b = 0, int c = 0) { return {op, a, b, c}; }

// Level, Free play and Instructions greyed, the other items enabled.
std::vector<Step> MenuOfARunningGame(bool running) {
  return {ExpectMenu(kNewGame, true),      ExpectMenu(kLevel, !running),
          ExpectMenu(kFreePlay, !running), ExpectMenu(kSound, true),
          ExpectMenu(kQuit, true),         ExpectMenu(kInstructions, !running),
          ExpectMenu(kAbout, true)};
}

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
  std::vector<Step> all;
  for (const std::vector<Step>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> kScenarios = {
      {"start_up_board_and_free_play_by_keys_and_clicks",
       {
           Do(Op::ExpectBlankBoard),
           Command(kFreePlay),
           ExpectPanel(2, 2, 0, 0, "Free play"),
           // A capital, an auto-repeat, a key of another board, a shifted or an Alt key
           // press nothing.
           Type('R'),
           Type('r', true),
           Type('x'),
           Key("Shift+E"),
           Key("Alt+R"),
           ExpectDarkFor(500),
           Type('r'),
           ExpectLit(1),
           ExpectLit(-1, 3000),  // its flash ends by itself
           Key("d"),
           ExpectLit(2),
           ClickSquare(3),
           ExpectLit(3),  // a press at once replaces the flash before it
           ExpectLit(-1, 3000),
           Do(Op::ClickOff, 0),
           Do(Op::ClickOff, 1),
           Do(Op::ClickOff, 2),
           ExpectDarkFor(500),
           Do(Op::ClickMargin, 0),
           ExpectLit(0),
           ExpectStatus("Free play"),
       }},
      {"whole_game_won_by_watching_and_repeating",
       {
           Key("F3"),
           ExpectDialog(screen::kLevelCaption),
           Do(Op::ExpectLevelChoice, 1, 1),  // the start-up board and skill
           Do(Op::ChooseLevel, 1, 0),        // skill 1: a target of 6
           ExpectDialog(""),
           Do(Op::ExpectBlankBoard),
           Key("F2"),
           Do(Op::WatchAndRepeat, 6, 1, 6),
           ExpectStatus("You win!"),
           ExpectPanel(1, 2, 6, 6, "You win!"),
           Do(Op::ExpectWonBoard),
           ClickSquare(0),
           Type('e'),
           ExpectStatus("You win!"),  // a won game takes no press
           Do(Op::ExpectWonBoard),
       }},
      {"wrong_square_loses_and_a_lost_game_takes_no_press",
       {
           Command(kNewGame),
           Do(Op::WatchFirstSquare),
           Do(Op::PressWrongSquare),
           ExpectStatus("Wrong!", 2000),
           ExpectPanel(2, 2, 1, 10, "Wrong!"),
           ExpectDarkFor(300),
           Do(Op::PressShownSquare),
           ExpectDarkFor(500),
           ExpectStatus("Wrong!"),
       }},
      {"thinking_time_runs_out",
       {
           Command(kNewGame),
           Do(Op::WatchFirstSquare),
           ExpectStatus("Wrong!", 10000, 4000),  // 101 ticks: about 5 s
           ExpectPanel(2, 2, 1, 10, "Wrong!"),
       }},
      {"a_running_game_refuses_level_free_play_and_instructions",
       Join({
           {Command(kNewGame), ExpectStatus("Watch")},
           MenuOfARunningGame(true),
           {
               Key("F3"),
               Key("F1"),
               Command(kLevel),
               Command(kInstructions),
               Command(kFreePlay),
               Do(Op::ExpectNoDialogFor, 500),
               ExpectStatus("Your turn", 5000),  // the game went on
               ExpectPanel(2, 2, 1, 10, "Your turn"),
               Key("F2"),  // always: a new game
               ExpectStatus("Watch", 2000),
               Do(Op::WatchFirstSquare),
               Do(Op::PressWrongSquare),
               ExpectStatus("Wrong!"),
           },
           MenuOfARunningGame(false),
           {Key("F3"), ExpectDialog(screen::kLevelCaption), Do(Op::CloseDialog), ExpectDialog(""),
            ExpectStatus("Wrong!")},  // Annuler changes nothing
       })},
      {"level_dialog_chooses_board_and_skill",
       {
           Command(kFreePlay),
           ExpectPanel(2, 2, 0, 0, "Free play"),
           Command(kLevel),
           ExpectDialog(screen::kLevelCaption),
           Do(Op::ChooseLevel, 0, 11),
           ExpectDialog(""),
           Do(Op::ExpectBlankBoard),  // on the new board, and no panel: no game
           Command(kFreePlay),
           ExpectPanel(12, 1, 0, 0, "Free play"),
           Type('f'),
           ExpectLit(1),
           ExpectLit(-1, 3000),
           Type('e'),
           ExpectDarkFor(300),  // not a key of this board
           Key("F3"),
           ExpectDialog(screen::kLevelCaption),
           Do(Op::ExpectLevelChoice, 0, 11),
       }},
      {"sound_switch_and_the_three_dialogs",
       {
           Do(Op::ExpectSoundChecked, 1),
           Command(kSound),
           Do(Op::ExpectSoundChecked, 0),
           Command(kSound),
           Do(Op::ExpectSoundChecked, 1),
           Key("F1"),
           ExpectDialog(screen::kInstructionsCaption),
           Do(Op::ExpectDialogText, 0, 0, 0),
           Do(Op::CloseDialog),
           ExpectDialog(""),
           Command(kAbout),
           ExpectDialog(screen::kAboutBoxCaption),
           // No second dialog over the first.
           Command(kLevel),
           Command(kInstructions),
           Command(kAbout),
           ExpectDialog(screen::kAboutBoxCaption, 500),
           Do(Op::ExpectDialogText, 1, 0, 0),
           Do(Op::CloseDialog),
           ExpectDialog(""),
           // The About box opens during a game, which runs on beneath it.
           Command(kNewGame),
           Command(kAbout),
           ExpectDialog(screen::kAboutBoxCaption),
           Do(Op::Pause, 8000),  // the playback and the thinking time
           Do(Op::CloseDialog),
           ExpectDialog(""),
           ExpectStatus("Wrong!", 1000),
       }},
      {"quit_ends_the_program", {Command(kNewGame), ExpectStatus("Watch"), Do(Op::Quit)}},
  };
  return kScenarios;
}

}  // namespace scenario

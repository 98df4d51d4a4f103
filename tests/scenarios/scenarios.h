// The behaviours both shells must play, stated once as data. Each shell's test drives
// its real window through a ScenarioPlayer (its hands and eyes: clicks, keys, commands,
// copies of the client area, the menu and dialogs as a player sees them) and
// RunScenario judges what it shows. No platform header: the Windows end-to-end driver
// and the Qt test both compile this.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/frame.h"
#include "tests/support/whole_game.h"

// Thrown by a player's Fail; its test catches it and reports the message.
struct ScenarioFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace scenario {

// The acts come first: each may start what a later step watches (a playback, a flash).
enum class Op {
  Command,             // a: the command, as the menu or an accelerator sends it
  Key,                 // text: a real key press: "F1", "F2", "F3", "d", "Shift+E", "Alt+R"
  Type,                // a: a typed character; b: 1 for an auto-repeat
  ClickSquare,         // a: the square, at its centre
  ClickMargin,         // a: the square, in the margin below and right of it (same hit cell)
  ClickOff,            // a: 0 the status panel, 1 the last grid line, 2 below the hit cells
  ChooseLevel,         // a board, b skill (indices) chosen in the open Level dialog, then OK
  CloseDialog,         // Esc on the open dialog
  PressWrongSquare,    // a click on a square other than the one remembered
  PressShownSquare,    // a click on the square remembered
  ExpectStatus,        // text: the status word, within a ms, not before b ms
  ExpectLit,           // a: the one square lit (-1: none), within b ms
  ExpectDarkFor,       // a ms during which no square lights
  ExpectPanel,         // a skill, b board (1-based), c length, d target, text the word
  ExpectBlankBoard,    // only the dotted grid: no square, no status panel
  ExpectWonBoard,      // every square in its colour, the grid, "You win!"
  ExpectMenu,          // a: the command's item, b: 1 enabled, 0 greyed
  ExpectSoundChecked,  // a: 1 checked, 0 not
  ExpectDialog,        // text: the caption of the one dialog open ("" none), within a ms
  ExpectNoDialogFor,   // a ms during which no dialog opens
  ExpectDialogText,    // a: 0 the help text, 1 the About text, shown by the open dialog
  ExpectLevelChoice,   // a board, b skill (indices) selected in the open Level dialog
  WatchAndRepeat,      // a rounds, each watched and repeated, b skill (1-based), c target
  WatchFirstSquare,    // the first playback of a new game, whose square is remembered
  Pause,               // a ms of the game running on
  Quit,                // the Quit command: the program ends with code 0
};

struct Step {
  Op op;
  int a = 0, b = 0, c = 0, d = 0;
  const char* text = "";
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

// Every scenario, in the order the tests run them.
const std::vector<Scenario>& AllScenarios();

// What a shell's test provides: the real game's window, driven and seen from its tests.
// Coordinates and frames are the client area's device pixels.
// Its clock, waits, copies of the client area and clicks are a whole-game player's.
// DialogCaptions: the dialogs open. DialogText: with LF line ends. CheckPanel compares
// the frame's status panel with one drawn here in the platform's own fonts for these
// values; an empty string when they agree. QuitAndWait: the exit code, -1 when the
// program did not end. A player's class declares them all with
// SCENARIO_PLAYER_FUNCTIONS(override).
#define SCENARIO_PLAYER_FUNCTIONS(tail)                                                            \
  virtual void Run(Command command) tail;                                                          \
  virtual void Key(const std::string& key) tail;                                                   \
  virtual void Type(char typed, bool autoRepeat) tail;                                             \
  virtual bool MenuEnabled(Command command) tail;                                                  \
  virtual bool SoundChecked() tail;                                                                \
  virtual std::vector<std::string> DialogCaptions() tail;                                          \
  virtual void LevelChoice(int& board, int& skill) tail;                                           \
  virtual void ChooseLevel(int board, int skill) tail;                                             \
  virtual void CloseDialog() tail;                                                                 \
  virtual std::string DialogText() tail;                                                           \
  virtual std::string CheckPanel(const screen::Frame& frame, const screen::Geometry& g, int skill, \
                                 int board, int length, int target, const char* word,              \
                                 screen::Colour wordColour) tail;                                  \
  virtual int QuitAndWait() tail;                                                                  \
  virtual void Note(const std::string& line) tail;

class ScenarioPlayer : public screen::BoardPlayer {
 public:
  SCENARIO_PLAYER_FUNCTIONS(= 0)
  // Ends the scenario as failed (does not return).
  [[noreturn]] virtual void Fail(const std::string& what) = 0;

 protected:
  ~ScenarioPlayer() = default;
};

void RunScenario(const Scenario& scenario, ScenarioPlayer& player);

// For a player's CheckPanel: the status panel's five lines ("Skill: 2" to the word), and
// how its pixels in `frame` differ from `expected` (of each pixel by x and y), with each
// channel allowed `tolerance` steps off: "" when they agree.
std::array<std::string, 5> StatusLines(int skill, int board, int length, int target,
                                       const char* word);
std::string PanelDifference(const screen::Frame& frame, const screen::Box& panel,
                            const std::function<screen::Colour(int x, int y)>& expected,
                            int tolerance = 0);

}  // namespace scenario

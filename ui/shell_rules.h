// The rules both shells follow, beyond the engine and the view: which square a typed
// character or a click presses, which commands a running game refuses, what each
// command does, the Level dialog's lists, and how a session starts and ends. A shell
// carries these out with its own windows, menus and dialogs (ShellActions).
#pragma once

#include <cstdint>

#include "engine/game.h"
#include "resources/resource_ids.h"
#include "sound/sound_player.h"
#include "view/layout.h"

// What a shell provides to the rules: the engine's two sides, the sound output behind
// the switch, its three dialogs and the end of the program.
class ShellActions {
 public:
  virtual GameView& View() = 0;
  virtual SoundPlayer& Sound() = 0;    // gated on soundOn
  virtual SoundOutput& Output() = 0;   // what the sound switch silences
  virtual bool DialogOpen() = 0;       // one of the three below is showing
  virtual void OpenLevelDialog() = 0;  // OK applies the level and repaints
  virtual void OpenInstructions() = 0;
  virtual void OpenAbout() = 0;
  virtual void CloseMainWindow() = 0;  // as the close box does

 protected:
  ~ShellActions() = default;
};

// The commands of the menu and the accelerators, in menu order.
constexpr uint16_t kMenuCommands[] = {ID_GAME_NEW,   ID_GAME_LEVEL, ID_GAME_FREEPLAY,
                                      ID_GAME_SOUND, ID_GAME_QUIT,  ID_HELP_INSTRUCTIONS,
                                      ID_HELP_ABOUT};

// Level, Free play and Instructions are refused while a game runs (their items greyed,
// F3 and F1 swallowed); every other command is always allowed.
bool CommandAllowed(const GameSession& game, uint16_t command);
// The check mark of the Sound item.
inline bool SoundChecked(const GameSession& game) { return game.soundOn != 0; }

// Carries out a command as it arrives, from the menu or an accelerator. A command that
// its state refuses does nothing, whatever the menu showed when it was sent; so does a
// command that would open a dialog while one is open, and any number without an item.
void RunCommand(GameSession& game, ShellActions& shell, uint16_t command);

// A typed character presses the square of its key on the current board: the exact
// character (a capital presses nothing), not an auto-repeat, and only while the game
// takes presses.
void OnTypedChar(GameSession& game, ShellActions& shell, char typed, bool autoRepeat);
// A left click presses the square under it (client pixels, as two unsigned 16-bit
// values), only while the game takes presses.
void OnClick(GameSession& game, const BoardLayout& layout, ShellActions& shell, uint16_t x,
             uint16_t y);

// The Level dialog: an entry for each board and each skill, at the position of its
// index ("2: 4 squares", "2: 10 notes"); the lists start at the current board and skill,
// and OK applies the two positions chosen (ApplyLevel), then repaints the whole board.
constexpr int kLevelEntryCapacity = 24;
void BoardEntry(int16_t board, char (&entry)[kLevelEntryCapacity]);
void SkillEntry(int16_t skill, char (&entry)[kLevelEntryCapacity]);

// The start of a session: the random source seeded from the clock (seconds since 1970).
void StartSession(GameSession& game, uint32_t secondsSince1970);

// The tick source of a shell, for the end of a session.
class TickSource {
 public:
  virtual void Stop() = 0;

 protected:
  ~TickSource() = default;
};
// The end of a session: the ticks stop first, so that none reaches the game after,
// then the sound is silenced and its output closed.
void EndSession(TickSource& ticks, SoundOutput& sound);

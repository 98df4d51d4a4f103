// The game as every shell hosts it: the one game record and the one layout record, the
// sound switch in front of the shell's sound output, and the rules that turn a shell's
// ticks, keys, clicks, commands and Level choice into the game's moves. A shell carries
// out what the host asks of it (Shell) and hands it its events; it decides nothing.
#pragma once

#include <cstdint>

#include "engine/game.h"
#include "rules/commands.h"
#include "sound/sound_player.h"
#include "view/canvas.h"
#include "view/layout.h"

// A repaint waits for the platform's next paint, except where the game shows a step at
// once: a new game's empty board and a win's full board (GameHost::RedrawAll).
enum class PaintTime { Later, Now };

// What a shell provides to the game it hosts.
class Shell {
 public:
  // Repaints the part of the board at `rect` (device pixels), the background first:
  // when the platform next paints, or before returning.
  virtual void Repaint(const Rect& rect, PaintTime when) = 0;

  // The clock: a tick every kTickMs from StartTicks on, the first within one period;
  // none reaches the game once StopTicks returns.
  virtual void StartTicks() = 0;
  virtual void StopTicks() = 0;

  // The dialogs, shown modally while the game goes on beneath them; the Level dialog's
  // OK calls GameHost::ChooseLevel. True while one of them is showing.
  virtual bool DialogOpen() = 0;
  virtual void OpenLevelDialog() = 0;
  virtual void OpenInstructions() = 0;
  virtual void OpenAbout() = 0;
  // Closes the main window as its close box does; the shell then calls GameHost::End.
  virtual void CloseMainWindow() = 0;

  // The state, a figure of the status panel or the sound switch may have changed: a
  // shell whose menu or accessible texts follow the game brings them up to date.
  virtual void StatusChanged() {}

 protected:
  ~Shell() = default;
};

// Whether the shell's clock runs from the start of the session to its end, or rests
// while the game needs no ticks (GameNeedsTicks) and is started again when it does.
enum class Clock { AlwaysRunning, RestsWhenIdle };

class GameHost final : private GameView {
 public:
  GameHost(Shell& shell, SoundOutput& sound, Clock clock);
  GameHost(const GameHost&) = delete;
  GameHost& operator=(const GameHost&) = delete;

  const GameSession& Game() const { return game_; }
  const BoardLayout& Layout() const { return layout_; }
  MenuState Menu() const { return CurrentMenuState(game_); }

  // The start of a session: the random source seeded from the clock (seconds since
  // 1970), and the ticks started where the clock runs throughout.
  void Start(uint32_t secondsSince1970);
  // The end of a session: the ticks stop first, so that none reaches the game after,
  // then the sound is silenced and its output closed. Only the first call counts.
  void End();

  void Tick();
  // A typed character presses the square of its key on the current board: the exact
  // character (a capital presses nothing), not an auto-repeat, and only while the game
  // takes presses.
  void TypedChar(char typed, bool autoRepeat);
  // A left click at (x, y) in device pixels presses the square under it, only while
  // the game takes presses.
  void Click(int32_t x, int32_t y);
  // Carries out a command as it arrives, from a menu or a shortcut key. A command its
  // state refuses does nothing, and so does one that would open a dialog over another.
  void Run(Command command);
  // The Level dialog's OK: the board and skill at the positions chosen, then the whole
  // board repainted.
  void ChooseLevel(int16_t board, int16_t skill);

  // A new size of the board's area in device pixels: the layout and the status font
  // fitted with `canvas`'s measures. The shell then repaints all of it.
  void Resize(Canvas& canvas, int32_t width, int32_t height);
  void Paint(Canvas& canvas) const;

 private:
  // GameView: the engine's repaint requests, as rectangles of the layout.
  void InvalidateSquare(int16_t square) override;
  void InvalidateStatusPanel() override;
  void RedrawAll() override;

  // After every event: the clock started or rested as the game now needs it.
  void FollowClock();

  Shell& shell_;
  SoundOutput& output_;
  GameSession game_;
  BoardLayout layout_;
  GatedSoundPlayer player_;
  const Clock clock_;
  bool ticking_ = false;
  bool ended_ = false;
};

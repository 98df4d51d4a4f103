// The Linux game's window driven and seen from within its test process, as a player
// would: key presses and clicks sent to the window, the menu's actions, the dialogs on
// the screen, and the client area as the window holds it (its backing store, where its
// paints land, not painted anew: a repaint the game forgot to ask for shows).
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "qt/game_window.h"
#include "sound/sound_player.h"
#include "tests/scenarios/local_player.h"
#include "tests/support/recorder.h"

class QComboBox;

class QtPlayer final : public scenario::LocalPlayer {
 public:
  // Opens a new game window (a new session, as a new start of the program) at a board
  // area of `width` x `height` pixels of the window's own.
  // A Recorder as `sound` plays silently and shows that quitting closes it.
  explicit QtPlayer(SoundOutput& sound, int width = 640, int height = 480);
  ~QtPlayer();

  GameWindow& Window() { return *window_; }
  double Ratio() const;  // device pixels per pixel of the window's own

  screen::Frame Capture() override;
  void Click(int x, int y) override;
  SCENARIO_PLAYER_FUNCTIONS(override)

 private:
  void Pause(int ms) override;
  QDialog* Dialog();  // the one dialog open; fails without one
  // The Level dialog's lists of boards and skills; fails without them.
  std::pair<QComboBox*, QComboBox*> Lists(QDialog* dialog);

  std::unique_ptr<GameWindow> window_;
  SoundOutput& sound_;
};

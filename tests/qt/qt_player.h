// The Linux game's window driven and seen from within its test process, as a player
// would: key presses and clicks sent to the window, the menu's actions, the dialogs on
// the screen, and the client area as the window holds it (its backing store, where its
// paints land, not painted anew: a repaint the game forgot to ask for shows).
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <string>

#include "qt/game_window.h"
#include "sound/sound_player.h"
#include "tests/scenarios/scenarios.h"
#include "tests/support/recorder.h"

class QtPlayer final : public scenario::ScenarioPlayer {
 public:
  // Opens a new game window (a new session, as a new start of the program) at a board
  // area of `width` x `height` pixels of the window's own.
  // A Recorder as `sound` plays silently and shows that quitting closes it.
  explicit QtPlayer(SoundOutput& sound, int width = 640, int height = 480);
  ~QtPlayer();

  GameWindow& Window() { return *window_; }
  double Ratio() const;  // device pixels per pixel of the window's own

  double NowMs() override { return clock_.nsecsElapsed() / 1e6; }
  bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) override;
  screen::Frame Capture() override;
  void Run(Command command) override;
  void Key(const std::string& key) override;
  void Type(char typed, bool autoRepeat) override;
  void Click(int x, int y) override;
  bool MenuEnabled(Command command) override;
  bool SoundChecked() override;
  std::vector<std::string> DialogCaptions() override;
  void LevelChoice(int& board, int& skill) override;
  void ChooseLevel(int board, int skill) override;
  void CloseDialog() override;
  std::string DialogText() override;
  std::string CheckPanel(const screen::Frame& frame, const screen::Geometry& g, int skill,
                         int board, int length, int target, const char* word,
                         screen::Colour wordColour) override;
  int QuitAndWait() override;
  void Note(const std::string& line) override;
  [[noreturn]] void Fail(const std::string& what) override;

 private:
  QDialog* Dialog();  // the one dialog open; fails without one

  std::unique_ptr<GameWindow> window_;
  SoundOutput& sound_;
  QElapsedTimer clock_;
};

#include "rules/game_host.h"

#include "view/painter.h"

namespace {

bool OpensDialog(Command command) {
  return command == Command::Level || command == Command::Instructions || command == Command::About;
}

}  // namespace

GameHost::GameHost(Shell& shell, SoundOutput& sound, Clock clock)
    : shell_(shell), output_(sound), player_(game_, sound), clock_(clock) {}

void GameHost::Start(uint32_t secondsSince1970) {
  SeedRandom(game_, secondsSince1970);
  FollowClock();
}

void GameHost::End() {
  if (ended_) return;
  ended_ = true;
  shell_.StopTicks();
  ticking_ = false;
  ShutdownSound(output_);
}

void GameHost::Tick() {
  OnTick(game_, *this, player_);
  FollowClock();
}

void GameHost::TypedChar(char typed, bool autoRepeat) {
  if (autoRepeat || !AcceptsPresses(game_)) return;
  const int16_t square = SquareForKey(game_.boardIndex, typed);
  if (square == -1) return;
  PressSquare(game_, *this, player_, square);
  FollowClock();
}

void GameHost::Click(int32_t x, int32_t y) {
  if (!AcceptsPresses(game_)) return;
  const int16_t square = HitTest(layout_, game_.boardIndex, x, y);
  if (square == -1) return;
  PressSquare(game_, *this, player_, square);
  FollowClock();
}

void GameHost::Run(Command command) {
  if (!CommandAllowed(game_, command)) return;
  if (OpensDialog(command) && shell_.DialogOpen()) return;
  switch (command) {
    case Command::NewGame:
      NewGame(game_, *this, player_);
      break;
    case Command::Level:
      shell_.OpenLevelDialog();
      break;
    case Command::FreePlay:
      StartFreePlay(game_, *this, player_);
      break;
    case Command::Sound:
      ToggleSound(game_, output_);
      break;
    case Command::Quit:
      shell_.CloseMainWindow();
      return;  // the session may have ended
    case Command::Instructions:
      shell_.OpenInstructions();
      break;
    case Command::About:
      shell_.OpenAbout();
      break;
  }
  shell_.StatusChanged();
  FollowClock();
}

void GameHost::ChooseLevel(int16_t board, int16_t skill) {
  ApplyLevel(game_, player_, board, skill);
  shell_.Repaint(ClientRect(layout_), PaintTime::Later);
  shell_.StatusChanged();
  FollowClock();
}

void GameHost::Resize(Canvas& canvas, int32_t width, int32_t height) {
  OnResize(layout_, canvas, width, height);
}

void GameHost::Paint(Canvas& canvas) const { PaintWindow(game_, layout_, canvas); }

void GameHost::InvalidateSquare(int16_t square) {
  shell_.Repaint(SquareRect(layout_, game_.boardIndex, square), PaintTime::Later);
}

void GameHost::InvalidateStatusPanel() {
  shell_.Repaint(StatusPanelRect(layout_), PaintTime::Later);
  shell_.StatusChanged();
}

void GameHost::RedrawAll() {
  shell_.Repaint(ClientRect(layout_), PaintTime::Now);
  shell_.StatusChanged();
}

void GameHost::FollowClock() {
  if (ended_) return;
  const bool wanted = clock_ == Clock::AlwaysRunning || GameNeedsTicks(game_);
  if (wanted == ticking_) return;
  ticking_ = wanted;
  if (wanted) {
    shell_.StartTicks();
  } else {
    shell_.StopTicks();
  }
}

// The game's main window on Linux: the menu bar of the Windows game, the board as its
// central area, the 50 ms tick, and the three dialogs. It holds the one game record and
// the one layout record, carries out the shared shell rules (ShellActions) and the
// engine's repaint requests (GameView), and plays through the sound output it is given.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <map>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "ui/shell_rules.h"
#include "view/layout.h"

class BoardWidget;
class QAction;

class GameWindow final : public QMainWindow,
                         private ShellActions,
                         private GameView,
                         private TickSource {
 public:
  // Starts the session: the random source seeded from the clock, the tick running.
  explicit GameWindow(SoundOutput& sound);

  // What a test looks at and drives, as a player sees and uses them.
  const GameSession& Game() const { return game_; }
  const BoardLayout& Layout() const { return layout_; }
  BoardWidget* Board() const { return board_; }
  QAction* Action(uint16_t command) const { return actions_.at(command); }
  QDialog* OpenDialog() const { return dialog_; }  // the dialog showing, or null
  const QTimer& Ticks() const { return ticks_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // ShellActions
  GameView& View() override { return *this; }
  SoundPlayer& Sound() override { return player_; }
  SoundOutput& Output() override { return output_; }
  bool DialogOpen() override { return dialog_ != nullptr; }
  void OpenLevelDialog() override;
  void OpenInstructions() override;
  void OpenAbout() override;
  void CloseMainWindow() override { close(); }

  // GameView: every change of the game's state asks for one of these.
  void InvalidateSquare(int16_t square) override;
  void InvalidateStatusPanel() override;
  void RedrawAll() override;

  // TickSource
  void Stop() override { ticks_.stop(); }

  void BuildMenus();
  // Greying and the check mark, from the shared rules: brought up to date whenever the
  // game's state may have changed, and as a menu opens.
  void SyncMenu();
  // Shows a dialog modally without waiting for it: ticks and the game go on beneath.
  void ShowDialog(QDialog* dialog);

  GameSession game_;
  BoardLayout layout_;
  SoundOutput& output_;
  GatedSoundPlayer player_;
  QTimer ticks_;
  BoardWidget* board_;
  std::map<uint16_t, QAction*> actions_;
  QPointer<QDialog> dialog_;
  bool ended_ = false;
};

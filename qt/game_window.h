// The game's main window on Linux: the menu bar of the Windows game, the board as its
// central area, the 50 ms tick, and the three dialogs. It hosts the game (GameHost) and
// carries out what the shared rules ask of a shell; its sound goes to the output it is
// given.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "rules/game_host.h"
#include "sound/sound_player.h"

class BoardWidget;
class QAction;

class QAction;
class QMenuBar;

// A label in Qt's own convention: an ampersand before the mnemonic.
QString MenuText(const Label& label);
int ShortcutKeys(ShortcutKey key);  // the Qt key, or 0 for none
// The game's menus added to `bar`, each item's action at its command's place in `actions`.
void AddMenus(QMenuBar* bar, QAction* (&actions)[kCommandCount]);

class GameWindow final : public QMainWindow, private Shell {
 public:
  // Starts the session: the random source seeded from the clock.
  explicit GameWindow(SoundOutput& sound);

  // What a test looks at and drives, as a player sees and uses them.
  const GameSession& Game() const { return host_.Game(); }
  const BoardLayout& Layout() const { return host_.Layout(); }
  BoardWidget* Board() const { return board_; }
  QAction* Action(Command command) const { return actions_[static_cast<int>(command)]; }
  QDialog* OpenDialog() const { return dialog_; }  // the dialog showing, or null
  const QTimer& Ticks() const { return ticks_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Shell
  void Repaint(const Rect& rect, PaintTime when) override;
  void StartTicks() override { ticks_.start(); }
  void StopTicks() override { ticks_.stop(); }
  bool DialogOpen() override { return dialog_ != nullptr; }
  void OpenLevelDialog() override;
  void OpenInstructions() override;
  void OpenAbout() override;
  void CloseMainWindow() override { close(); }
  void StatusChanged() override;

  void BuildMenus();
  // Greying and the check mark, from the shared menu state: brought up to date whenever
  // the game's state may have changed, and as a menu opens.
  void SyncMenu();
  // Shows a dialog modally without waiting for it: ticks and the game go on beneath.
  void ShowDialog(QDialog* dialog);

  GameHost host_;
  QTimer ticks_;
  BoardWidget* board_;
  QAction* actions_[kCommandCount] = {};
  QPointer<QDialog> dialog_;
};

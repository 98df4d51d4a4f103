#include "qt/game_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <ctime>

#include "qt/board_widget.h"
#include "qt/dialogs.h"
#include "resources/ui_texts.h"

GameWindow::GameWindow(SoundOutput& sound) : output_(sound), player_(game_, sound) {
  setWindowTitle(QString::fromLatin1(TEXT_TITLE));
  setWindowIcon(GameIcon());
  board_ = new BoardWidget(game_, layout_, *this);
  setCentralWidget(board_);
  board_->setFocus();
  BuildMenus();

  StartSession(game_, static_cast<uint32_t>(std::time(nullptr)));
  ticks_.setTimerType(Qt::PreciseTimer);
  ticks_.setInterval(kTickMs);
  connect(&ticks_, &QTimer::timeout, this, [this] { OnTick(game_, *this, player_); });
  ticks_.start();
}

void GameWindow::BuildMenus() {
  struct Item {
    const char* menu;
    const char* text;  // with its mnemonic, and its shortcut key after a tab
    uint16_t command;
    bool separatorBefore;
  };
  static constexpr Item kItems[] = {
      {TEXT_MENU_GAME, TEXT_GAME_NEW, ID_GAME_NEW, false},
      {TEXT_MENU_GAME, TEXT_GAME_LEVEL, ID_GAME_LEVEL, false},
      {TEXT_MENU_GAME, TEXT_GAME_FREEPLAY, ID_GAME_FREEPLAY, false},
      {TEXT_MENU_GAME, TEXT_GAME_SOUND, ID_GAME_SOUND, true},
      {TEXT_MENU_GAME, TEXT_GAME_QUIT, ID_GAME_QUIT, true},
      {TEXT_MENU_HELP, TEXT_HELP_INSTRUCTIONS, ID_HELP_INSTRUCTIONS, false},
      {TEXT_MENU_HELP, TEXT_HELP_ABOUT, ID_HELP_ABOUT, true},
  };
  QMenu* menu = nullptr;
  const char* menuText = nullptr;
  for (const Item& item : kItems) {
    if (item.menu != menuText) {
      menuText = item.menu;
      menu = menuBar()->addMenu(QString::fromLatin1(item.menu));
      connect(menu, &QMenu::aboutToShow, this, &GameWindow::SyncMenu);
    }
    if (item.separatorBefore) menu->addSeparator();
    const QString text = QString::fromLatin1(item.text);
    QAction* action = menu->addAction(text);
    const QString key = text.section(QLatin1Char('\t'), 1);
    if (!key.isEmpty()) action->setShortcut(QKeySequence(key));
    action->setCheckable(item.command == ID_GAME_SOUND);
    const uint16_t command = item.command;
    connect(action, &QAction::triggered, this, [this, command] {
      RunCommand(game_, *this, command);
      SyncMenu();
    });
    actions_[command] = action;
  }
  SyncMenu();
}

void GameWindow::SyncMenu() {
  for (const auto& [command, action] : actions_) {
    action->setEnabled(CommandAllowed(game_, command));
  }
  actions_.at(ID_GAME_SOUND)->setChecked(SoundChecked(game_));
}

void GameWindow::InvalidateSquare(int16_t square) {
  board_->Invalidate(SquareRect(layout_, game_.boardIndex, square));
}

void GameWindow::InvalidateStatusPanel() {
  board_->Invalidate(StatusPanelRect(layout_));
  SyncMenu();
}

void GameWindow::RedrawAll() {
  board_->repaint();
  SyncMenu();
}

void GameWindow::ShowDialog(QDialog* dialog) {
  dialog_ = dialog;
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::ApplicationModal);
  connect(dialog, &QDialog::finished, this, [this] {
    dialog_ = nullptr;
    // Back to the game's window, as the desktop would bring it back: its keys go on.
    activateWindow();
    board_->setFocus();
  });
  dialog->show();
}

void GameWindow::OpenLevelDialog() {
  QDialog* dialog = NewLevelDialog(this, game_.boardIndex, game_.skillIndex);
  connect(dialog, &QDialog::accepted, this, [this, dialog] {
    ApplyLevel(game_, player_, ChosenBoard(dialog), ChosenSkill(dialog));
    board_->InvalidateAll();
    SyncMenu();
  });
  ShowDialog(dialog);
}

void GameWindow::OpenInstructions() { ShowDialog(NewInstructionsDialog(this)); }

void GameWindow::OpenAbout() { ShowDialog(NewAboutBox(this)); }

void GameWindow::closeEvent(QCloseEvent* event) {
  if (!ended_) {
    ended_ = true;
    EndSession(*this, output_);
  }
  event->accept();
}

#include "qt/game_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <ctime>

#include "qt/board_widget.h"
#include "qt/dialogs.h"
#include "resources/ui_texts.h"

GameWindow::GameWindow(SoundOutput& sound) : host_(*this, sound, Clock::RestsWhenIdle) {
  setWindowTitle(QString::fromLatin1(TEXT_TITLE));
  setWindowIcon(GameIcon());
  board_ = new BoardWidget(host_);
  setCentralWidget(board_);
  board_->setFocus();
  BuildMenus();

  ticks_.setTimerType(Qt::PreciseTimer);
  ticks_.setInterval(kTickMs);
  connect(&ticks_, &QTimer::timeout, this, [this] { host_.Tick(); });
  host_.Start(static_cast<uint32_t>(std::time(nullptr)));
}

void GameWindow::BuildMenus() {
  QMenu* menu = nullptr;
  const char* menuText = nullptr;
  for (const MenuItem& item : kMenuItems) {
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
    action->setCheckable(item.command == Command::Sound);
    const Command command = item.command;
    connect(action, &QAction::triggered, this, [this, command] { host_.Run(command); });
    actions_[static_cast<int>(command)] = action;
  }
  SyncMenu();
}

void GameWindow::SyncMenu() {
  const MenuState state = host_.Menu();
  for (int i = 0; i < kCommandCount; ++i) actions_[i]->setEnabled(state.enabled[i]);
  Action(Command::Sound)->setChecked(state.soundChecked);
}

void GameWindow::StatusChanged() {
  SyncMenu();
  board_->FollowStatus();
}

void GameWindow::Invalidate(const Rect& rect) { board_->Invalidate(rect); }

void GameWindow::InvalidateAll() { board_->update(); }

void GameWindow::RedrawAll() { board_->repaint(); }

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
  QDialog* dialog = NewLevelDialog(this, Game().boardIndex, Game().skillIndex);
  connect(dialog, &QDialog::accepted, this,
          [this, dialog] { host_.ChooseLevel(ChosenBoard(dialog), ChosenSkill(dialog)); });
  ShowDialog(dialog);
}

void GameWindow::OpenInstructions() { ShowDialog(NewInstructionsDialog(this)); }

void GameWindow::OpenAbout() { ShowDialog(NewAboutBox(this)); }

void GameWindow::closeEvent(QCloseEvent* event) {
  host_.End();
  event->accept();
}

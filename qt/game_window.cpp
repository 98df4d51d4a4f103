#include "qt/game_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <ctime>

#include "qt/board_widget.h"
#include "qt/dialogs.h"
#include "resources/ui_texts.h"

QString MenuText(const Label& label) {
  QString text = QString::fromLatin1(label.text);
  if (label.mnemonic >= 0) text.insert(label.mnemonic, QLatin1Char('&'));
  return text;
}

int ShortcutKeys(ShortcutKey key) {
  static const int kKeys[] = {0, Qt::Key_F1, Qt::Key_F2, Qt::Key_F3};
  return kKeys[static_cast<int>(key)];
}

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

void AddMenus(QMenuBar* bar, QAction* (&actions)[kCommandCount]) {
  QMenu* menu = nullptr;
  for (const MenuItem& item : kMenuItems) {
    if (menu == nullptr || menu->title() != MenuText(item.menu)) {
      menu = bar->addMenu(MenuText(item.menu));
    }
    if (item.separatorBefore) menu->addSeparator();
    QString text = MenuText(item.label);
    const QKeySequence key(ShortcutKeys(item.shortcut));
    if (!key.isEmpty()) text += QLatin1Char('\t') + key.toString();
    QAction* action = menu->addAction(text);
    action->setShortcut(key);
    action->setCheckable(item.checkable);
    actions[static_cast<int>(item.command)] = action;
  }
}

void GameWindow::BuildMenus() {
  AddMenus(menuBar(), actions_);
  for (QMenu* menu : menuBar()->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &GameWindow::SyncMenu);
  for (int i = 0; i < kCommandCount; ++i) {
    const Command command = static_cast<Command>(i);
    connect(actions_[i], &QAction::triggered, this, [this, command] { host_.Run(command); });
  }
  SyncMenu();
}

void GameWindow::SyncMenu() {
  const MenuState state = host_.Menu();
  for (int i = 0; i < kCommandCount; ++i) {
    actions_[i]->setEnabled(state.enabled[i]);
    actions_[i]->setChecked(state.checked[i]);
  }
}

void GameWindow::StatusChanged() {
  SyncMenu();
  board_->FollowStatus();
}

void GameWindow::Repaint(const Rect& rect, PaintTime when) { board_->Repaint(rect, when); }

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

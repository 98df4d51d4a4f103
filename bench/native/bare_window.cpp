// The least a Qt 6 window with the game's menu bar costs: the same menus and items,
// a blank central area, no clock and no sound. bench/native/run.sh measures it beside
// the game at rest.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "qt/game_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  QAction* actions[kCommandCount];
  AddMenus(window.menuBar(), actions);
  window.setCentralWidget(new QWidget);
  window.resize(640, 480 + window.menuBar()->sizeHint().height());
  window.show();
  return application.exec();
}

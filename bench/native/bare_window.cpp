// The least a Qt 6 window with the game's menu bar costs: the same menus and items,
// a blank central area, no clock and no sound. bench/native/run.sh measures it beside
// the game at rest.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "rules/commands.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  QMenu* menu = nullptr;
  const char* menuText = nullptr;
  for (const MenuItem& item : kMenuItems) {
    if (item.menu != menuText) {
      menuText = item.menu;
      menu = window.menuBar()->addMenu(QString::fromLatin1(item.menu));
    }
    if (item.separatorBefore) menu->addSeparator();
    menu->addAction(QString::fromLatin1(item.text));
  }
  window.setCentralWidget(new QWidget);
  window.resize(640, 480 + window.menuBar()->sizeHint().height());
  window.show();
  return application.exec();
}

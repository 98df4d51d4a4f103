// The central area of the game window: the board and the status panel, painted by the
// view in device pixels, so that at any pixel ratio the layout follows the window's
// size in device pixels and every line stays one pixel wide. Its keys and clicks go to
// the hosted game.
#pragma once

#include <QWidget>

#include "view/layout.h"

class GameHost;

class BoardWidget final : public QWidget {
 public:
  explicit BoardWidget(GameHost& host);

  // Repaints, with the background first, the part of the widget that covers `rect`
  // (device pixels); the whole widget when none is given.
  void Invalidate(const Rect& rect);

  // Device pixels per inch, at which the status font's points become pixels.
  double PixelsPerInch() const { return logicalDpiY() * devicePixelRatioF(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Takes the widget's size in device pixels and fits the status font, when either the
  // size or the pixel ratio has changed since the last time.
  void FollowDeviceSize();

  GameHost& host_;
  double fittedAt_ = 0;  // the pixel density the status font was fitted at
};

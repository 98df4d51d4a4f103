// The central area of the game window: the board and the status panel, painted by the
// view in device pixels, so that at any pixel ratio the layout follows the window's
// size in device pixels and every line stays one pixel wide. Its keys and clicks go to
// the hosted game. To assistive technology it is the game's board, described by its
// keys, with the status panel as a status bar inside it.
#pragma once

#include <QWidget>

#include "rules/game_host.h"
#include "rules/spoken_text.h"
#include "view/layout.h"

class GameHost;

class BoardWidget final : public QWidget {
 public:
  explicit BoardWidget(GameHost& host);

  // Repaints, with the background first, the part of the widget that covers `rect`
  // (device pixels); the whole widget when none is given.
  void Repaint(const Rect& rect, PaintTime when);

  // Device pixels per inch, at which the status font's points become pixels.
  double PixelsPerInch() const { return logicalDpiY() * devicePixelRatioF(); }

  // The state, a figure or the board may have changed. Once the event at hand is
  // handled, assistive technology is told what differs from what it was last told: the
  // status line as the status bar's new text and name, a new board as the board's
  // description. Nothing is done while no assistive technology listens.
  void FollowStatus();

  // What assistive technology reads: the status panel's object, its line and place
  // (global coordinates), and the current board's keys.
  QObject* StatusObject() { return &status_; }
  QString SpokenStatus() const;
  QRect StatusArea() const;
  QString SpokenKeys() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Takes the widget's size in device pixels and fits the status font, when either the
  // size or the pixel ratio has changed since the last time.
  void FollowDeviceSize();
  // Device pixels to the widget's own, rounded outwards.
  QRect LogicalRect(const Rect& rect) const;
  void TellChanges();

  GameHost& host_;
  double fittedAt_ = 0;  // the pixel density the status font was fitted at
  QObject status_;       // the status panel as assistive technology sees it
  bool tellPending_ = false;
  int16_t toldBoard_;
  char toldStatus_[kSpokenTextCapacity] = {};
};

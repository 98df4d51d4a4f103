// The engine's repaint requests carried out on the main window: each invalidates
// with erase, so the class background is restored before the painter runs.
#pragma once

#include "engine/game.h"

class WindowView final : public GameView {
 public:
  void InvalidateSquare(int16_t square) override;
  void InvalidateStatusPanel() override;
  void RedrawAll() override;
};

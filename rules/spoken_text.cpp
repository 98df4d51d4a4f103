#include "rules/spoken_text.h"

#include <cstdio>
#include <cstring>

void StatusLine(const GameSession& game, char (&line)[kSpokenTextCapacity]) {
  line[0] = '\0';
  if (game.state == GameState::Idle) return;
  // A word that ends a sentence itself ("Wrong!") takes no full stop; the figures are
  // narrowed to 16 bits, as the panel prints them.
  const char* word = StatusText(game.state);
  const size_t length = std::strlen(word);
  const char* stop = length > 0 && word[length - 1] == '!' ? "" : ".";
  std::snprintf(line, sizeof line, "%s%s Skill %hd, board %hd, length %hd, target %hd", word, stop,
                static_cast<short>(game.skillIndex + 1), static_cast<short>(game.boardIndex + 1),
                static_cast<short>(game.sequenceLength), static_cast<short>(game.targetLength));
}

void BoardKeysText(int16_t board, char (&text)[kSpokenTextCapacity]) {
  const char* keys = BoardKeyMap(board);
  const int16_t columns = BoardColumns(board);
  int length = std::snprintf(text, sizeof text, "keys:");
  for (int16_t square = 0; square < BoardSquares(board) && length + 3 < kSpokenTextCapacity;
       ++square) {
    if (square > 0 && square % columns == 0) text[length++] = ',';
    text[length++] = ' ';
    text[length++] = keys[square];
  }
  text[length] = '\0';
}

// What the game must show, and a copy of what it shows: its commands and boxes, the
// colours and the geometry of the board, worked out here from the game's rules on their
// own (not taken from the game's code, so a fault in its layout shows as a mismatch),
// and a frame of its client area's pixels with the questions a player's eyes answer.
// Shared by the tests that see the Windows game from outside and the Linux game from
// within; no platform header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/commands.h"

namespace screen {

using Colour = uint32_t;  // 0xRRGGBB

std::string Hex(Colour colour);  // "#RRGGBB"

// Status word colours.
constexpr Colour kWatchColour = 0x00FF00;
constexpr Colour kYourTurnColour = 0xFFFF00;
constexpr Colour kOkColour = 0x0080FF;
constexpr Colour kWrongColour = 0xFF0000;
constexpr Colour kYouWinColour = 0xFF40C0;
constexpr Colour kFreePlayColour = 0x00FFFF;

// Colours of the squares of board index 1 (the start-up board, 2 x 2, keys "erdf") and
// of board index 0 (2 x 1, keys "df").
constexpr Colour kBoard1Colours[4] = {0xFF0000, 0x00FF00, 0xFFE000, 0x0040FF};
constexpr Colour kBoard0Colours[2] = {0xFF0000, 0x00FF00};

// The game's commands, by the names the scenarios use, and the captions of its boxes.
constexpr Command kNewGame = Command::NewGame, kLevel = Command::Level, kSound = Command::Sound;
constexpr Command kFreePlay = Command::FreePlay, kQuit = Command::Quit, kAbout = Command::About;
constexpr Command kInstructions = Command::Instructions;
constexpr char kLevelCaption[] = "Choisir un niveau";
constexpr char kInstructionsCaption[] = "Instructions";
constexpr char kAboutBoxCaption[] = "A Propos";

// A rectangle in client pixels, right and bottom exclusive.
struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the game must draw on a client area of a given size for a given board.
struct Geometry {
  int width = 0, height = 0;  // client area
  int columns = 0, rows = 0;

  static Geometry For(int board, int width, int height);
  int BoardWidth() const { return (width * 3) / 4; }
  int LineX(int i) const { return (BoardWidth() * i) / columns; }  // i = 0..columns
  int LineY(int j) const { return ((height - 1) * j) / rows; }     // j = 0..rows
  int Squares() const { return columns * rows; }
  Box Square(int square) const;  // the painted square: its cell inset by 5 pixels
  Box StatusPanel() const;       // (W + 5, 0, width, height)
  Box StatusLine(int k) const;   // k = 1..5
  int CentreX(int square) const {
    Box b = Square(square);
    return (b.left + b.right) / 2;
  }
  int CentreY(int square) const {
    Box b = Square(square);
    return (b.top + b.bottom) / 2;
  }
};

// A copy of the client area as it is shown, with the background and window-text
// colours of the desktop it was shown on.
class Frame {
 public:
  Frame() = default;
  Frame(int width, int height, std::vector<Colour> pixels, Colour background, Colour text)
      : width_(width),
        height_(height),
        pixels_(std::move(pixels)),
        background_(background),
        text_(text) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }
  Colour At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const std::vector<Colour>& Pixels() const { return pixels_; }  // row by row, top-down
  Colour Background() const { return background_; }
  Colour Text() const { return text_; }

  // Pixels of exactly `colour` inside `box` (clipped to the frame).
  int Count(const Box& box, Colour colour) const;
  // True when every pixel of `box` is `colour`; `firstOther` gets one that is not.
  bool All(const Box& box, Colour colour, std::string* firstOther = nullptr) const;
  // Pixels of `box` that differ from `expected` (a pixel either frame lacks differs too);
  // `first` gets the first of them.
  int Differences(const Frame& expected, const Box& box, std::string* first = nullptr) const;

  // The one square of the board whose centre shows its colour: -1 when none does,
  // -2 when more than one does. `colours` gives the colour of each square.
  int LitSquare(const Geometry& g, const Colour* colours = kBoard1Colours) const;
  // True when the status word of `colour` shows in status line 5 (a few pixels of
  // exactly that colour; glyph edges may be blended).
  bool ShowsStatus(const Geometry& g, Colour colour) const;
  // Checks the dotted grid and nothing else: on every grid line some dots of the
  // window-text colour, and everything else in the client area is background except
  // inside `allowed` boxes. Returns an empty string when right, else what is wrong.
  std::string CheckGridOnly(const Geometry& g, const std::vector<Box>& allowed = {}) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<Colour> pixels_;
  Colour background_ = 0xFFFFFF, text_ = 0x000000;
};

// The squares seen to light, with a square seen twice in a row once: a square played
// twice in a row is dark for only one tick between, which a slow look may miss.
std::vector<int> WithoutRepeats(const std::vector<int>& squares);

// How long a square stayed lit, from the polls that looked at the board: each poll
// began and ended at known times and saw the square lit or not, so the flash lasted at
// least from the end of the first poll that saw it to the start of the last one, and
// at most from the start of the poll before it to the end of the first poll after it.
// Slow polls (a large capture on a busy machine) widen the bounds, never bend them.
class FlashTiming {
 public:
  // `notBefore`: a time before which the flash cannot have begun (when what starts it
  // was asked for), its bound when the first poll already sees it.
  explicit FlashTiming(double notBefore) : previousBegan_(notBefore) {}
  void Poll(double began, double ended, bool lit);
  bool Over() const { return over_; }  // the flash was seen to start and end
  double Shortest() const { return lastLitBegan_ - firstLitEnded_; }
  double Longest() const { return darkAgainEnded_ - darkBefore_; }
  // True when a flash of `low` to `high` ms agrees with what the polls saw.
  bool Within(double low, double high) const { return Longest() >= low && Shortest() <= high; }

 private:
  double darkBefore_ = 0, firstLitEnded_ = 0, lastLitBegan_ = 0, darkAgainEnded_ = 0;
  double previousBegan_;
  bool seen_ = false, over_ = false;
};

// True when every grid line of `g` carries dots of the window-text colour: the game has
// painted its board at the frame's size.
bool ShowsGrid(const Frame& frame, const Geometry& g);

}  // namespace screen

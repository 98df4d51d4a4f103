// Seeing and driving the game's window from another process, as a player's eyes and
// hands would: the clock, the colours and geometry the game must show, copies of its
// client area, its windows, clicks and resizes. Shared by the end-to-end driver and
// the benchmark's driver; nothing here fails a case by itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// ---------------------------------------------------------------------------
// Time

// Milliseconds from an arbitrary start, with sub-millisecond resolution.
double NowMs();

// Polls `condition` every `pollMs` until it holds (true) or `limitMs` have passed
// (false). The condition is always evaluated at least once, and once more at the end.
bool WaitUntil(DWORD limitMs, const std::function<bool()>& condition, DWORD pollMs = 5);
// Polls `condition` every `pollMs` for `periodMs`; true when it held every time.
// For "nothing happens" checks: make the period long enough for the game to have
// reacted had it been going to (a few hundred milliseconds).
bool HoldsFor(DWORD periodMs, const std::function<bool()>& condition, DWORD pollMs = 5);

// ---------------------------------------------------------------------------
// What the game looks like: colours, geometry, pixels

using Colour = uint32_t;  // 0xRRGGBB

Colour WindowColour();      // the system window colour: the background
Colour WindowTextColour();  // the system window-text colour: grid and status text

// Status word colours.
constexpr Colour kWatchColour = 0x00FF00;
constexpr Colour kYourTurnColour = 0xFFFF00;
constexpr Colour kOkColour = 0x0080FF;
constexpr Colour kWrongColour = 0xFF0000;
constexpr Colour kYouWinColour = 0xFF40C0;
constexpr Colour kFreePlayColour = 0x00FFFF;

// Colours of the squares of board index 1 (the start-up board, 2 x 2, keys "erdf").
constexpr Colour kBoard1Colours[4] = {0xFF0000, 0x00FF00, 0xFFE000, 0x0040FF};

// ---------------------------------------------------------------------------
// What a player's tools see of the menu and the dialogs

// The WM_COMMAND numbers of the game's menu items, written here on their own (not
// taken from the game's resource header), so a renumbered item shows as a failure.
constexpr uint16_t kNewGame = 521, kLevel = 522, kFreePlay = 523, kSound = 524, kQuit = 526;
constexpr uint16_t kAbout = 531, kInstructions = 533;

// The window class of every dialog box and message box, the captions of the game's
// three boxes, and the controls of the Level and Instructions boxes.
constexpr char kDialogClass[] = "#32770";
constexpr char kLevelCaption[] = "Choisir un niveau";
constexpr char kInstructionsCaption[] = "Instructions";
constexpr char kAboutBoxCaption[] = "A Propos";
constexpr int kBoardList = 640, kSkillList = 642, kHelpBox = 658;

// A rectangle in client pixels, right and bottom exclusive.
struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the game must draw on a client area of a given size for a given board,
// worked out here from the game's geometry rules on their own (not taken from the
// game's code), so a fault in the game's layout shows as a mismatch.
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

// A copy of the client area as it is on the screen.
class Frame {
 public:
  Frame() = default;
  Frame(int width, int height, std::vector<Colour> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }
  Colour At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

  // Pixels of exactly `colour` inside `box` (clipped to the frame).
  int Count(const Box& box, Colour colour) const;
  // True when every pixel of `box` is `colour`; `firstOther` gets one that is not.
  bool All(const Box& box, Colour colour, std::string* firstOther = nullptr) const;

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

  // Compares the status panel with the one the game must show for these values, drawn
  // here with the platform's own fonts: skill and board numbers as shown (1-based),
  // length, target, and the status word with its colour (word null: an idle, blank
  // panel). Returns an empty string when every pixel of the panel matches.
  std::string CheckStatusPanel(const Geometry& g, int skill, int board, int length, int target,
                               const char* word, Colour wordColour) const;

  // Writes the frame as a 24-bit BMP file (for looking at failures).
  bool SaveBmp(const std::string& path) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<Colour> pixels_;
};

// The pixel density (LogPixels) of the screen as the games started from now on see
// it, at which CheckStatusPanel draws the text it compares with; 0, the default, is
// the driver's own screen's. For cases that start games at another density.
void SetGamesScreenDpi(int dpi);

// Number of times `colour` shows in a box, for messages: "n of m pixels".
std::string Describe(const Frame& frame, const Box& box, Colour colour);

// A bitmap of width x height pixels of 32 bits, top-down, whose pixels `bits` points at
// (0x00RRGGBB each, as numbers); for copying a window into, or painting into.
HBITMAP CreatePixelBitmap(HDC dc, int width, int height, void** bits);

// True when every grid line of `g` carries dots of the window-text colour: the game has
// painted its board at the frame's size.
bool ShowsGrid(const Frame& frame, const Geometry& g);

// ---------------------------------------------------------------------------
// The game's windows

// Top-level windows of a class, of one process (0: any), optionally visible ones only.
std::vector<HWND> TopWindows(const char* className, DWORD processId, bool visibleOnly);
// Windows of the game's class that belong to process `processId` (0: any process).
std::vector<HWND> GameWindows(DWORD processId = 0);

// A copy of the window's client area as it is on the screen, or of the part of it in
// `part` (when not empty); pixel (0, 0) of the frame is the part's top-left corner.
Frame CaptureClient(HWND window, const Box& part = Box{0, 0, 0, 0});

// Moves the window to `origin` on the screen and sizes it so that its client area is
// exactly width x height, waiting each time until the game's thread has taken the
// change; false when the size did not take.
bool SetClientArea(HWND window, POINT origin, int width, int height);

// Posts a left button press and release at a client point, as a click would bring.
void PostClick(HWND window, int x, int y, WPARAM keyFlags = MK_LBUTTON);

}  // namespace e2e

// The game on the desktops players have today: a screen of twice the usual pixel
// density (192 DPI), where the manifest has the game draw at the screen's own density
// (board, status font, dialogs, a whole game, a move to a screen of another density),
// and the Level dialog's first line, which takes two lines in the dialog font.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e.h"
#include "tests/e2e/game_dialogs.h"

using namespace e2e;

namespace {

constexpr int kUsualDpi = 96, kHighDpi = 192;

// The pixel density of the screen as the games started while this lives see it: wine
// reads it from the prefix (LogPixels of HKCU\Control Panel\Desktop) when a process
// starts. The value is removed at the end; the session's setup (tests/e2e/wine.sh) removes it
// too, should a run have been cut short while it was set.
//
// Wine 8 draws every program at the screen's density, whatever its manifest declares
// (unless DpiScalingVer is set beside LogPixels, and then it knows per-monitor
// awareness of the first version only), so these cases show how the game behaves where
// it is aware of the density, and tests/static/check_manifest.py checks that it
// declares so.
class ScreenDensity {
 public:
  explicit ScreenDensity(int dpi) {
    const DWORD value = static_cast<DWORD>(dpi);
    const bool set = RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &value,
                                     sizeof value) == ERROR_SUCCESS;
    E2E_REQUIRE(set, "cannot set %s in HKCU\\%s", kValue, kKey);
    SetGamesScreenDpi(dpi);
  }
  ~ScreenDensity() {
    SetGamesScreenDpi(0);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kValue);
  }
  ScreenDensity(const ScreenDensity&) = delete;
  ScreenDensity& operator=(const ScreenDensity&) = delete;

 private:
  static constexpr char kKey[] = "Control Panel\\Desktop";
  static constexpr char kValue[] = "LogPixels";
};

// ---------------------------------------------------------------------------
// The main window

constexpr Panel kFreePlayPanel = {2, 2, 0, 0, "Free play", kFreePlayColour};

// Sends WM_DPICHANGED as Windows does when the window moves to a screen of another
// density, with the rectangle it suggests written into the game's memory: wine hands
// the message's pointer over from another process as it is.
void SendDpiChanged(const Game& game, int dpi, const RECT& suggested) {
  void* remote =
      VirtualAllocEx(game.Process(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
  E2E_REQUIRE(remote != nullptr, "cannot allocate in the game (error %lu)", GetLastError());
  SIZE_T written = 0;
  const bool copied =
      WriteProcessMemory(game.Process(), remote, &suggested, sizeof suggested, &written) &&
      written == sizeof suggested;
  DWORD_PTR result = 0;
  const bool sent =
      copied &&
      SendMessageTimeoutA(game.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                          reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &result) != 0;
  VirtualFreeEx(game.Process(), remote, 0, MEM_RELEASE);
  E2E_REQUIRE(sent, "WM_DPICHANGED not delivered (copied: %d)", copied ? 1 : 0);
}

// ---------------------------------------------------------------------------
// Dialogs

void PressAndClose(HWND dialog, int button) {
  E2E_REQUIRE(PressDialogButton(dialog, button), "the dialog did not close");
}

// A control's rectangle in its dialog's client pixels.
RECT ControlRect(HWND dialog, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

struct DialogShape {
  SIZE client = {0, 0};
  std::vector<RECT> controls;
};

DialogShape ShapeOf(HWND dialog) {
  DialogShape shape;
  RECT client = {};
  GetClientRect(dialog, &client);
  shape.client = SIZE{client.right, client.bottom};
  for (HWND c : Controls(dialog)) shape.controls.push_back(ControlRect(dialog, c));
  return shape;
}

// Twice the size it has at the usual density (within the rounding of dialog units to
// the font's metrics), with every control inside it.
void CheckTwiceAsLarge(const DialogShape& usual, const DialogShape& high, const char* name) {
  Note("%s: client area %ld x %ld at %d DPI, %ld x %ld at %d DPI", name, usual.client.cx,
       usual.client.cy, kUsualDpi, high.client.cx, high.client.cy, kHighDpi);
  const double across = static_cast<double>(high.client.cx) / usual.client.cx;
  const double down = static_cast<double>(high.client.cy) / usual.client.cy;
  E2E_CHECK(across >= 1.75 && across <= 2.25 && down >= 1.75 && down <= 2.25,
            "%s is %.2f times as wide and %.2f times as tall as at %d DPI", name, across, down,
            kUsualDpi);
  E2E_CHECK(high.controls.size() == usual.controls.size(), "%s has %u controls, %u at %d DPI", name,
            static_cast<unsigned>(high.controls.size()),
            static_cast<unsigned>(usual.controls.size()), kUsualDpi);
  for (size_t i = 0; i < high.controls.size(); ++i) {
    const RECT& c = high.controls[i];
    E2E_CHECK(c.left >= 0 && c.top >= 0 && c.right <= high.client.cx &&
                  c.bottom <= high.client.cy && c.right > c.left && c.bottom > c.top,
              "%s: control %u at (%ld, %ld, %ld, %ld) is not inside its %ld x %ld client area",
              name, static_cast<unsigned>(i + 1), c.left, c.top, c.right, c.bottom, high.client.cx,
              high.client.cy);
  }
}

// The Level dialog's first line shows its whole text, at the given density: its pixels
// are the sentence as drawn here in the dialog's font, word-wrapped at the control's
// width (as a left-aligned static control draws it) on a drawing three times the
// control's height, and nothing of that drawing lies below the control. It ends above
// the next control, "Tableau:".
void CheckFirstLineWhole(HWND dialog, int dpi) {
  HWND line = GetWindow(dialog, GW_CHILD);
  HWND next = line ? GetWindow(line, GW_HWNDNEXT) : nullptr;
  E2E_REQUIRE(line != nullptr && next != nullptr, "the Level dialog has no controls");
  const RECT at = ControlRect(dialog, line);
  const int width = at.right - at.left, height = at.bottom - at.top;
  E2E_CHECK(at.bottom <= ControlRect(dialog, next).top,
            "the first line reaches y = %ld, below the top of \"Tableau:\" at %ld", at.bottom,
            ControlRect(dialog, next).top);
  wchar_t text[128] = {};
  GetWindowTextW(line, text, 128);
  RECT client = {};
  GetClientRect(dialog, &client);
  E2E_REQUIRE(width > 0 && height > 0 && at.left >= 0 && at.top >= 0 && at.right <= client.right &&
                  at.bottom <= client.bottom,
              "the first line (%ld, %ld, %ld, %ld) is not inside the dialog", at.left, at.top,
              at.right, at.bottom);

  // The font of a DIALOG template with DS_SETFONT, as the dialog manager makes it.
  HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FF_DONTCARE, L"MS Sans Serif");
  PixelCanvas drawing(width, 3 * height);
  const HDC dc = drawing.Dc();
  HGDIOBJ previousFont = SelectObject(dc, font);
  SIZE oneLine = {};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &oneLine);
  RECT all = {0, 0, width, 3 * height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, text, -1, &all, DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK);
  SelectObject(dc, previousFont);
  DeleteObject(font);
  const Frame drawn = drawing.Pixels();
  E2E_REQUIRE(!drawn.Empty(), "cannot draw the sentence here");
  Note("at %d DPI the sentence is %ld pixels wide in the dialog font; the control %d x %d", dpi,
       oneLine.cx, width, height);

  const Colour background = drawn.At(0, 0);
  const Box inside = {0, 0, width, height}, below = {0, height, width, 3 * height};
  const int inkAbove = width * height - drawn.Count(inside, background);
  const int inkBelow = 2 * width * height - drawn.Count(below, background);
  // Compared once the dialog has painted itself.
  int differ = 0;
  std::string first;
  WaitUntil(3000, [&] {
    const Frame shown = CaptureClient(dialog, Box{at.left, at.top, at.right, at.bottom});
    return (differ = shown.Differences(drawn, inside, &first)) == 0;
  });

  // The premise: the sentence does not fit on one line, so it takes two.
  E2E_CHECK(oneLine.cx > width, "the sentence (%ld pixels) fits the control's width (%d)",
            oneLine.cx, width);
  E2E_CHECK(differ == 0,
            "%d pixels of the first line differ from the sentence drawn here, first at %s", differ,
            first.c_str());
  E2E_CHECK(inkBelow == 0 && inkAbove > 0,
            "%d pixels of the sentence fall below the control's %d rows: it is cut off", inkBelow,
            height);
}

}  // namespace

E2E_CASE(level_dialog_shows_its_whole_first_line) {
  Game game;
  HWND level = OpenDialog(game, kLevel, kLevelCaption);
  CheckFirstLineWhole(level, kUsualDpi);
  PressAndClose(level, IDCANCEL);
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

// At 192 DPI the window opens, the board and the status panel fill its client area in
// pixels as at any density, the status font is fitted to the panel in pixels, and a
// move to a screen of another density takes the window where Windows suggests and lays
// the board out anew.
E2E_CASE(high_dpi_board_panel_and_a_move_to_another_density) {
  ScreenDensity density(kHighDpi);
  Game game;
  const SIZE opened = game.ClientSize();
  Note("the window opened with a client area of %ld x %ld at %d DPI", opened.cx, opened.cy,
       kHighDpi);
  E2E_CHECK(opened.cx > 0 && opened.cy > 0, "empty client area");

  game.SetClientSize(1120, 840);
  Geometry g = game.Layout();
  RequireGridOnly(game, g, {g.StatusPanel()}, 3000);
  game.Command(kFreePlay);
  ExpectPanel(game, g, kFreePlayPanel, "in free play", 3000);
  game.ClickSquare(g, 3);
  E2E_CHECK(WaitForLit(game, g, 3, 2000), "square 3 did not light at %d DPI", kHighDpi);

  const RECT suggested = {40, 30, 40 + 900, 30 + 700};
  SendDpiChanged(game, 144, suggested);
  RECT now = {};
  GetWindowRect(game.Window(), &now);
  E2E_CHECK(EqualRect(&now, &suggested),
            "after WM_DPICHANGED the window is at (%ld, %ld, %ld, %ld), not where suggested",
            now.left, now.top, now.right, now.bottom);
  g = game.Layout();
  E2E_REQUIRE(g.width < 1120 && g.height < 840, "the client area is still %d x %d", g.width,
              g.height);
  RequireGridOnly(game, g, {g.StatusPanel()}, 3000);
  ExpectPanel(game, g, kFreePlayPanel, "after the move", 3000);
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

// Both dialogs come out about twice as large at 192 DPI as at 96, every control inside
// them, the Level dialog's first line whole; and a short game plays through.
E2E_CASE(high_dpi_dialogs_twice_as_large_and_a_short_game) {
  DialogShape level96, help96;
  {
    Game game;
    HWND level = OpenDialog(game, kLevel, kLevelCaption);
    level96 = ShapeOf(level);
    PressAndClose(level, IDCANCEL);
    HWND help = OpenDialog(game, kInstructions, kInstructionsCaption);
    help96 = ShapeOf(help);
    PressAndClose(help, IDCANCEL);
    E2E_CHECK(game.CloseAndWait() == 0, "exit code at %d DPI", kUsualDpi);
  }

  ScreenDensity density(kHighDpi);
  Game game;
  HWND level = OpenDialog(game, kLevel, kLevelCaption);
  CheckTwiceAsLarge(level96, ShapeOf(level), "the Level dialog");
  CheckFirstLineWhole(level, kHighDpi);
  SetLevelChoice(level, -1, 0);  // skill 1 (6 notes) keeps the game short
  PressAndClose(level, IDOK);
  HWND help = OpenDialog(game, kInstructions, kInstructionsCaption);
  CheckTwiceAsLarge(help96, ShapeOf(help), "the Instructions");
  PressAndClose(help, IDCANCEL);

  game.SetClientSize(1120, 840);
  WinWholeGame(game, game.Layout(), 1, 6);
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

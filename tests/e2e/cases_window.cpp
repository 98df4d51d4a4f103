// The main window: what it is, what it shows at rest, how it follows a resize and
// how it ends.
#include "tests/e2e/e2e.h"

using namespace e2e;

E2E_CASE(window_class_title_and_idle_board) {
  Game game;
  char text[128] = {};
  GetClassNameA(game.Window(), text, sizeof text);
  E2E_CHECK(std::string(text) == "Radevuvo_Wclass", "class is \"%s\"", text);
  GetWindowTextA(game.Window(), text, sizeof text);
  E2E_CHECK(std::string(text) == "Zirirar Aduzo", "title is \"%s\"", text);
  // An overlapped window, shown; the system adds the sibling clipping and the edge.
  const DWORD style = static_cast<DWORD>(GetWindowLongA(game.Window(), GWL_STYLE));
  E2E_CHECK(style == (WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS), "style %08lX",
            static_cast<unsigned long>(style));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(game.Window(), GWL_EXSTYLE));
  E2E_CHECK((exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE)) == 0, "extended style %08lX",
            static_cast<unsigned long>(exStyle));
  // Class style 0: no redraw on resize and no double clicks; no extra bytes.
  SetLastError(0);
  const DWORD classStyle = GetClassLongA(game.Window(), GCL_STYLE);
  E2E_CHECK(classStyle == 0 && GetLastError() == 0, "class style %08lX (error %lu)",
            static_cast<unsigned long>(classStyle), GetLastError());
  E2E_CHECK(GetClassLongA(game.Window(), GCL_CBWNDEXTRA) == 0 &&
                GetClassLongA(game.Window(), GCL_CBCLSEXTRA) == 0,
            "extra class or window bytes");
  E2E_CHECK(GetMenu(game.Window()) != nullptr, "the window has no menu");
  E2E_CHECK(GameWindows(game.ProcessId()).size() == 1, "%u game windows",
            static_cast<unsigned>(GameWindows(game.ProcessId()).size()));

  const Geometry g = At640(game);
  // The lines the grid must have at this size, to be sure what is being checked.
  E2E_REQUIRE(g.LineX(1) == 240 && g.LineX(2) == 480 && g.LineY(1) == 239 && g.LineY(2) == 479,
              "geometry of the driver");
  // Background and dotted grid only: no square, and no status text while idle.
  RequireGridOnly(game, g);

  // Idle: clicks and keys press nothing.
  game.ClickSquare(g, 0);
  game.ClickSquare(g, 3);
  game.TypeChar('e');
  game.TypeChar('f');
  E2E_CHECK(StaysDark(game, g, 500), "a square lit while idle");
  RequireGridOnly(game, g);

  E2E_CHECK(game.CloseAndWait() == 0, "exit code after WM_CLOSE");
  E2E_CHECK(GameWindows(game.ProcessId()).empty(), "a game window outlived the process");
  E2E_CHECK(CountProcesses("zirirar.exe") == 0, "%d game processes left",
            CountProcesses("zirirar.exe"));
}

E2E_CASE(resize_lays_the_board_out_anew) {
  Game game;
  game.SetClientSize(640, 480);
  RequireGridOnly(game, game.Layout());

  game.SetClientSize(800, 600);
  Geometry g = game.Layout();
  E2E_REQUIRE(g.LineX(1) == 300 && g.LineX(2) == 600 && g.LineY(1) == 299 && g.LineY(2) == 599,
              "geometry of the driver");
  RequireGridOnly(game, g);

  // An odd size truncates: W = (401 * 3) / 4 = 300, lines at y = 0, 150, 300.
  game.SetClientSize(401, 301);
  g = game.Layout();
  E2E_REQUIRE(g.BoardWidth() == 300 && g.LineY(1) == 150, "geometry of the driver");
  RequireGridOnly(game, g);

  // Clicks and painting follow the new layout.
  CommandUntilStatus(game, g, kFreePlay, kFreePlayColour, "no \"Free play\" at 401 x 301");
  ExpectPanel(game, g, {2, 2, 0, 0, "Free play", kFreePlayColour}, "in free play");
  game.ClickSquare(g, 3);
  E2E_REQUIRE(WaitForLit(game, g, 3, 2000), "square 3 did not light at 401 x 301");
  std::string other;
  E2E_CHECK(
      WaitUntil(1000, [&] { return game.Capture().All(g.Square(3), kBoard1Colours[3], &other); }),
      "square 3 not filled: %s", other.c_str());
  RequireGridOnly(game, g, {g.StatusPanel(), g.Square(3)});

  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(close_while_a_note_plays) {
  Game game;
  const Geometry g = At640(game);
  game.Command(kFreePlay);
  game.ClickSquare(g, 2);
  E2E_REQUIRE(WaitForLit(game, g, 2, 2000), "square 2 did not light");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code after WM_CLOSE during a flash");
  E2E_CHECK(CountProcesses("zirirar.exe") == 0, "%d game processes left",
            CountProcesses("zirirar.exe"));
}

E2E_CASE(copies_run_side_by_side) {
  Game first;
  Game second;
  E2E_REQUIRE(first.Window() != second.Window(), "both copies share one window");
  E2E_CHECK(GameWindows().size() == 2, "%u game windows",
            static_cast<unsigned>(GameWindows().size()));
  // Each has its own game: free play in one leaves the other idle.
  second.PlaceAt(600, 0);
  second.SetClientSize(400, 300);
  first.SetClientSize(400, 300);
  const Geometry g = first.Layout();
  first.Command(kFreePlay);
  E2E_REQUIRE(WaitForStatus(first, g, kFreePlayColour, 3000), "no \"Free play\" in the first");
  E2E_CHECK(HoldsFor(300, [&] { return second.Capture().CheckGridOnly(g).empty(); }),
            "the second copy changed: %s", second.Capture().CheckGridOnly(g).c_str());
  E2E_CHECK(second.CloseAndWait() == 0, "exit code of the second");
  E2E_CHECK(first.Running(), "closing one copy ended the other");
  E2E_CHECK(first.CloseAndWait() == 0, "exit code of the first");
}

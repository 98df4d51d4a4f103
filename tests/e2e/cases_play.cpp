// Playing: free play with the mouse and the keyboard, a whole game won by watching
// and repeating, and the two ways of losing.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/game.h"
#include "tests/e2e/e2e.h"
#include "tests/e2e/game_dialogs.h"

using namespace e2e;

namespace {

constexpr char kBoard1Keys[] = "erdf";

std::string Text(const std::vector<int>& squares) {
  std::string text;
  for (int s : squares) text += std::to_string(s);
  return text;
}

// Starts a game and waits for the player's first turn; returns the square shown.
int StartGameAndWatchFirstSquare(Game& game) {
  const double asked = NowMs();
  game.Command(kNewGame);
  WindowPlayer player(game.Window());
  const Playback p = WatchPlayback(player, asked, 5000, 2, true);
  E2E_REQUIRE(p.reachedYourTurn, "no \"Your turn\" within 5 s of a new game");
  E2E_REQUIRE(p.sawWatch, "no \"Watch\" while the computer played");
  E2E_REQUIRE(p.flashes.size() == 1, "the first playback showed %u flashes",
              static_cast<unsigned>(p.flashes.size()));
  return p.flashes[0];
}

}  // namespace

void e2e::WinWholeGame(const Game& game, const Geometry& g, int skill, int target) {
  PlayChecks checks;
  checks.playback = [&](int round, const Playback& p, const std::vector<int>& expected) {
    E2E_REQUIRE(!p.twoLit, "round %d: two squares lit at once", round);
    E2E_REQUIRE(p.reachedYourTurn, "round %d: no \"Your turn\" in time (flashes seen: %s)", round,
                Text(p.flashes).c_str());
    E2E_REQUIRE(p.sawWatch, "round %d: no \"Watch\"", round);
    E2E_REQUIRE(!p.flashes.empty(), "round %d: nothing lit", round);
    // The computer replays the sequence so far and adds one square at its end.
    E2E_REQUIRE(WithoutRepeats(p.flashes) == WithoutRepeats(expected),
                "round %d: the playback showed %s, expected %s", round, Text(p.flashes).c_str(),
                Text(expected).c_str());
    E2E_CHECK(p.flashes.size() <= expected.size(), "round %d: %s shown for %s", round,
              Text(p.flashes).c_str(), Text(expected).c_str());
    if (round == 1) {
      E2E_REQUIRE(p.first.Over(), "round 1: the flash never ended");
      Note("first flash seen for %.0f to %.0f ms (nominal 450)", p.first.Shortest(),
           p.first.Longest());
      E2E_CHECK(p.first.Within(350, 900), "a 9-tick flash lasted %.0f to %.0f ms",
                p.first.Shortest(), p.first.Longest());
    }
    ExpectPanel(game, g, {skill, 2, round, target, "Your turn", kYourTurnColour},
                ("in round " + std::to_string(round)).c_str());
  };
  checks.pressed = [](int round, size_t press, int square, bool lit) {
    E2E_REQUIRE(lit, "round %d, press %u: square %d not lit", round,
                static_cast<unsigned>(press + 1), square);
  };
  checks.answered = [](int round, RoundEnd end) {
    E2E_REQUIRE(end == RoundEnd::kOk, "round %d: no \"OK\" after the repeat", round);
  };
  WindowPlayer player(game.Window());
  const double asked = NowMs();
  game.Command(kNewGame);
  const GamePlayed played = PlayWholeGame(player, checks, asked, target);
  Note("sequence: %s", Text(played.sequence).c_str());

  E2E_REQUIRE(WaitForStatus(game, g, kYouWinColour, 3000), "no \"You win!\" after round %d",
              target);
  ExpectPanel(game, g, {skill, 2, target, target, "You win!", kYouWinColour}, "after the win");
  for (int s = 0; s < 4; ++s) {
    std::string other;
    E2E_CHECK(
        WaitUntil(1000, [&] { return game.Capture().All(g.Square(s), kBoard1Colours[s], &other); }),
        "square %d is not filled after the win: %s", s, other.c_str());
  }
  RequireGridOnly(game, g, {g.StatusPanel(), g.Square(0), g.Square(1), g.Square(2), g.Square(3)});
}

E2E_CASE(free_play_click_lights_square_for_ten_ticks) {
  Game game;
  const Geometry g = At640(game, kFreePlay, kFreePlayColour, "no \"Free play\" in status line 5");
  ExpectPanel(game, g, {2, 2, 0, 0, "Free play", kFreePlayColour}, "in free play");
  RequireGridOnly(game, g, {g.StatusPanel()});

  const double clicked = NowMs();
  game.ClickSquare(g, 1);
  E2E_REQUIRE(WaitForLit(game, g, 1, 2000), "square 1 did not light");
  std::string other;
  E2E_CHECK(
      WaitUntil(300, [&] { return game.Capture().All(g.Square(1), kBoard1Colours[1], &other); }),
      "square 1 is not filled over its whole rectangle: %s", other.c_str());
  // Its margins, the grid and the other squares stay as they were.
  RequireGridOnly(game, g, {g.StatusPanel(), g.Square(1)});

  E2E_REQUIRE(WaitForLit(game, g, -1, 3000), "square 1 did not go dark");
  const double litMs = NowMs() - clicked;
  Note("free-play flash seen for %.0f ms (nominal 450 to 500)", litMs);
  E2E_CHECK(litMs >= 350 && litMs <= 1000, "flash of 10 ticks lasted %.0f ms", litMs);
  RequireGridOnly(game, g, {g.StatusPanel()});
  E2E_CHECK(game.Capture().ShowsStatus(g, kFreePlayColour), "\"Free play\" went away");

  // Clicks that hit no square: on the status panel, on the last grid line, below the
  // last row of hit cells.
  game.Click(g.StatusPanel().left + 20, 20);
  game.Click(g.LineX(2), 100);
  game.Click(g.LineX(1) + 10, g.height - 1);
  E2E_CHECK(StaysDark(game, g, 500), "a click off the squares lit one");

  // A click in a margin presses the square of the cell that holds it.
  game.Click(g.LineX(1) - 1, g.LineY(1) - 1);
  E2E_CHECK(WaitForLit(game, g, 0, 2000), "a click in the margin of square 0 did not press it");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(free_play_keys) {
  Game game;
  const Geometry g = At640(game, kFreePlay, kFreePlayColour, "no \"Free play\"");

  // Capitals, auto-repeats and characters off the key map press nothing.
  game.TypeChar('R');
  game.TypeChar('E');
  game.TypeChar('r', true);
  game.TypeChar('x');
  game.TypeChar('1');
  E2E_CHECK(StaysDark(game, g, 500), "a capital, an auto-repeat or a foreign key lit a square");

  // Each key of "erdf" presses its square; a press at once replaces the flash before.
  for (int square = 0; square < 4; ++square) {
    game.TypeChar(kBoard1Keys[square]);
    E2E_CHECK(WaitForLit(game, g, square, 2000), "'%c' did not light square %d",
              kBoard1Keys[square], square);
  }
  E2E_REQUIRE(WaitForLit(game, g, -1, 3000), "the last flash did not end");

  // Real key presses go through the message loop's translation into characters.
  game.PressKey('E', {VK_SHIFT});
  E2E_CHECK(StaysDark(game, g, 500), "Shift+E lit a square");
  E2E_REQUIRE(WaitForLit(game, g, -1, 3000), "a flash did not end");
  game.PressKey('R', {VK_MENU});
  E2E_CHECK(StaysDark(game, g, 500), "Alt+R lit a square");
  E2E_REQUIRE(WaitForLit(game, g, -1, 3000), "a flash did not end");
  game.PressKey('D');
  E2E_CHECK(WaitForLit(game, g, 2, 2000), "the key D did not light square 2");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(whole_game_won_by_repeating_the_sequence) {
  Game game;
  const Geometry g = At640(game);
  WinWholeGame(game, g, 2, 10);  // the start-up skill
  // A won game stays won: ticks change nothing and presses are ignored.
  game.ClickSquare(g, 0);
  E2E_CHECK(HoldsFor(600,
                     [&] {
                       const Frame f = game.Capture();
                       return f.ShowsStatus(g, kYouWinColour) &&
                              f.All(g.Square(1), kBoard1Colours[1]);
                     }),
            "the won board changed");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

// With no audio output at all (every audio driver of wine disabled for this process)
// and the sound switched on, a whole game plays as usual: no sound request holds up
// the game's thread, so its ticks keep their 50 ms pace throughout.
E2E_CASE(whole_game_without_any_audio_output_keeps_its_ticks) {
  ScratchFolder folder("silent");
  const std::string copy = folder.Copy(GamePath(), "zirirar-silent.exe");
  ProgramDllOverrides noAudio("zirirar-silent.exe",
                              {{"winealsa.drv", ""}, {"winepulse.drv", ""}, {"wineoss.drv", ""}});
  Game game(copy);
  const Geometry g = At640(game);
  Probe probe(game);
  ChooseLevel(game, -1, 0);  // skill 1 (6 notes) keeps the game short

  const long ticksBefore = probe.Ticks();
  WinWholeGame(game, g, 1, 6);
  const std::vector<double> ticks = probe.TickTimesMs();
  E2E_REQUIRE(ticks.size() > static_cast<size_t>(ticksBefore) + 200, "only %u ticks in the game",
              static_cast<unsigned>(ticks.size() - ticksBefore));
  double longest = 0;
  for (size_t i = static_cast<size_t>(ticksBefore) + 1; i < ticks.size(); ++i)
    longest = std::max(longest, ticks[i] - ticks[i - 1]);
  const double span = ticks.back() - ticks[static_cast<size_t>(ticksBefore)];
  const double expected = span / kTickMs + 1;
  const size_t taken = ticks.size() - static_cast<size_t>(ticksBefore);
  Note("%u ticks taken in %.0f ms (%.1f expected at %d ms), longest gap %.0f ms",
       static_cast<unsigned>(taken), span, expected, kTickMs, longest);
  E2E_CHECK(std::abs(static_cast<double>(taken) - expected) <= 2,
            "%u ticks taken where %.1f were due", static_cast<unsigned>(taken), expected);
  E2E_CHECK(longest < 150, "the game's thread took no tick for %.0f ms", longest);

  // The premise: no audio driver was loaded into the game.
  for (const char* driver : {"winealsa.drv", "winepulse.drv", "wineoss.drv"}) {
    E2E_CHECK(LoadedModules(game.ProcessId(), driver).empty(),
              "%s is loaded: the game had an audio output", driver);
  }
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(wrong_square_loses) {
  Game game;
  const Geometry g = At640(game);
  const int shown = StartGameAndWatchFirstSquare(game);
  const int wrong = (shown + 1) % 4;
  game.ClickSquare(g, wrong);
  E2E_REQUIRE(WaitForStatus(game, g, kWrongColour, 2000), "no \"Wrong!\" after a wrong square");
  ExpectPanel(game, g, {2, 2, 1, 10, "Wrong!", kWrongColour}, "after the loss");
  // The wrong square does not light, and a lost game takes no more presses.
  E2E_CHECK(StaysDark(game, g, 300), "a square lit after the wrong press");
  game.ClickSquare(g, shown);
  game.TypeChar(kBoard1Keys[shown]);
  E2E_CHECK(StaysDark(game, g, 500), "a press after the loss lit a square");
  E2E_CHECK(game.Capture().ShowsStatus(g, kWrongColour), "\"Wrong!\" went away");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(no_press_loses_after_the_thinking_time) {
  Game game;
  const Geometry g = At640(game);
  StartGameAndWatchFirstSquare(game);
  const double turnSeen = NowMs();
  E2E_REQUIRE(WaitForStatus(game, g, kWrongColour, 10000), "no \"Wrong!\" within 10 s");
  const double waited = NowMs() - turnSeen;
  Note("\"Wrong!\" %.0f ms after \"Your turn\" (nominal 5050)", waited);
  E2E_CHECK(waited >= 4500 && waited <= 8000, "the thinking time was %.0f ms", waited);
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(minimised_window_keeps_ticking) {
  Game game;
  const Geometry g = At640(game);
  StartGameAndWatchFirstSquare(game);
  game.PostMsg(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  E2E_REQUIRE(WaitUntil(3000, [&] { return IsIconic(game.Window()) != FALSE; }),
              "the window did not minimise");
  Sleep(6500);  // longer than the thinking time
  game.PostMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
  E2E_REQUIRE(
      WaitUntil(3000, [&] { return !IsIconic(game.Window()) && game.ClientSize().cx == 640; }),
      "the window was not restored");
  E2E_CHECK(WaitForStatus(game, g, kWrongColour, 3000),
            "the game did not end while the window was minimised");
  RequireGridOnly(game, g, {g.StatusPanel()});
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

// Judging a scenario by what the game shows (scenarios.h).
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/help_text.h"
#include "tests/scenarios/scenarios.h"

namespace scenario {
namespace {

using screen::Box;
using screen::Colour;
using screen::Frame;
using screen::Geometry;

struct Word {
  const char* text;
  Colour colour;
};
constexpr Word kWords[] = {
    {"Watch", screen::kWatchColour},     {"Your turn", screen::kYourTurnColour},
    {"OK", screen::kOkColour},           {"Wrong!", screen::kWrongColour},
    {"You win!", screen::kYouWinColour}, {"Free play", screen::kFreePlayColour},
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string Squares(const std::vector<int>& squares) {
  std::string text;
  for (int s : squares) text += std::to_string(s);
  return text;
}

// The help text as the dialog shows it: lines ended by LF.
std::string HelpTextLines() {
  std::string text = kHelpText;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

class Judge {
 public:
  explicit Judge(ScenarioPlayer& player) : p_(player) {}

  void Do(const Step& s) {
    if (s.op <= Op::PressShownSquare) lastActionAt_ = p_.NowMs();  // an act
    switch (s.op) {
      case Op::Command:
        return p_.Run(static_cast<Command>(s.a));
      case Op::Key:
        return p_.Key(s.text);
      case Op::Type:
        return p_.Type(static_cast<char>(s.a), s.b != 0);
      case Op::ClickSquare:
        return ClickSquare(s.a);
      case Op::ClickMargin: {
        const Geometry g = Now();
        const Box b = g.Square(s.a);
        return p_.Click(b.right + 2, b.bottom + 2);
      }
      case Op::ClickOff: {
        const Geometry g = Now();
        if (s.a == 0) return p_.Click(g.StatusPanel().left + 20, 20);
        if (s.a == 1) return p_.Click(g.LineX(g.columns), g.height / 2);
        return p_.Click(g.LineX(1) + 10, g.height - 1);
      }
      case Op::ExpectStatus:
        return ExpectStatus(s.text, s.a, s.b);
      case Op::ExpectLit:
        return ExpectLit(s.a, s.b);
      case Op::ExpectDarkFor:
        return ExpectDarkFor(s.a);
      case Op::ExpectPanel:
        return ExpectPanel(s.a, s.b, s.c, s.d, s.text);
      case Op::ExpectBlankBoard:
        return ExpectOnly({}, "a blank board");
      case Op::ExpectWonBoard:
        return ExpectWonBoard();
      case Op::ExpectMenu:
        if (p_.MenuEnabled(static_cast<Command>(s.a)) != (s.b != 0))
          Fail(Format("menu item %d is %s", s.a, s.b != 0 ? "greyed" : "enabled"));
        return;
      case Op::ExpectSoundChecked:
        if (p_.SoundChecked() != (s.a != 0))
          Fail(s.a != 0 ? "the Sound item is not checked" : "the Sound item is checked");
        return;
      case Op::ExpectDialog:
        return ExpectDialog(s.text, s.a);
      case Op::ExpectNoDialogFor:
        return ExpectNoDialogFor(s.a);
      case Op::ExpectDialogText:
        return ExpectDialogText(s.a == 0 ? HelpTextLines() : std::string(kAboutText));
      case Op::ExpectLevelChoice: {
        int board = -1, skill = -1;
        p_.LevelChoice(board, skill);
        if (board != s.a || skill != s.b)
          Fail(Format("the Level dialog shows board %d and skill %d selected, not %d and %d", board,
                      skill, s.a, s.b));
        return;
      }
      case Op::ChooseLevel:
        p_.ChooseLevel(s.a, s.b);
        board_ = s.a;
        return;
      case Op::CloseDialog:
        return p_.CloseDialog();
      case Op::WatchAndRepeat:
        return WatchAndRepeat(s.a, s.b, s.c);
      case Op::WatchFirstSquare:
        return WatchFirstSquare();
      case Op::PressWrongSquare:
        return ClickSquare((shown_ + 1) % Now().Squares());
      case Op::PressShownSquare:
        return ClickSquare(shown_);
      case Op::Pause:
        p_.WaitUntil(
            s.a, [] { return false; }, 20);
        return;
      case Op::Quit: {
        const int code = p_.QuitAndWait();
        if (code != 0) Fail(Format("Quit ended the program with %d, not 0", code));
        return;
      }
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    p_.Fail(what);
    std::abort();  // a player's Fail does not return
  }

  const Colour* Colours() const {
    if (board_ == 1) return screen::kBoard1Colours;
    if (board_ == 0) return screen::kBoard0Colours;
    Fail(Format("no colours for board index %d", board_));
  }

  // The geometry of the current board on the client area's present size.
  Geometry Now() {
    const Frame f = p_.Capture();
    return Geometry::For(board_, f.Width(), f.Height());
  }

  bool Wait(int limitMs, const std::function<bool()>& condition, int pollMs = 5) {
    return p_.WaitUntil(limitMs, condition, pollMs);
  }

  int Lit() {
    const Frame f = p_.Capture();
    return f.Empty() ? -3 : f.LitSquare(Geometry::For(board_, f.Width(), f.Height()), Colours());
  }

  void ClickSquare(int square) {
    const Geometry g = Now();
    p_.Click(g.CentreX(square), g.CentreY(square));
  }

  static Colour WordColour(const char* word) {
    for (const Word& w : kWords)
      if (std::string(w.text) == word) return w.colour;
    return 0;
  }

  bool Shows(const char* word) {
    const Frame f = p_.Capture();
    return !f.Empty() &&
           f.ShowsStatus(Geometry::For(board_, f.Width(), f.Height()), WordColour(word));
  }

  void ExpectStatus(const char* word, int withinMs, int notBeforeMs) {
    const double start = p_.NowMs();
    if (!Wait(withinMs, [&] { return Shows(word); }))
      Fail(Format("no \"%s\" within %d ms", word, withinMs));
    const double took = p_.NowMs() - start;
    if (notBeforeMs > 0) {
      p_.Note(Format("\"%s\" shown after %.0f ms", word, took));
      if (took < notBeforeMs)
        Fail(Format("\"%s\" came after %.0f ms, before %d", word, took, notBeforeMs));
    }
  }

  void ExpectLit(int square, int withinMs) {
    int seen = -3;
    if (!Wait(withinMs, [&] { return (seen = Lit()) == square; }))
      Fail(Format("square %d is not the one lit within %d ms (seen: %d)", square, withinMs, seen));
  }

  void ExpectDarkFor(int ms) {
    int seen = -1;
    const bool dark = !Wait(ms, [&] { return (seen = Lit()) != -1; });
    if (!dark) Fail(Format("square %d lit, where nothing should", seen));
  }

  void ExpectPanel(int skill, int board, int length, int target, const char* word) {
    std::string problem;
    const bool ok = Wait(2000, [&] {
      const Frame f = p_.Capture();
      problem = p_.CheckPanel(f, Geometry::For(board_, f.Width(), f.Height()), skill, board, length,
                              target, word, WordColour(word));
      return problem.empty();
    });
    if (!ok)
      Fail(Format("status panel for %d %d %d %d \"%s\": %s", skill, board, length, target, word,
                  problem.c_str()));
  }

  // Only the dotted grid, but in the boxes allowed.
  void ExpectOnly(std::vector<Box> allowed, const char* what) {
    std::string problem;
    if (!Wait(2000, [&] {
          const Frame f = p_.Capture();
          problem = f.CheckGridOnly(Geometry::For(board_, f.Width(), f.Height()), allowed);
          return problem.empty();
        }))
      Fail(Format("not %s: %s", what, problem.c_str()));
  }

  void ExpectWonBoard() {
    const Geometry g = Now();
    std::vector<Box> allowed = {g.StatusPanel()};
    for (int s = 0; s < g.Squares(); ++s) {
      std::string other;
      if (!Wait(1000, [&] { return p_.Capture().All(g.Square(s), Colours()[s], &other); }))
        Fail(Format("square %d is not filled after the win: %s", s, other.c_str()));
      allowed.push_back(g.Square(s));
    }
    ExpectOnly(allowed, "the won board");
  }

  void ExpectDialog(const char* caption, int withinMs) {
    std::vector<std::string> open;
    const bool ok = Wait(withinMs, [&] {
      open = p_.DialogCaptions();
      return *caption == '\0' ? open.empty() : open.size() == 1 && open[0] == caption;
    });
    if (ok) return;
    std::string list;
    for (const std::string& c : open) list += " \"" + c + "\"";
    Fail(Format("the dialogs open are%s, not \"%s\" alone", open.empty() ? " none" : list.c_str(),
                caption));
  }

  void ExpectNoDialogFor(int ms) {
    if (Wait(ms, [&] { return !p_.DialogCaptions().empty(); }))
      Fail(Format("a dialog opened: \"%s\"", p_.DialogCaptions()[0].c_str()));
  }

  void ExpectDialogText(const std::string& expected) {
    const std::string shown = p_.DialogText();
    if (shown == expected) return;
    size_t at = 0;
    while (at < shown.size() && at < expected.size() && shown[at] == expected[at]) ++at;
    Fail(Format("the dialog's text differs from character %u on: \"%.40s\"",
                static_cast<unsigned>(at), shown.c_str() + at));
  }

  void WatchFirstSquare() {
    if (board_ != 1) Fail("the first playback is watched on board index 1");
    const screen::Playback p = screen::WatchPlayback(p_, lastActionAt_, 5000, 2, true);
    if (!p.reachedYourTurn) Fail("no \"Your turn\" within 5 s of a new game");
    if (!p.sawWatch) Fail("no \"Watch\" while the computer played");
    if (p.flashes.size() != 1)
      Fail(Format("the first playback showed %s", Squares(p.flashes).c_str()));
    shown_ = p.flashes[0];
  }

  // The computer replays the sequence so far and adds one square at its end; each round
  // is repeated with clicks and keys in turn, each press showing its square.
  void WatchAndRepeat(int rounds, int skill, int target) {
    static const char kKeys[] = "erdf";  // of board index 1
    if (board_ != 1) Fail("watching and repeating is played on board index 1");
    screen::PlayChecks checks;
    checks.playback = [&](int round, const screen::Playback& p, const std::vector<int>& expected) {
      if (p.twoLit) Fail(Format("round %d: two squares lit at once", round));
      if (!p.reachedYourTurn)
        Fail(Format("round %d: no \"Your turn\" in time (seen %s)", round,
                    Squares(p.flashes).c_str()));
      if (!p.sawWatch || p.flashes.empty()) Fail(Format("round %d: nothing played", round));
      if (screen::WithoutRepeats(p.flashes) != screen::WithoutRepeats(expected) ||
          p.flashes.size() > expected.size())
        Fail(Format("round %d: the playback showed %s, expected %s", round,
                    Squares(p.flashes).c_str(), Squares(expected).c_str()));
      if (round == 1) {
        p_.Note(Format("first flash seen for %.0f to %.0f ms (nominal 450)", p.first.Shortest(),
                       p.first.Longest()));
        if (!p.first.Over() || !p.first.Within(350, 900))
          Fail(Format("a 9-tick flash lasted %.0f to %.0f ms", p.first.Shortest(),
                      p.first.Longest()));
      }
      ExpectPanel(skill, board_ + 1, round, target, "Your turn");
    };
    checks.press = [&](int round, size_t press, int square) {
      if ((round + press) % 2 == 0) {
        p_.Type(kKeys[square], false);
      } else {
        ClickSquare(square);
      }
    };
    checks.pressed = [&](int round, size_t press, int square, bool lit) {
      if (!lit)
        Fail(Format("round %d, press %u: square %d is not the one lit within 2000 ms", round,
                    static_cast<unsigned>(press + 1), square));
    };
    checks.answer = [&](int round) {
      ExpectStatus(round == target ? "You win!" : "OK", 3000, 0);
      return round == target ? screen::RoundEnd::kWon : screen::RoundEnd::kOk;
    };
    const screen::GamePlayed played = screen::PlayWholeGame(p_, checks, lastActionAt_, rounds);
    p_.Note("sequence: " + Squares(played.sequence));
  }

  ScenarioPlayer& p_;
  double lastActionAt_ = 0;  // when the last step that acts on the game began
  int board_ = 1;            // the board index shown
  int shown_ = -1;           // the square the first playback showed
};

}  // namespace

void RunScenario(const Scenario& scenario, ScenarioPlayer& player) {
  Judge judge(player);
  for (const Step& step : scenario.steps) judge.Do(step);
}

std::array<std::string, 5> StatusLines(int skill, int board, int length, int target,
                                       const char* word) {
  return {"Skill: " + std::to_string(skill), "Board: " + std::to_string(board),
          "Length: " + std::to_string(length), "Target: " + std::to_string(target), word};
}

std::string PanelDifference(const Frame& frame, const Box& panel,
                            const std::function<Colour(int x, int y)>& expected, int tolerance) {
  const auto near = [&](Colour a, Colour b) {
    for (int shift = 0; shift <= 16; shift += 8)
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
          tolerance)
        return false;
    return true;
  };
  int wrong = 0;
  std::string first;
  for (int y = panel.top; y < panel.bottom; ++y) {
    for (int x = panel.left; x < panel.right; ++x) {
      const Colour want = expected(x, y);
      if (!near(frame.At(x, y), want) && wrong++ == 0)
        first = Format("(%d, %d) is %s, expected %s", x, y, screen::Hex(frame.At(x, y)).c_str(),
                       screen::Hex(want).c_str());
    }
  }
  if (wrong == 0) return "";
  return Format("%d pixels of the status panel differ, first %s", wrong, first.c_str());
}

}  // namespace scenario

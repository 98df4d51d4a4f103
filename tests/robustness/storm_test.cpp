// Storms of random events through the hosted game, the way a shell hands them over:
// ticks (also while the clock rests), clicks anywhere, typed characters with and
// without auto-repeat, every command whether the game refuses it or not, the dialogs
// closed with OK (any indices) or cancelled, resizes from 0 x 0 to 10000 x 10000 and
// paints. After every event the game record, the sound requests, the repaints and the
// clock the host asked of the shell and the painted picture are checked against what
// the game must hold; the sanitizers watch every access.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <iterator>
#include <numeric>
#include <random>
#include <sstream>
#include <string>

#include "engine/game.h"
#include "rules/game_host.h"
#include "sound/sound_player.h"
#include "tests/support/perfect_player.h"
#include "tests/support/record_rules.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/recording_shell.h"
#include "view/layout.h"

namespace {

// The storm's fonts: the average character width grows with the point size, as real
// fonts' does, about 0.6 of the size and never below 1, so the status font search
// always ends.
int32_t AverageWidthOf(int16_t points) { return points < 2 ? 1 : (points * 3 + 4) / 5; }

// The status font size the search must find with those widths.
int16_t ExpectedFontSize(int32_t clientWidth) {
  const int64_t bound = clientWidth / 4 - 5;
  int16_t p = 3;
  while (bound > 12 * static_cast<int64_t>(AverageWidthOf(static_cast<int16_t>(p + 1)))) ++p;
  return p;
}

struct Coverage {
  int64_t events = 0;
  int64_t newGamesOnBoard[kBoardCount] = {};
  int64_t newGamesAtSkill[kSkillCount] = {};
  int64_t winsAtSkill[kSkillCount] = {};
  int64_t timeouts = 0, wrongSquares = 0;
  int64_t statesSeen[7] = {};
  int longestSequence = 0;
  int64_t resizes = 0, emptyResizes = 0, hugeResizes = 0, paints = 0;
  int64_t togglesOff = 0, togglesOn = 0;
  int64_t acceptedPresses = 0;
  int64_t refusedCommands = 0, dialogs = 0, ticksAtRest = 0;
  int16_t largestFont = 0;
};

// What the repaint requests of one event asked for.
struct Repaints {
  int squares = 0, panels = 0, redraws = 0;
  uint32_t squareMask = 0;  // squares invalidated (bit per square)
  bool badRect = false;     // a rectangle that is neither a square nor the panel
  bool all = false;         // the whole board invalidated
};

enum class Mood { Chaos, Player, Idle };

class Storm {
 public:
  // What it reached adds to `coverage`.
  Storm(uint32_t seed, double canvasFailureRate, Coverage& coverage)
      : seed_(seed),
        rng_(seed),
        canvasFailureRate_(canvasFailureRate),
        canvasRng_(seed ^ 0x9E3779B9u),
        host_(shell_, shell_.log, Clock::RestsWhenIdle),
        coverage_(coverage) {
    // The shell: square rectangles, the status panel and the whole board are only marked
    // (a paint follows the event), a repaint now paints at once.
    shell_.onRepaint = [this](const Rect& rect, PaintTime when) { Repaint(rect, when); };
    shell_.log.game = &host_.Game();
    host_.Start(seed);
    // With a failure rate above 0, a font measurement reports width 0 at that rate.
    canvas_.averageWidth = [this](int16_t points) {
      ++measured_;
      if (!CanvasFails()) return AverageWidthOf(points);
      ++unmeasured_;
      return 0;
    };
  }
  Storm(const Storm&) = delete;
  Storm& operator=(const Storm&) = delete;

  // Runs `count` events; stops at the first broken rule and describes it.
  ::testing::AssertionResult Run(int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      eventIndex_ = i;
      if (moodLeft_-- <= 0) ChooseMood();
      before_ = game();
      shell_.log.events.clear();
      repaints_ = {};
      canvas_.ClearRecord();
      refused_ = false;
      const char* what = Event();
      if (dirty_) Paint();
      // The lit square was (re)lit by this event: its note must sound unless the
      // sound is switched afterwards.
      const Events& log = shell_.log.events;
      if (game().litSquare != -1 && (game().litSquare != before_.litSquare ||
                                     std::any_of(log.begin(), log.end(), [](const std::string& e) {
                                       return e.find(" loop") != std::string::npos;
                                     })))
        lightEvent_ = i;
      if (const std::string problem = Check(what); !problem.empty()) {
        return ::testing::AssertionFailure()
               << "seed " << seed_ << ", event " << i << " (" << what << "): " << problem << "\n"
               << Describe(before_) << " -> " << Describe(game());
      }
      Note(what);
    }
    host_.End();
    if (shell_.log.playing != kSilence)
      return ::testing::AssertionFailure() << "sound left playing after the end";
    if (shell_.ticking) return ::testing::AssertionFailure() << "ticks left running after the end";
    return ::testing::AssertionSuccess();
  }

  int64_t measured() const { return measured_; }
  int64_t unmeasured() const { return unmeasured_; }

  // Paints the whole client area, as a paint after the background was erased does.
  void Paint() {
    canvas_.ClearRecord();
    host_.Paint(canvas_);
    dirty_ = false;
    painted_ = true;
    ++coverage_.paints;
  }
  const GameSession& game() const { return host_.Game(); }
  const BoardLayout& layout() const { return host_.Layout(); }

 private:
  // ---- the events -------------------------------------------------------------

  void ChooseMood() {
    const int roll = Uniform(0, 99);
    if (roll < 55) {
      mood_ = Mood::Chaos;
      moodLeft_ = Uniform(20, 400);
    } else if (roll < 90) {
      // A careful player: starts a game and repeats every sequence to the end of
      // the game (up to a win at the longest target).
      mood_ = Mood::Player;
      moodLeft_ = 60000;
      playerStarted_ = false;
    } else {
      mood_ = Mood::Idle;  // nobody presses: thinking time runs out
      moodLeft_ = Uniform(50, 300);
    }
  }

  const char* Event() {
    switch (mood_) {
      case Mood::Player: {
        if (!playerStarted_) {
          playerStarted_ = true;
          if (!shell_.dialog.empty()) CloseDialog();
          if (!IsGameRunning(game()) && Uniform(0, 2) == 0) {
            host_.Run(Command::Level);
            ChooseLevel(Uniform(0, kBoardCount - 1), Uniform(0, kSkillCount - 1));
          }
          return NewGame();
        }
        if (!IsGameRunning(game())) moodLeft_ = 0;  // won or lost: the mood ends
        const int roll = Uniform(0, 999);
        if (roll < 690) return Tick();
        if (roll < 990) return CorrectPress();
        if (roll < 994) return Resize();
        if (roll < 998) return PaintEvent();
        return Toggle();
      }
      case Mood::Idle:
        return Uniform(0, 19) == 0 ? PaintEvent() : Tick();
      case Mood::Chaos:
        break;
    }
    const int roll = Uniform(0, 999);
    if (roll < 480) return Tick();
    if (roll < 560) return ClickAnywhere();
    if (roll < 640) return ClickSquare();
    if (roll < 700) return TypeCharacter();
    if (roll < 800) return CorrectPress();
    if (roll < 815) return NewGame();
    if (roll < 835) return RunCommand(Command::FreePlay);
    if (roll < 850) return RunCommand(Command::Level);
    if (roll < 855) return RunCommand(Command::Instructions);
    if (roll < 860) return RunCommand(Command::About);
    if (roll < 862) return RunCommand(Command::Quit);
    if (roll < 875) return CloseDialog();
    if (roll < 890) return Toggle();
    if (roll < 935) return Resize();
    return PaintEvent();
  }

  // A shell whose clock rests hands over no tick; one delivered anyway must change
  // nothing.
  const char* Tick() {
    const bool atRest = !shell_.ticking;
    coverage_.ticksAtRest += atRest;
    host_.Tick();
    return atRest ? "tick at rest" : "tick";
  }

  const char* NewGame() {
    host_.Run(Command::NewGame);
    coverage_.newGamesOnBoard[game().boardIndex] += 1;
    coverage_.newGamesAtSkill[game().skillIndex] += 1;
    return "New game";
  }

  // A command as it arrives, whatever the menu would show.
  const char* RunCommand(Command command) {
    refused_ = !CommandAllowed(game(), command);
    if (refused_) ++coverage_.refusedCommands;
    host_.Run(command);
    if (shell_.DialogsOpened() != 0) ++coverage_.dialogs;
    return "command";
  }

  // The dialog showing is closed: the Level dialog with OK (its positions, or any
  // indices at all) or cancelled, the others as they close.
  const char* CloseDialog() {
    if (shell_.dialog.empty()) return "no dialog to close";
    if (shell_.dialog != "level" || Uniform(0, 3) == 0) {
      shell_.dialog.clear();
      return "dialog closed";
    }
    if (Uniform(0, 3) == 0) {
      return ChooseLevel(
          Uniform(0, 3) == 0 ? Uniform(-40000, 40000) : Uniform(-2, kBoardCount + 1),
          Uniform(0, 3) == 0 ? Uniform(-40000, 40000) : Uniform(-2, kSkillCount + 1));
    }
    return ChooseLevel(Uniform(0, kBoardCount - 1), Uniform(0, kSkillCount - 1));
  }

  const char* ChooseLevel(int board, int skill) {
    shell_.dialog.clear();
    host_.ChooseLevel(static_cast<int16_t>(board), static_cast<int16_t>(skill));
    return "Level chosen";
  }

  // Clicks anywhere: margins, grid lines, the status panel, beyond the client area
  // on every side.
  const char* ClickAnywhere() {
    const int32_t w = layout().clientWidth, h = layout().clientHeight;
    const int32_t x = Uniform(0, 3) == 0 ? Uniform(-70000, 70000) : Uniform(-8, w + 8);
    const int32_t y = Uniform(0, 3) == 0 ? Uniform(-70000, 70000) : Uniform(-8, h + 8);
    return Click(x, y);
  }

  // A click inside a painted square or on its edges.
  const char* ClickSquare() {
    const int16_t squares = BoardSquares(game().boardIndex);
    const Rect r =
        SquareRect(layout(), game().boardIndex, static_cast<int16_t>(Uniform(0, squares - 1)));
    return Click(Uniform(r.left - 6, r.right + 5), Uniform(r.top - 6, r.bottom + 5));
  }

  const char* Click(int32_t x, int32_t y) {
    const int16_t square = HitTest(layout(), game().boardIndex, x, y);
    if (square < -1 || square >= BoardSquares(game().boardIndex)) {
      hitFault_ = "HitTest gave " + std::to_string(square);
      return "click";
    }
    const bool takes = AcceptsPresses(game());
    host_.Click(x, y);
    if (!takes) return "click (ignored)";
    if (square != -1) ++coverage_.acceptedPresses;
    return "click";
  }

  // A typed character: a key of the board or any other byte, auto-repeated or not.
  const char* TypeCharacter() {
    const char* keys = BoardKeyMap(game().boardIndex);
    const char code = Uniform(0, 2) == 0
                          ? static_cast<char>(Uniform(0, 255))
                          : keys[Uniform(0, static_cast<int>(std::strlen(keys)) - 1)];
    const bool repeat = Uniform(0, 4) == 0;
    host_.TypedChar(code, repeat);
    if (!AcceptsPresses(before_)) return "character (ignored)";
    return repeat ? "repeated character" : "character";
  }

  // The press a player who watched would make: the next square of the sequence,
  // by a click on it or by its key. Rarely a wrong one.
  const char* CorrectPress() {
    int16_t square;
    if (game().state == GameState::FreePlay) {
      square = static_cast<int16_t>(Uniform(0, game().squareCount - 1));
    } else if (game().state == GameState::YourTurn) {
      square = NextCorrectSquare(game());
      if (Uniform(0, mood_ == Mood::Player ? 49999 : 9) == 0)
        square = static_cast<int16_t>((square + 1) % game().squareCount);
    } else {
      return "press (not your turn)";
    }
    const Rect r = SquareRect(layout(), game().boardIndex, square);
    if (Uniform(0, 1) == 0 && r.left < r.right && r.top < r.bottom) {
      const int32_t x = Uniform(r.left, r.right - 1), y = Uniform(r.top, r.bottom - 1);
      if (HitTest(layout(), game().boardIndex, x, y) != square)
        hitFault_ = "a pixel of a painted square does not hit it";
      Click(x, y);
      return "click on a square";
    }
    const char key = BoardKeyMap(game().boardIndex)[square];
    if (SquareForKey(game().boardIndex, key) != square)
      hitFault_ = "a square's key presses another";
    host_.TypedChar(key, false);
    return "key of a square";
  }

  const char* Toggle() {
    host_.Run(Command::Sound);
    toggleEvent_ = eventIndex_;
    (game().soundOn ? coverage_.togglesOn : coverage_.togglesOff) += 1;
    return "Sound";
  }

  // Every size from 0 x 0 to 10000 x 10000, minimised included; the whole board is
  // repainted after.
  const char* Resize() {
    int32_t w, h;
    const int kind = Uniform(0, 9);
    if (kind == 0) {
      w = h = 0;  // minimised
    } else if (kind <= 2) {
      w = Uniform(0, 40), h = Uniform(0, 40);
    } else if (kind == 3) {
      w = Uniform(9000, 10000), h = Uniform(9000, 10000);
    } else {
      w = Uniform(0, 10000), h = Uniform(0, 10000);
    }
    host_.Resize(canvas_, w, h);
    resized_ = true;
    repaints_.all = dirty_ = true;
    ++coverage_.resizes;
    coverage_.emptyResizes += (w == 0 && h == 0);
    coverage_.hugeResizes += (w >= 9000 && h >= 9000);
    if (layout().statusFontSize > coverage_.largestFont)
      coverage_.largestFont = layout().statusFontSize;
    return "resize";
  }

  const char* PaintEvent() {
    Paint();
    return "paint";
  }

  // On a tiny board several squares, or a square and the panel, may share a rectangle:
  // the request counts for each of them.
  void Repaint(const Rect& rect, PaintTime when) {
    if (when == PaintTime::Now) {
      ++repaints_.redraws;
      repaints_.badRect |= !(rect == ClientRect(layout()));
      return Paint();
    }
    dirty_ = true;
    if (rect == ClientRect(layout())) {
      repaints_.all = true;
      return;
    }
    bool known = false;
    if (rect == StatusPanelRect(layout())) {
      ++repaints_.panels;
      known = true;
    }
    const int16_t board = game().boardIndex;
    for (int16_t s = 0; s < BoardSquares(board); ++s) {
      if (rect == SquareRect(layout(), board, s)) {
        repaints_.squareMask |= 1u << s;
        known = true;
      }
    }
    if (repaints_.squareMask != 0) ++repaints_.squares;
    if (!known) repaints_.badRect = true;
  }

  // ---- the rules ------------------------------------------------------------------

  std::string Check(const char* what) {
    if (std::string r = RecordProblem(game()); !r.empty()) return r;
    if (!hitFault_.empty()) return hitFault_;
    if (std::string r = CheckSound(); !r.empty()) return r;
    if (std::string r = CheckRepaints(what); !r.empty()) return r;
    if (std::string r = CheckShell(what); !r.empty()) return r;
    if (painted_) {
      painted_ = false;
      if (std::string r = CheckPicture(); !r.empty()) return r;
    }
    if (resized_) {
      resized_ = false;
      if (std::string r = CheckLayout(); !r.empty()) return r;
    }
    if (!canvas_.fault.empty()) return "canvas: " + canvas_.fault;
    return "";
  }

  std::string CheckSound() const {
    const GameSession& g = game();
    const Recorder& b = shell_.log;
    if (!b.fault.empty()) return "sound: " + b.fault;
    if (!g.soundOn && b.playing != kSilence) return "a sound plays while sound is off";
    const std::string litNote =
        g.litSquare == -1 ? "" : NoteCall(SquareNote(g.boardIndex, g.litSquare));
    if (b.playing.find(" loop") != std::string::npos) {
      if (g.litSquare == -1) return "a note loops with no square lit";
      if (b.playing != litNote) return "the note is not the lit square's";
    }
    // A square lit since the last switch of the sound sounds its note.
    if (g.litSquare != -1 && g.soundOn && lightEvent_ > toggleEvent_ && b.playing != litNote)
      return "the lit square is silent";
    if (g.soundOn && g.state != before_.state) {
      const char* effect = g.state == GameState::Wrong        ? "buzz"
                           : g.state == GameState::SequenceOk ? "ding"
                           : g.state == GameState::YouWin     ? "win"
                                                              : nullptr;
      if (effect != nullptr && b.playing != EffectCall(effect))
        return std::string("entered a state without its effect \"") + effect + "\"";
    }
    return "";
  }

  // The engine asks for every repaint that its change needs, and for none on a tick
  // that changes nothing visible.
  std::string CheckRepaints(const char* what) {
    const GameSession &a = before_, &g = game();
    const Repaints& r = repaints_;
    if (r.badRect) return "a repaint of a rectangle that is no square and not the panel";
    const bool all = r.all || r.redraws > 0;
    auto squareRepainted = [&](int16_t s) { return all || (r.squareMask >> s) & 1u; };
    if (a.litSquare != g.litSquare) {
      if (a.litSquare != -1 && a.boardIndex == g.boardIndex && !squareRepainted(a.litSquare))
        return "the square that went dark was not repainted";
      if (g.litSquare != -1 && !squareRepainted(g.litSquare))
        return "the lit square was not repainted";
    }
    const bool panelChanged = a.state != g.state || a.sequenceLength != g.sequenceLength ||
                              a.targetLength != g.targetLength || a.boardIndex != g.boardIndex ||
                              a.skillIndex != g.skillIndex;
    if (panelChanged && !all && r.panels == 0) return "the status panel was not repainted";
    if ((a.state == GameState::YouWin) != (g.state == GameState::YouWin) && !all)
      return "the board was not redrawn as the game was won or left";
    if (std::strncmp(what, "tick", 4) == 0) {
      const bool visible = a.state != g.state || a.litSquare != g.litSquare || panelChanged;
      const int requests = r.squares + r.panels + r.redraws;
      if (!visible && requests != 0) return "a tick that changed nothing asked for a repaint";
      if ((a.state == GameState::Idle || a.state == GameState::Wrong ||
           a.state == GameState::YouWin) &&
          std::memcmp(&a, &g, sizeof a) != 0)
        return "a tick changed the record of a game that is not running";
      if (a.state == GameState::FreePlay && a.litSquare == -1 && std::memcmp(&a, &g, sizeof a) != 0)
        return "a tick of free play with nothing lit changed the record";
    }
    return "";
  }

  // The clock runs exactly while the game needs ticks; a tick at rest changes nothing;
  // a refused command does nothing at all; no dialog opens over another.
  std::string CheckShell(const char* what) const {
    if (shell_.ticking != GameNeedsTicks(game()))
      return "the clock runs while the game rests, or rests while it runs";
    if (!shell_.fault.empty()) return shell_.fault;
    if (std::strcmp(what, "tick at rest") == 0 &&
        std::memcmp(&before_, &game(), sizeof before_) != 0)
      return "a tick at rest changed the game";
    if (refused_ &&
        (std::memcmp(&before_, &game(), sizeof before_) != 0 || shell_.DialogsOpened() != 0))
      return "a refused command did something";
    return "";
  }

  std::string CheckPicture() const {
    const GameSession& g = game();
    const RecordingCanvas& p = canvas_;
    const int gridLines = BoardColumns(g.boardIndex) + 1 + BoardRows(g.boardIndex) + 1;
    const int lines = static_cast<int>(p.lines.size()), texts = static_cast<int>(p.texts.size());
    if (lines != gridLines) return "grid of " + std::to_string(lines) + " lines";
    if (g.state == GameState::Idle) {
      if (texts != 0) return "status text in Idle";
    } else {
      if (texts != 5) return std::to_string(texts) + " status lines";
      // The status word is the last centred line.
      const RecordingCanvas::Text* word = nullptr;
      for (const RecordingCanvas::Text& text : p.texts) {
        if (text.align == TextAlign::Centre) word = &text;
      }
      if (word == nullptr) return "no status word";
      if (word->text != StatusText(g.state) || word->colour != StatusColour(g.state))
        return "status word \"" + word->text + "\"";
    }
    int16_t expected = 0;
    if (g.state == GameState::YouWin)
      expected = g.squareCount;
    else if (g.litSquare != -1)
      expected = 1;
    const int fills = static_cast<int>(p.fills.size());
    if (fills != expected)
      return std::to_string(fills) + " squares filled, expected " + std::to_string(expected);
    for (int i = 0; i < fills; ++i) {
      bool known = false;
      for (int16_t s = 0; s < BoardSquares(g.boardIndex) && !known; ++s) {
        const bool allowed = g.state == GameState::YouWin || s == g.litSquare;
        known = allowed && p.fills[i].rect == SquareRect(layout(), g.boardIndex, s) &&
                p.fills[i].colour == SquareColour(g.boardIndex, s);
      }
      if (!known) return "a fill that is no square to be shown";
    }
    return "";
  }

  std::string CheckLayout() {
    const int16_t size = layout().statusFontSize;
    const int16_t expected = ExpectedFontSize(layout().clientWidth);
    if (size < 3 || size > expected || (canvasFailureRate_ == 0 && size != expected))
      return "status font size " + std::to_string(size) + " for width " +
             std::to_string(layout().clientWidth) + ", expected " + std::to_string(expected);
    // Every pixel of a painted square hits that square; no point hits beyond the board.
    const int16_t board = game().boardIndex, squares = BoardSquares(board);
    for (int k = 0; k < 4; ++k) {
      const auto s = static_cast<int16_t>(Uniform(0, squares - 1));
      const Rect r = SquareRect(layout(), board, s);
      if (r.left < r.right && r.top < r.bottom && r.right <= 65536 && r.bottom <= 65536) {
        const auto x = static_cast<uint16_t>(Uniform(r.left, r.right - 1));
        const auto y = static_cast<uint16_t>(Uniform(r.top, r.bottom - 1));
        if (HitTest(layout(), board, x, y) != s) return "a pixel of a square does not hit it";
      }
      // Any point: hit cells are W / C wide and (H - 1) / R tall from the origin;
      // the status panel, the strip before it and the rest beyond the cells hit nothing.
      const int32_t w = Uniform(0, 1) == 0 ? layout().clientWidth + 8 : 65535;
      const int32_t h = Uniform(0, 1) == 0 ? layout().clientHeight + 8 : 65535;
      const auto x = static_cast<uint16_t>(Uniform(0, std::min(w, 65535)));
      const auto y = static_cast<uint16_t>(Uniform(0, std::min(h, 65535)));
      const int64_t boardWidth = static_cast<int64_t>(layout().clientWidth) * 3 / 4;
      const int64_t cellW = boardWidth / BoardColumns(board);
      const int64_t cellH = (static_cast<int64_t>(layout().clientHeight) - 1) / BoardRows(board);
      int64_t expected = -1;
      if (x <= boardWidth && cellW > 0 && cellH > 0 && x / cellW < BoardColumns(board) &&
          y / cellH < BoardRows(board))
        expected = (y / cellH) * BoardColumns(board) + x / cellW;
      const int16_t hit = HitTest(layout(), board, x, y);
      if (hit != expected)
        return "HitTest(" + std::to_string(x) + ", " + std::to_string(y) + ") gave " +
               std::to_string(hit) + ", expected " + std::to_string(expected);
    }
    return "";
  }

  // ---- bookkeeping ----------------------------------------------------------------

  void Note(const char*) {
    ++coverage_.events;
    const GameSession &a = before_, &g = game();
    coverage_.statesSeen[static_cast<int>(g.state)] += 1;
    if (g.sequenceLength > coverage_.longestSequence && InGame(g.state))
      coverage_.longestSequence = g.sequenceLength;
    if (g.state != a.state) {
      if (g.state == GameState::YouWin) coverage_.winsAtSkill[g.skillIndex] += 1;
      if (g.state == GameState::Wrong) {
        if (a.state == GameState::YourTurn && a.tickCounter >= kThinkingTicks)
          ++coverage_.timeouts;
        else
          ++coverage_.wrongSquares;
      }
    }
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool CanvasFails() { return canvasFailureRate_ > 0 && chance_(canvasRng_) < canvasFailureRate_; }

  static std::string Describe(const GameSession& g) {
    std::ostringstream out;
    out << "{state " << static_cast<int>(g.state) << ", board " << g.boardIndex << ", skill "
        << g.skillIndex << ", length " << g.sequenceLength << "/" << g.targetLength << ", position "
        << g.playPosition << ", lit " << g.litSquare << ", ticks " << g.tickCounter << ", flash "
        << g.flashTicks << ", squares " << g.squareCount << ", sound " << g.soundOn << "}";
    return out.str();
  }

  uint32_t seed_;
  std::mt19937 rng_;
  GameSession before_;
  RecordingCanvas canvas_;
  int64_t measured_ = 0, unmeasured_ = 0;
  double canvasFailureRate_;
  std::mt19937 canvasRng_;
  std::uniform_real_distribution<double> chance_{0.0, 1.0};
  RecordingShell shell_;
  Repaints repaints_;
  bool dirty_ = false;  // something awaits a paint
  GameHost host_;
  Coverage& coverage_;
  Mood mood_ = Mood::Chaos;
  int64_t moodLeft_ = 0;
  int64_t eventIndex_ = 0;
  int64_t lightEvent_ = -1, toggleEvent_ = -1;
  bool playerStarted_ = false;
  bool painted_ = false, resized_ = false, refused_ = false;
  std::string hitFault_;
};

// More than a million events over four seeds, on a canvas that never fails.
TEST(Storm, AMillionShellEventsKeepEveryRule) {
  Coverage total;
  for (uint32_t seed : {11u, 2024u, 777777u, 31337u}) {
    Storm storm(seed, 0.0, total);
    ASSERT_TRUE(storm.Run(500000));
  }
  std::cout << "storm: " << total.events << " events, "
            << std::accumulate(std::begin(total.winsAtSkill), std::end(total.winsAtSkill),
                               int64_t{0})
            << " wins (" << total.winsAtSkill[kSkillCount - 1] << " at target 100), "
            << total.timeouts << " time-outs, " << total.wrongSquares << " wrong squares, "
            << total.resizes << " resizes, " << total.paints << " paints, longest sequence "
            << total.longestSequence << "\n";
  EXPECT_GE(total.events, 1000000);
  // The storm reached every corner it is meant to shake.
  for (int b = 0; b < kBoardCount; ++b) EXPECT_GT(total.newGamesOnBoard[b], 0) << "board " << b;
  for (int s = 0; s < kSkillCount; ++s) EXPECT_GT(total.newGamesAtSkill[s], 0) << "skill " << s;
  for (int s = 0; s < 7; ++s) EXPECT_GT(total.statesSeen[s], 0) << "state " << s;
  EXPECT_GT(total.winsAtSkill[0], 0);
  EXPECT_GT(total.winsAtSkill[kSkillCount - 1], 0) << "no game won at the longest target";
  EXPECT_EQ(total.longestSequence, 100);
  EXPECT_GT(total.timeouts, 0);
  EXPECT_GT(total.wrongSquares, 0);
  EXPECT_GT(total.emptyResizes, 0);
  EXPECT_GT(total.hugeResizes, 0);
  EXPECT_GT(total.largestFont, 300);
  EXPECT_GT(total.togglesOff, 0);
  EXPECT_GT(total.togglesOn, 0);
  EXPECT_GT(total.acceptedPresses, 0);
  EXPECT_GT(total.refusedCommands, 0);
  EXPECT_GT(total.dialogs, 0);
  EXPECT_GT(total.ticksAtRest, 0);
}

// Font measurement fails now and then: the font search must still end, at a size that
// fits, and every picture stay whole.
TEST(Storm, UnmeasurableFontsKeepEveryRule) {
  Coverage coverage;
  Storm storm(4242u, 0.02, coverage);
  ASSERT_TRUE(storm.Run(300000));
  EXPECT_GT(storm.unmeasured(), 100);
  EXPECT_GT(storm.measured(), 10000);
  EXPECT_GT(coverage.resizes, 1000);
}

}  // namespace

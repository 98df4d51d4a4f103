#include "sound/sound_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "engine/game.h"
#include "tests/support/recorder.h"

namespace {

bool IsSound(const std::string& event) { return event.rfind("play ", 0) == 0 || event == kSilence; }

}  // namespace

TEST(GatedSoundPlayer, LoopsEachNotesOwnSoundAndPlaysEffectsOnce) {
  GameSession game;
  Recorder log;
  GatedSoundPlayer player(game, log);
  Events expected;
  for (int16_t note = kLowestNote; note <= kHighestNote; ++note) {
    player.PlayNote(note);
    expected.push_back(NoteCall(note));
  }
  player.PlayNote(kLowestNote - 1);  // no board has it: no sound to play
  player.PlayEffect(SoundEffect::Buzz);
  player.PlayEffect(SoundEffect::Ding);
  player.PlayEffect(SoundEffect::Win);
  player.StopSound();
  expected.insert(expected.end(), {"play -1 loop", EffectCall("buzz"), EffectCall("ding"),
                                   EffectCall("win"), kSilence});
  EXPECT_EQ(log.Take(), expected);
}

TEST(GatedSoundPlayer, IsSilentWhileSoundIsOffAndFollowsTheLiveSwitch) {
  GameSession game;
  Recorder log;
  GatedSoundPlayer player(game, log);
  game.soundOn = false;
  player.PlayNote(60);
  player.PlayEffect(SoundEffect::Win);
  player.StopSound();
  EXPECT_EQ(log.Take(), Events{});
  game.soundOn = true;  // the player reads the record at each call
  player.PlayNote(60);
  EXPECT_EQ(log.Take(), Events{NoteCall(60)});
}

TEST(ToggleSound, FlipsTheSwitchAndSilencesOnlyWhenTurningOff) {
  GameSession game;
  Recorder log;
  ToggleSound(game, log);
  EXPECT_FALSE(game.soundOn);
  EXPECT_EQ(log.Take(), Events{kSilence});
  ToggleSound(game, log);
  EXPECT_TRUE(game.soundOn);
  EXPECT_EQ(log.Take(), Events{}) << "turning on resumes nothing";
  ToggleSound(game, log);
  ToggleSound(game, log);
  EXPECT_TRUE(game.soundOn);
  EXPECT_EQ(log.Take(), Events{kSilence});
}

TEST(ToggleSound, OffAndOnDuringANoteCutsItWithoutBringingItBack) {
  GameSession game;
  SeedRandom(game, 7);
  Recorder log;
  GatedSoundPlayer player(game, log);
  NewGame(game, log, player);
  OnTick(game, log, player);  // the first square lights with its note
  ASSERT_NE(game.litSquare, -1);
  const int16_t lit = game.litSquare;
  EXPECT_EQ(log.Take().back(), NoteCall(SquareNote(game.boardIndex, lit)));

  ToggleSound(game, log);
  EXPECT_EQ(log.Take(), Events{kSilence});
  ToggleSound(game, log);
  EXPECT_EQ(log.Take(), Events{});
  // The square stays lit for the rest of its flash, silently.
  for (int i = 1; i < game.flashTicks; ++i) {
    OnTick(game, log, player);
    EXPECT_EQ(game.litSquare, lit);
    EXPECT_EQ(log.Take(), Events{});
  }
  OnTick(game, log, player);  // the flash ends
  EXPECT_EQ(log.Take(), (Events{"square " + std::to_string(lit), kSilence}));
}

TEST(ShutdownSound, SilencesWhateverTheSwitchHolds) {
  Recorder log;
  GameSession game;
  game.soundOn = false;
  ShutdownSound(log);
  EXPECT_EQ(log.Take(), (Events{kSilence, "close sound"}));
  EXPECT_FALSE(game.soundOn);
  game.soundOn = true;
  ShutdownSound(log);
  EXPECT_EQ(log.Take(), (Events{kSilence, "close sound"}));
}

namespace {

struct Step {
  std::string what;
  GameSession after;
  Events events;
};

// A won game (some rounds letting every flash run out, some pressing during the
// flash), a wrong square, a timeout, free play and a game restarted during playback.
std::vector<Step> PlayScript(bool soundOn) {
  GameSession game;
  game.soundOn = soundOn;
  game.skillIndex = 0;  // target 6
  game.boardIndex = 2;  // six squares
  SeedRandom(game, 20240613);
  Recorder log;
  GatedSoundPlayer player(game, log);
  std::vector<Step> steps;
  auto record = [&](const std::string& what) { steps.push_back({what, game, log.Take()}); };
  auto tick = [&](int count) {
    for (int i = 0; i < count; ++i) {
      OnTick(game, log, player);
      record("tick");
    }
  };
  auto press = [&](int16_t square) {
    PressSquare(game, log, player, square);
    record("press " + std::to_string(square));
  };
  auto newGame = [&] {
    NewGame(game, log, player);
    record("new game");
  };
  auto untilYourTurn = [&] {
    for (int guard = 0; game.state != GameState::YourTurn && guard < 2000; ++guard) tick(1);
  };

  newGame();
  for (int round = 0; game.state != GameState::YouWin && round < 10; ++round) {
    untilYourTurn();
    PlayBackCorrectly(game, log, player, round % 2 == 0 ? Pace::WaitForFlashes : Pace::CutFlashes,
                      record);
    for (int guard = 0; game.state == GameState::SequenceOk && guard < 20; ++guard) tick(1);
  }
  tick(3);

  newGame();
  untilYourTurn();
  press(static_cast<int16_t>((game.sequence[0] + 1) % game.squareCount));  // wrong
  tick(3);

  newGame();
  untilYourTurn();
  tick(102);  // too slow

  StartFreePlay(game, log, player);
  record("free play");
  press(0);
  tick(3);
  press(3);
  tick(12);
  press(5);
  press(5);
  tick(11);

  newGame();
  tick(3);
  newGame();
  tick(2);
  return steps;
}

// Every field of the record but the sound switch.
auto Fields(const GameSession& g) {
  return std::make_tuple(g.boardIndex, g.skillIndex, g.state,
                         std::vector<int8_t>(g.sequence, g.sequence + kSequenceCapacity),
                         g.sequenceLength, g.targetLength, g.playPosition, g.litSquare,
                         g.tickCounter, g.flashTicks, g.squareCount, g.randomState);
}

int CountEntries(const std::vector<Step>& steps, GameState state) {
  int entries = 0;
  for (size_t i = 1; i < steps.size(); ++i)
    if (steps[i].after.state == state && steps[i - 1].after.state != state) ++entries;
  return entries;
}

}  // namespace

TEST(WholeGame, ScriptCoversEveryEnding) {
  const std::vector<Step> steps = PlayScript(true);
  EXPECT_EQ(CountEntries(steps, GameState::YouWin), 1);
  EXPECT_EQ(CountEntries(steps, GameState::Wrong), 2);
  EXPECT_EQ(CountEntries(steps, GameState::SequenceOk), 6);
  EXPECT_EQ(CountEntries(steps, GameState::FreePlay), 1);
}

TEST(WholeGame, WithSoundOffIsSilentAndFollowsTheSameTimeline) {
  const std::vector<Step> on = PlayScript(true);
  const std::vector<Step> off = PlayScript(false);
  ASSERT_EQ(on.size(), off.size());
  int soundCalls = 0;
  for (size_t i = 0; i < on.size(); ++i) {
    ASSERT_EQ(on[i].what, off[i].what) << "step " << i;
    EXPECT_EQ(Fields(on[i].after), Fields(off[i].after)) << "step " << i;
    EXPECT_FALSE(off[i].after.soundOn);
    for (const std::string& e : off[i].events)
      EXPECT_FALSE(IsSound(e)) << "step " << i << ": " << e;
    Events repaints;
    for (const std::string& e : on[i].events) {
      if (IsSound(e))
        ++soundCalls;
      else
        repaints.push_back(e);
    }
    EXPECT_EQ(off[i].events, repaints) << "step " << i << " (" << on[i].what << ")";
  }
  EXPECT_GT(soundCalls, 100) << "the sound-on run did make sound";
}

// With sound on, each call comes where the engine's steps place it: the note right
// after the lit square's repaint, the stop right after a dark square's repaint (or
// first in a new game or free play), each effect last, after the repaint that
// announces it.
TEST(WholeGame, SoundCallsComeInTheirPlaces) {
  const std::vector<Step> steps = PlayScript(true);
  int notes = 0, lightings = 0;
  for (size_t i = 1; i < steps.size(); ++i) {
    const GameSession& before = steps[i - 1].after;
    const GameSession& after = steps[i].after;
    const Events& e = steps[i].events;
    SCOPED_TRACE("step " + std::to_string(i) + " (" + steps[i].what + ")");

    if (steps[i].what == "new game" || steps[i].what == "free play") {
      ASSERT_GE(e.size(), 2u);
      EXPECT_EQ(e[0], kSilence);
      EXPECT_EQ(e[1], "redraw");
    }
    const bool pressed = steps[i].what.rfind("press", 0) == 0;
    if (after.litSquare != -1 && (before.litSquare == -1 || pressed)) {
      ++lightings;
      ASSERT_GE(e.size(), 2u);
      EXPECT_EQ(e[e.size() - 2], "square " + std::to_string(after.litSquare));
      EXPECT_EQ(e.back(), NoteCall(SquareNote(after.boardIndex, after.litSquare)));
    }
    if (before.litSquare != -1 && after.litSquare == -1 && steps[i].what != "new game" &&
        steps[i].what != "free play") {
      const auto dark = std::find(e.begin(), e.end(), "square " + std::to_string(before.litSquare));
      ASSERT_NE(dark, e.end());
      ASSERT_NE(dark + 1, e.end());
      EXPECT_EQ(*(dark + 1), kSilence) << "the flash ends with silence";
    }
    for (size_t j = 0; j < e.size(); ++j) {
      if (e[j].find(" loop") != std::string::npos) ++notes;
      if (e[j] == EffectCall("ding") || e[j] == EffectCall("buzz") || e[j] == EffectCall("win")) {
        EXPECT_EQ(j, e.size() - 1) << "an effect is the last step";
        ASSERT_GE(j, 1u);
        const bool win = e[j] == EffectCall("win");
        EXPECT_EQ(e[j - 1], win ? "redraw" : "panel");
        const GameState entered = e[j] == EffectCall("ding")   ? GameState::SequenceOk
                                  : e[j] == EffectCall("buzz") ? GameState::Wrong
                                                               : GameState::YouWin;
        EXPECT_EQ(after.state, entered);
        EXPECT_NE(before.state, entered);
      }
      if (e[j] == kSilence && j > 0) {
        // A stop that is not first in a new game or free play ends a flash.
        EXPECT_EQ(e[j - 1].rfind("square ", 0), 0u) << "stray stop";
      }
    }
    if (e == Events{kSilence}) {
      EXPECT_EQ(after.state, GameState::FreePlay) << "a lone stop only on an idle free-play tick";
      EXPECT_EQ(before.litSquare, -1);
    }
  }
  EXPECT_EQ(notes, lightings) << "one note per lit square, no more";
  auto count = [&](const std::string& call) {
    int n = 0;
    for (const Step& s : steps)
      n += static_cast<int>(std::count(s.events.begin(), s.events.end(), call));
    return n;
  };
  EXPECT_EQ(count(EffectCall("ding")), CountEntries(steps, GameState::SequenceOk));
  EXPECT_EQ(count(EffectCall("buzz")), CountEntries(steps, GameState::Wrong));
  EXPECT_EQ(count(EffectCall("win")), CountEntries(steps, GameState::YouWin));
}

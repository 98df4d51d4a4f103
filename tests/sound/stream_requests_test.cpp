#include "streaming/stream_requests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "sound/sound_library.h"
#include "sound/sound_player.h"
#include "soundgen/sound_set.h"
#include "streaming/request_slot.h"
#include "streaming/stream_feeder.h"
#include "tests/sound/wave_image.h"
#include "tests/support/wave_source.h"

using namespace wave_image;

namespace {

class CountingWaker final : public Waker {
 public:
  int wakes = 0;
  void Wake() override { ++wakes; }
};

// The whole service without a device: requests on one side, filled buffers on the other.
struct Service {
  CountingWaveSource source{CommittedImages()};
  SoundLibrary library{source};
  RequestSlot slot;
  CountingWaker waker;
  StreamRequests requests{library, slot, waker};
  StreamFeeder feeder{library, slot};

  void Note(int16_t note) { requests.Play(NoteSound(note), true); }
  void Effect(SoundEffect effect) { requests.Play(EffectSound(effect), false); }
  void Stop() { requests.Stop(); }

  std::vector<int16_t> Fill(size_t count) {
    std::vector<int16_t> out(count);
    feeder.Fill(out.data(), count);
    return out;
  }
};

}  // namespace

TEST(SoundLibrary, ReadsEachSoundOnItsFirstRequestAndKeepsIt) {
  CountingWaveSource source{CommittedImages()};
  SoundLibrary library(source);
  EXPECT_TRUE(source.finds.empty()) << "nothing is read before it is asked for";
  const SoundId a53 = NoteSound(53), win = EffectSound(SoundEffect::Win);
  ASSERT_TRUE(library.Load(a53));
  ASSERT_TRUE(library.Load(a53));
  EXPECT_EQ(source.finds, (std::map<SoundId, int>{{a53, 1}})) << "read once, then kept";
  EXPECT_EQ(library.Samples(a53), NoteSamples(53));

  ASSERT_TRUE(library.Load(win));
  EXPECT_EQ(library.Samples(win).size(), kWinSamples);
  EXPECT_EQ(library.Samples(a53), NoteSamples(53)) << "an earlier sound is left as it was";
}

TEST(SoundLibrary, MissingAndMalformedSoundsAreNotPlayableAndNotReadAgain) {
  CountingWaveSource source{CommittedImages()};
  source.images[NoteSound(60)].pop_back();  // the data chunk now runs past the end
  source.images.pop_back();                 // no "win"
  SoundLibrary library(source);
  for (SoundId sound : {NoteSound(60), EffectSound(SoundEffect::Win)}) {
    EXPECT_FALSE(library.Load(sound));
    EXPECT_FALSE(library.Load(sound));
    EXPECT_EQ(source.finds[sound], 1);
  }
  EXPECT_TRUE(library.Load(NoteSound(61)));
}

TEST(RequestSlot, EveryRequestButARepeatedStopIsANewGeneration) {
  RequestSlot slot;
  uint32_t seen = 0;
  SoundRequest taken;
  EXPECT_FALSE(slot.Take(seen, taken)) << "nothing before the first request";
  EXPECT_FALSE(slot.Post({SoundRequest::Stop, 0})) << "already silent";
  EXPECT_EQ(slot.Generation(), 0u);

  EXPECT_TRUE(slot.Post({SoundRequest::Loop, 7}));
  EXPECT_TRUE(slot.Post({SoundRequest::Loop, 7})) << "the same note again restarts it";
  EXPECT_EQ(slot.Generation(), 2u);
  ASSERT_TRUE(slot.Take(seen, taken));
  EXPECT_EQ(taken.kind, SoundRequest::Loop);
  EXPECT_EQ(taken.sound, 7u);
  EXPECT_FALSE(slot.Take(seen, taken)) << "taken once";

  EXPECT_TRUE(slot.Post({SoundRequest::Stop, 0}));
  EXPECT_FALSE(slot.Post({SoundRequest::Stop, 0}));
  EXPECT_TRUE(slot.Post({SoundRequest::Once, SoundRequest::kMaxSound}));
  ASSERT_TRUE(slot.Take(seen, taken));
  EXPECT_EQ(taken.kind, SoundRequest::Once) << "only the latest is seen";
  EXPECT_EQ(taken.sound, SoundRequest::kMaxSound);
  EXPECT_EQ(seen, 4u);
}

TEST(RequestSlot, GenerationsWrapWithoutLosingARequest) {
  RequestSlot slot;
  uint32_t seen = 0;
  SoundRequest taken;
  for (uint32_t i = 0; i < (1u << 20) + 5; ++i) {
    ASSERT_TRUE(slot.Post({SoundRequest::Loop, i % 1000}));
    ASSERT_TRUE(slot.Take(seen, taken)) << i;
    ASSERT_EQ(taken.sound, i % 1000) << i;
  }
}

TEST(StreamService, PlaysTheNoteAndLoopsItUntilStopped) {
  Service s;
  s.Note(57);
  EXPECT_EQ(s.waker.wakes, 1);
  EXPECT_FALSE(s.feeder.Playing()) << "the sound thread has not looked yet";
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_EQ(s.Fill(1000), Repeated(NoteSamples(57), 1000));
  EXPECT_FALSE(s.feeder.Update()) << "no new request: the note goes on";
  EXPECT_EQ(s.Fill(1000), Repeated(NoteSamples(57), 1000, 1000));
  s.Stop();
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_FALSE(s.feeder.Playing());
  EXPECT_EQ(s.Fill(100), std::vector<int16_t>(100, 0));
}

TEST(StreamService, AnEffectPlaysOnceAndANewSoundReplacesTheOld) {
  Service s;
  s.Note(53);
  s.feeder.Update();
  s.Fill(300);
  s.Effect(SoundEffect::Ding);
  ASSERT_TRUE(s.feeder.Update());
  const std::vector<int16_t> ding = SamplesOf(EffectSound(SoundEffect::Ding));
  std::vector<int16_t> expected = ding;
  expected.resize(ding.size() + 500, 0);
  EXPECT_EQ(s.Fill(expected.size()), expected) << "the note gives way at once; the effect ends";
  EXPECT_FALSE(s.feeder.Playing());

  s.Note(72);
  s.feeder.Update();
  s.Fill(10);
  s.Note(60);  // a different note without a stop in between
  s.feeder.Update();
  EXPECT_EQ(s.Fill(200), Repeated(NoteSamples(60), 200));
}

TEST(StreamService, StopThenPlayOnTheSameTickEndsWithTheNewSound) {
  Service s;
  s.Note(60);
  s.feeder.Update();
  s.Fill(500);
  // Both requests come before the sound thread looks again.
  s.Stop();
  s.Note(65);
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_TRUE(s.feeder.Playing());
  EXPECT_EQ(s.Fill(300), Repeated(NoteSamples(65), 300));
  // And a play then a stop before it looks: silence.
  s.Note(53);
  s.Stop();
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_FALSE(s.feeder.Playing());
}

TEST(StreamService, TheSameNoteAgainRestartsFromItsFirstSample) {
  Service s;
  const std::vector<int16_t> a61 = NoteSamples(61);
  s.Note(61);
  s.feeder.Update();
  s.Fill(37);  // part way into the period
  s.Note(61);
  ASSERT_TRUE(s.feeder.Update()) << "a repeated request is still a request";
  EXPECT_EQ(s.Fill(a61.size()), a61);
}

TEST(StreamService, StopWithNothingPlayingCostsNoWakeUp) {
  Service s;
  for (int i = 0; i < 20; ++i) s.Stop();  // a second of idle free play
  EXPECT_EQ(s.waker.wakes, 0);
  EXPECT_FALSE(s.feeder.Update());

  // After an effect has ended by itself, the first stop is passed on (the output
  // may still hold its tail), the following ones are not.
  s.Effect(SoundEffect::Ding);
  s.feeder.Update();
  s.Fill(2000);
  EXPECT_FALSE(s.feeder.Playing());
  const int before = s.waker.wakes;
  for (int i = 0; i < 20; ++i) s.Stop();
  EXPECT_EQ(s.waker.wakes, before + 1);
  EXPECT_TRUE(s.feeder.Update());
  EXPECT_FALSE(s.feeder.Update());
}

TEST(StreamService, WhatCannotBePlayedSilencesAndSubstitutesNothing) {
  Service s;
  s.source.images[NoteSound(60)].resize(10);  // not a WAVE image
  for (SoundId sound : {kNoSound, kSoundCount, NoteSound(60)}) {
    s.Note(53);
    s.feeder.Update();
    ASSERT_TRUE(s.feeder.Playing());
    const int wakes = s.waker.wakes;
    s.requests.Play(sound, true);
    EXPECT_EQ(s.waker.wakes, wakes + 1) << sound;
    s.feeder.Update();
    EXPECT_FALSE(s.feeder.Playing()) << sound;
  }
}

TEST(StreamService, TheGatedPlayerDrivesIt) {
  Service s;
  GameSession game;
  GatedSoundPlayer player(game, s.requests);
  player.PlayNote(69);
  s.feeder.Update();
  EXPECT_EQ(s.Fill(120), Repeated(NoteSamples(69), 120));
  player.PlayEffect(SoundEffect::Buzz);
  s.feeder.Update();
  const std::vector<int16_t> buzz = SamplesOf(EffectSound(SoundEffect::Buzz));
  EXPECT_EQ(s.Fill(50), std::vector<int16_t>(buzz.begin(), buzz.begin() + 50));
  ToggleSound(game, s.requests);  // off: silence at once
  s.feeder.Update();
  EXPECT_FALSE(s.feeder.Playing());
  player.PlayNote(60);
  EXPECT_FALSE(s.feeder.Update()) << "nothing is asked while the sound is off";
  ToggleSound(game, s.requests);
  player.PlayNote(60);
  s.feeder.Update();
  EXPECT_TRUE(s.feeder.Playing());
  ShutdownSound(s.requests);
  s.feeder.Update();
  EXPECT_FALSE(s.feeder.Playing());
}

TEST(StreamServiceThreads, TheSoundThreadSettlesOnTheLatestRequest) {
  // One thread makes bursts of requests as the user-interface thread does, while the
  // sound thread takes them and fills buffers all along. After each burst the sound
  // thread is paused and must be playing the burst's last request, from the start of
  // a note's period or part way through it, whatever it missed in between.
  Service s;
  const int16_t notes[] = {53, 60, 72, 0};  // 0 asks for a stop

  std::atomic<int> pause{0};   // burst number the consumer is asked to pause after
  std::atomic<int> paused{0};  // burst number it has paused after
  std::atomic<bool> done{false};
  std::vector<int16_t> snapshot(220);
  bool snapshotPlaying = false;
  std::thread consumer([&] {
    std::vector<int16_t> buffer(220);
    int handled = 0;
    while (!done.load()) {
      const int wanted = pause.load();
      s.feeder.Update();
      s.feeder.Fill(buffer.data(), buffer.size());
      if (wanted > handled) {
        // The requests of burst `wanted` came before `pause` was set: this Update saw them.
        snapshot = buffer;
        snapshotPlaying = s.feeder.Playing();
        handled = wanted;
        paused.store(wanted);
        while (pause.load() == wanted && !done.load()) std::this_thread::yield();
      }
    }
  });
  uint32_t state = 99;
  int restarts = 0;
  for (int burst = 1; burst <= 300; ++burst) {
    state = state * 1103515245 + 12345;
    const int length = 1 + static_cast<int>((state >> 16) % 6);
    int16_t last = 0;
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245 + 12345;
      last = notes[(state >> 16) % 4];
      if (last != 0) {
        s.Note(last);
      } else {
        s.Stop();
      }
    }
    pause.store(burst);
    while (paused.load() != burst) std::this_thread::yield();
    if (last == 0) {
      EXPECT_FALSE(snapshotPlaying) << "burst " << burst;
    } else {
      EXPECT_TRUE(snapshotPlaying) << "burst " << burst;
      const std::vector<int16_t> period = NoteSamples(last);
      bool slice = false;
      for (size_t from = 0; from < period.size() && !slice; ++from) {
        slice = snapshot == Repeated(period, snapshot.size(), from);
        if (slice && from == 0) ++restarts;
      }
      EXPECT_TRUE(slice) << "burst " << burst << " should be playing " << last;
    }
  }
  done.store(true);
  pause.store(-1);
  consumer.join();
  EXPECT_GT(restarts, 0);
}

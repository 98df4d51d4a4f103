#include "sound/stream_requests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "sound/request_slot.h"
#include "sound/sound_library.h"
#include "sound/sound_player.h"
#include "sound/stream_feeder.h"
#include "sound/wave_reader.h"
#include "soundgen/sound_set.h"
#include "tests/sound/wave_image.h"
#include "tests/support/recorder.h"

using namespace wave_image;

namespace {

// The program's WAVE resources as the Win32 side finds them: by name, ignoring case.
class FileSource final : public WaveSource {
 public:
  std::map<std::string, std::vector<uint8_t>> images;
  std::map<std::string, int> finds;  // per upper-case name

  FileSource() {
    for (const SoundFile& file : CommittedSounds()) images[file.name] = file.bytes;
  }
  bool Find(const char* name, const uint8_t*& bytes, size_t& size) override {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ++finds[key];
    auto found = images.find(key);
    if (found == images.end()) return false;
    bytes = found->second.data();
    size = found->second.size();
    return true;
  }
};

class CountingWaker final : public Waker {
 public:
  int wakes = 0;
  void Wake() override { ++wakes; }
};

std::vector<int16_t> SamplesOf(const std::string& name) {
  for (const SoundFile& file : CommittedSounds()) {
    if (file.name == name) return ReadWaveImage(file.bytes.data(), file.bytes.size()).samples;
  }
  return {};
}

// The whole service without a device: requests on one side, filled buffers on the other.
struct Service {
  FileSource source;
  SoundLibrary library{source};
  RequestSlot slot;
  CountingWaker waker;
  StreamRequests requests{library, slot, waker};
  StreamFeeder feeder{library, slot};

  void Note(const char* name) { requests.Play(name, true, kNoteFlags); }
  void Effect(const char* name) { requests.Play(name, true, kEffectFlags); }
  void Stop() { requests.Play(nullptr, false, kPurgeFlags); }

  std::vector<int16_t> Fill(size_t count) {
    std::vector<int16_t> out(count);
    feeder.Fill(out.data(), count);
    return out;
  }
};

std::vector<int16_t> Repeated(const std::vector<int16_t>& period, size_t length, size_t from = 0) {
  std::vector<int16_t> out(length);
  for (size_t i = 0; i < length; ++i) out[i] = period[(from + i) % period.size()];
  return out;
}

}  // namespace

TEST(SoundLibrary, FindsSoundsWithoutRegardToCaseAndReadsEachOnce) {
  FileSource source;
  SoundLibrary library(source);
  const int a53 = library.Lookup("a53");
  ASSERT_GE(a53, 0);
  EXPECT_EQ(library.Lookup("A53"), a53);
  EXPECT_EQ(library.Lookup("A53"), a53);
  EXPECT_EQ(source.finds["A53"], 1) << "read once, then kept";
  EXPECT_EQ(library.Samples(a53), SamplesOf("A53"));

  const int win = library.Lookup("Win");
  ASSERT_GE(win, 0);
  EXPECT_NE(win, a53);
  EXPECT_EQ(library.Lookup("WIN"), win);
  EXPECT_EQ(library.Lookup("win"), win);
  EXPECT_EQ(library.Samples(win).size(), kWinSamples);
  EXPECT_EQ(library.Samples(a53), SamplesOf("A53")) << "an earlier sound is left as it was";
}

TEST(SoundLibrary, UnknownAndMalformedSoundsAreNotPlayableAndNotReadAgain) {
  FileSource source;
  std::vector<uint8_t> broken = source.images["A60"];
  broken.resize(broken.size() - 1);  // the data chunk now runs past the end
  source.images["BROKEN"] = broken;
  SoundLibrary library(source);
  EXPECT_EQ(library.Lookup("a99"), -1);
  EXPECT_EQ(library.Lookup("A99"), -1);
  EXPECT_EQ(source.finds["A99"], 1);
  EXPECT_EQ(library.Lookup("broken"), -1);
  EXPECT_EQ(library.Lookup(nullptr), -1);
  EXPECT_EQ(library.Lookup("a60"), 2) << "failures take a place; the next sound follows them";
}

TEST(SoundLibrary, AFullTableRefusesNewNamesButKeepsTheOldOnes) {
  FileSource source;
  SoundLibrary library(source);
  const int first = library.Lookup("a53");
  for (int i = 1; i < SoundLibrary::kCapacity; ++i) {
    EXPECT_EQ(library.Lookup(("missing" + std::to_string(i)).c_str()), -1);
  }
  EXPECT_EQ(library.Size(), SoundLibrary::kCapacity);
  EXPECT_EQ(library.Lookup("a72"), -1);
  EXPECT_EQ(library.Size(), SoundLibrary::kCapacity);
  EXPECT_EQ(library.Lookup("A53"), first);
  EXPECT_EQ(library.Samples(first), SamplesOf("A53"));
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
  s.Note("a57");
  EXPECT_EQ(s.waker.wakes, 1);
  EXPECT_FALSE(s.feeder.Playing()) << "the sound thread has not looked yet";
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_EQ(s.Fill(1000), Repeated(SamplesOf("A57"), 1000));
  EXPECT_FALSE(s.feeder.Update()) << "no new request: the note goes on";
  EXPECT_EQ(s.Fill(1000), Repeated(SamplesOf("A57"), 1000, 1000));
  s.Stop();
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_FALSE(s.feeder.Playing());
  EXPECT_EQ(s.Fill(100), std::vector<int16_t>(100, 0));
}

TEST(StreamService, AnEffectPlaysOnceAndANewSoundReplacesTheOld) {
  Service s;
  s.Note("a53");
  s.feeder.Update();
  s.Fill(300);
  s.Effect("ding");
  ASSERT_TRUE(s.feeder.Update());
  const std::vector<int16_t> ding = SamplesOf("DING");
  std::vector<int16_t> expected = ding;
  expected.resize(ding.size() + 500, 0);
  EXPECT_EQ(s.Fill(expected.size()), expected) << "the note gives way at once; the effect ends";
  EXPECT_FALSE(s.feeder.Playing());

  s.Note("A72");
  s.feeder.Update();
  s.Fill(10);
  s.Note("a60");  // a different note without a stop in between
  s.feeder.Update();
  EXPECT_EQ(s.Fill(200), Repeated(SamplesOf("A60"), 200));
}

TEST(StreamService, StopThenPlayOnTheSameTickEndsWithTheNewSound) {
  Service s;
  s.Note("a60");
  s.feeder.Update();
  s.Fill(500);
  // Both requests come before the sound thread looks again.
  s.Stop();
  s.Note("a65");
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_TRUE(s.feeder.Playing());
  EXPECT_EQ(s.Fill(300), Repeated(SamplesOf("A65"), 300));
  // And a play then a stop before it looks: silence.
  s.Note("a53");
  s.Stop();
  ASSERT_TRUE(s.feeder.Update());
  EXPECT_FALSE(s.feeder.Playing());
}

TEST(StreamService, TheSameNoteAgainRestartsFromItsFirstSample) {
  Service s;
  const std::vector<int16_t> a61 = SamplesOf("A61");
  s.Note("a61");
  s.feeder.Update();
  s.Fill(37);  // part way into the period
  s.Note("a61");
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
  s.Effect("ding");
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
  const auto playing = [&s](const char* what) {
    s.Note("a53");
    s.feeder.Update();
    EXPECT_TRUE(s.feeder.Playing()) << what;
    return s.waker.wakes;
  };
  int wakes = playing("unknown name");
  s.Note("a99");
  EXPECT_EQ(s.waker.wakes, wakes + 1);
  s.feeder.Update();
  EXPECT_FALSE(s.feeder.Playing());

  playing("not from the module");
  s.requests.Play("a53", false, kNoteFlags);
  s.feeder.Update();
  EXPECT_FALSE(s.feeder.Playing());

  playing("not a resource request");
  s.requests.Play("a53", true, 0x9);  // SND_ASYNC | SND_LOOP: a file or alias name
  s.feeder.Update();
  EXPECT_FALSE(s.feeder.Playing());
}

TEST(StreamService, TheGatedPlayerDrivesItThroughTheThreePatterns) {
  Service s;
  GameSession game;
  GatedSoundPlayer player(game, s.requests);
  player.PlayNote(69);
  s.feeder.Update();
  EXPECT_EQ(s.Fill(120), Repeated(SamplesOf("A69"), 120));
  player.PlayEffect(SoundEffect::Buzz);
  s.feeder.Update();
  const std::vector<int16_t> buzz = SamplesOf("BUZZ");
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
  const char* names[] = {"a53", "a60", "a72", nullptr};
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
    const char* last = nullptr;
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245 + 12345;
      last = names[(state >> 16) % 4];
      if (last) {
        s.Note(last);
      } else {
        s.Stop();
      }
    }
    pause.store(burst);
    while (paused.load() != burst) std::this_thread::yield();
    if (last == nullptr) {
      EXPECT_FALSE(snapshotPlaying) << "burst " << burst;
    } else {
      EXPECT_TRUE(snapshotPlaying) << "burst " << burst;
      std::string upper(last);
      upper[0] = 'A';
      const std::vector<int16_t> period = SamplesOf(upper);
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

TEST(ShutdownSoundCloses, SilencesFirstThenClosesTheBackendOnce) {
  Recorder recorder;
  ShutdownSound(recorder);
  EXPECT_EQ(recorder.events, (Events{kPurgeCall, "close sound"}));
}

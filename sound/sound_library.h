// The sounds the streaming service has read from the program, by id, each read once on
// its first request and kept for the life of the program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/sounds.h"

// Where the sound images come from: the program's WAVE resources on Windows, the files
// built into the Linux game.
class WaveSource {
 public:
  // The whole WAVE image of `sound` (an id of the table), or false if there is none.
  // The bytes must stay valid for the call; they are copied.
  virtual bool Find(SoundId sound, const uint8_t*& bytes, size_t& size) = 0;

 protected:
  ~WaveSource() = default;
};

class SoundLibrary {
 public:
  explicit SoundLibrary(WaveSource& source) : source_(source) {}

  // Whether `sound` can be played: false for an id outside the table, a sound the source
  // has not got, a malformed image or a format the output cannot play. Called on the
  // user-interface thread only; the first request of a sound reads it, later ones find
  // what that read gave.
  bool Load(SoundId sound);

  // The samples of a sound that Load accepted. Safe on another thread once the id has
  // been handed over with release/acquire ordering: a sound is never changed after it
  // is read.
  const std::vector<int16_t>& Samples(SoundId sound) const { return entries_[sound].samples; }

 private:
  enum class State : uint8_t { Unread, Playable, Unplayable };
  struct Entry {
    State state = State::Unread;
    std::vector<int16_t> samples;
  };

  WaveSource& source_;
  std::array<Entry, kSoundCount> entries_;
};

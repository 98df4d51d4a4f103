// The sounds the streaming service has read from the program, found by name without
// regard to case, each read once on its first request and kept for the life of the
// program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Where the sound images come from: the program's WAVE resources on Windows.
class WaveSource {
 public:
  // The whole image of the WAVE sound `name` (case ignored), or false if there is
  // none. The bytes must stay valid for the call; they are copied.
  virtual bool Find(const char* name, const uint8_t*& bytes, size_t& size) = 0;

 protected:
  ~WaveSource() = default;
};

class SoundLibrary {
 public:
  static constexpr int kCapacity = 64;  // distinct names remembered, playable or not
  // Longest name kept, in characters. The game's names have at most four; a longer
  // one plays nothing and takes no place.
  static constexpr int kLongestName = 31;

  explicit SoundLibrary(WaveSource& source) : source_(source) {}

  // Index of the playable sound of this name, or -1 when there is none (no such
  // sound, a malformed image or a format the output cannot play). Called on the
  // user-interface thread only; the first request of a name reads it, later ones
  // (in any case) find it in the table.
  int Lookup(const char* name);

  // The samples of a sound that Lookup returned. Safe on another thread once the
  // index has been handed over with release/acquire ordering: entries are never
  // changed or moved after they are filled.
  const std::vector<int16_t>& Samples(int index) const { return entries_[index].samples; }

  int Size() const { return count_; }

 private:
  struct Entry {
    char key[kLongestName + 1] = {};  // upper-case name
    bool playable = false;
    std::vector<int16_t> samples;
  };

  WaveSource& source_;
  std::array<Entry, kCapacity> entries_;
  int count_ = 0;
};

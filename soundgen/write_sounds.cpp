// Writes the game's 23 sound files into a folder (normally resources/sounds/):
//   write_sounds resources/sounds
// The files are committed; the sound set's tests (tests/soundgen/) check that they
// still match the generators.
#include <cstdio>
#include <string>

#include "soundgen/sound_set.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  for (const NamedSound& sound : MakeSoundSet()) {
    const std::string path = std::string(argv[1]) + "/" + sound.fileName;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    const size_t written = std::fwrite(sound.bytes.data(), 1, sound.bytes.size(), file);
    const bool closed = std::fclose(file) == 0;
    if (written != sound.bytes.size() || !closed) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%-10s %6zu bytes\n", sound.fileName.c_str(), sound.bytes.size());
  }
  return 0;
}

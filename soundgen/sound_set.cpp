#include "soundgen/sound_set.h"

#include <string>

std::vector<NamedSound> MakeSoundSet() {
  std::vector<NamedSound> set;
  for (const NoteShape& shape : kNoteShapes) {
    set.push_back({"a" + std::to_string(shape.note) + ".wav", MakeNoteSound(shape.note)});
  }
  set.push_back({"buzz.wav", MakeBuzzSound()});
  set.push_back({"ding.wav", MakeDingSound()});
  set.push_back({"win.wav", MakeWinSound()});
  return set;
}

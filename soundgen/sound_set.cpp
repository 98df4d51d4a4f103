#include "soundgen/sound_set.h"

#include <cstdio>

std::vector<NamedSound> MakeSoundSet() {
  std::vector<NamedSound> set;
  for (const NoteShape& shape : kNoteShapes) {
    char name[8];
    std::snprintf(name, sizeof name, "%d", shape.note);
    set.push_back(
        {std::string("A") + name, std::string("a") + name + ".wav", MakeNoteSound(shape.note)});
  }
  set.push_back({"BUZZ", "buzz.wav", MakeBuzzSound()});
  set.push_back({"DING", "ding.wav", MakeDingSound()});
  set.push_back({"WIN", "win.wav", MakeWinSound()});
  return set;
}

// The Linux game's sound output (no Qt): the game's sounds played through one
// PulseAudio playback stream that a thread of its own feeds. Stops and new sounds fade
// what played out over a few milliseconds in the stream itself, so no note breaks off
// with a click. Without a sound server, or when it goes away,
// the game plays on silently (one line on standard error says why).
#pragma once

#include <memory>

#include "sound/sound_library.h"
#include "sound/sound_player.h"

class PulseSoundOutput final : public SoundOutput {
 public:
  // `sounds` (EmbeddedSounds in the game) is read on the caller's thread only, on a
  // sound's first request, and must outlive the output. The sound thread starts with
  // the first request.
  explicit PulseSoundOutput(WaveSource& sounds);
  ~PulseSoundOutput();  // closes, if Close has not
  PulseSoundOutput(const PulseSoundOutput&) = delete;
  PulseSoundOutput& operator=(const PulseSoundOutput&) = delete;

  // Return at once: the request is handed to the sound thread and never waited on.
  void Play(SoundId sound, bool loop) override;
  void Stop() override;
  // Silences (with the fade), ends the sound thread and disconnects from the server;
  // waits at most 1 s. Nothing plays afterwards.
  void Close() override;

 private:
  class Service;
  std::unique_ptr<Service> service_;  // null after a Close that had to leave it behind
};

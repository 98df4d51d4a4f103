// The sound output the program uses where PlaySoundA cannot keep a note steady (under
// wine, whose PlaySoundA leaves a gap after every repetition of a short looped sound
// and starts late). It plays the same WAVE resources through one shared-mode audio
// client stream fed by a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>

#include "sound/sound_library.h"
#include "sound/sound_player.h"
#include "streaming/request_slot.h"
#include "streaming/stream_requests.h"

class AudioStreamOutput final : public SoundOutput, private WaveSource, private Waker {
 public:
  // The sound thread starts with the first request; the caller never waits for it.
  explicit AudioStreamOutput(HMODULE module);
  ~AudioStreamOutput();
  AudioStreamOutput(const AudioStreamOutput&) = delete;
  AudioStreamOutput& operator=(const AudioStreamOutput&) = delete;

  // Return at once: the request is handed to the sound thread, never waited on.
  void Play(SoundId sound, bool loop) override;
  void Stop() override;
  // Ends the sound thread, which silences and closes the output (waits at most 1 s).
  void Close() override;

 private:
  bool Find(SoundId sound, const uint8_t*& bytes, size_t& size) override;
  void StartThread();
  void Wake() override;
  static DWORD WINAPI ThreadMain(LPVOID self);
  void Run();

  HMODULE module_;
  SoundLibrary library_;
  RequestSlot slot_;
  StreamRequests requests_;
  HANDLE wake_ = nullptr;    // auto-reset: a new request, or the end
  HANDLE thread_ = nullptr;  // started by the first request
  bool closed_ = false;      // after Close nothing starts it again
  std::atomic<bool> quit_{false};
};

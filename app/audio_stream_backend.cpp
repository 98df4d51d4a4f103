#include "app/audio_stream_backend.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include "sound/sound_rate.h"
#include "sound/stream_feeder.h"

// How the output behaves under wine (measured with its PulseAudio driver):
// - Stopping the stream and dropping what it holds (Stop, Reset) silences within a
//   few ms, and a stream started again plays its first data within a few ms. So a new
//   sound drops what is buffered and starts afresh, at once.
// - But the drop cuts the sound wherever its wave stands, up to a quarter of full
//   scale down to nothing: a click. What is written after it is heard only after a few
//   ms of silence, so no fade can follow it. So a stop, while little is written ahead,
//   lets the stream play that out and then a fade of the sound (4 ms) in the same
//   stream, without a break; the stream is stopped once it has played everything. The
//   stop is heard about 25 ms after the request (a drop: 4 ms). A stop while more is
//   written (in the first 200 ms of a sound, see below) still drops it.
// - A stream started again plays the data it holds at the start and then takes up to
//   about 50 ms before it asks for more; started with too little, it falls silent in
//   between. So a start is primed with more than that (80 ms), which costs no delay:
//   it plays from its first sample at once.
// - While a sound plays, the thread keeps 20 ms written ahead, topped up every 5 ms,
//   which rides out a late wake-up of this thread; with 15 ms the stream fell silent
//   now and then. In the first 200 ms after a start, when the stream takes what it is
//   given irregularly, it keeps 40 ms ahead: with 20 ms it fell silent for about 15 ms
//   now and then, some 100 ms into a sound.
// - A stream costs processor time even when silent, so it is closed after 4 s without
//   sound and opened again by the next one (which then starts within about 20 ms).
// - waveOut, which wine builds on the same stream with a larger buffer of its own, was
//   measured too: restarted, it falls silent for about 25 ms shortly after most
//   starts, and fed without restarts it is heard only after 35 to 45 ms.

namespace {

constexpr DWORD kBufferMs = 100;           // the stream's buffer
constexpr UINT32 kStartFrames = 1764;      // written before a start: 80 ms
constexpr UINT32 kLeadFrames = 441;        // kept written ahead while playing: 20 ms
constexpr DWORD kSettleMs = 200;           // after a start, for this long,
constexpr UINT32 kSettleLeadFrames = 882;  // this much is kept ahead: 40 ms
constexpr DWORD kPollMs = 5;               // top-up interval while playing
constexpr UINT32 kDrainFrames = 662;       // a stop plays out at most this much: 30 ms
constexpr DWORD kIdleCloseMs = 4000;
constexpr DWORD kPlayedOutMs = 200;
constexpr DWORD kCloseWaitMs = 1000;
// Without a working device, opening is tried again on a play request at most this
// often: each attempt may be slow and may be logged by the system.
constexpr DWORD kReopenIntervalMs = 2000;

// COM, loaded at run time so that the game keeps importing only the system libraries
// it links against (ole32 is a known DLL: it always comes from the system folder).
struct Com {
  decltype(&::CoInitializeEx) initialize = nullptr;
  decltype(&::CoUninitialize) uninitialize = nullptr;
  decltype(&::CoCreateInstance) createInstance = nullptr;

  bool Load() {
    HMODULE ole32 = LoadLibraryA("ole32.dll");
    if (!ole32) return false;
    initialize = Resolve<decltype(initialize)>(ole32, "CoInitializeEx");
    uninitialize = Resolve<decltype(uninitialize)>(ole32, "CoUninitialize");
    createInstance = Resolve<decltype(createInstance)>(ole32, "CoCreateInstance");
    return initialize && uninitialize && createInstance;
  }

  template <typename Function>
  static Function Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
};

template <typename Interface>
void Release(Interface*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

// The one output: a shared-mode stream of 16-bit mono PCM at the sounds' rate.
class AudioOutput {
 public:
  explicit AudioOutput(const Com& com) : com_(com) {}
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;
  ~AudioOutput() { Close(); }

  bool IsOpen() const { return client_ != nullptr; }

  // Opens the output, unless it is open or the last attempt failed only just now.
  bool Open() {
    if (client_) return true;
    const DWORD now = GetTickCount();
    if (failedAt_ != 0 && now - failedAt_ < kReopenIntervalMs) return false;
    if (!OpenStream()) {
      Close();
      failedAt_ = now != 0 ? now : 1;
      return false;
    }
    failedAt_ = 0;
    return true;
  }

  // Stops the stream and drops whatever it holds: silence at once.
  void Discard() {
    playedOutAt_ = 0;
    if (!client_ || !started_) return;
    client_->Stop();
    client_->Reset();
    started_ = false;
  }

  // Stops a stream once it has had nothing left to play for kPlayedOutMs, time enough
  // for the sink to have played the last of it; true while it still runs.
  bool StopWhenPlayedOut(DWORD now) {
    if (!started_) return false;
    if (Written() > 0) {
      playedOutAt_ = 0;
      return true;
    }
    if (playedOutAt_ == 0) playedOutAt_ = now != 0 ? now : 1;
    if (now - playedOutAt_ < kPlayedOutMs) return true;
    Discard();
    return false;
  }

  // Frames written and not yet played, while the stream runs.
  UINT32 Written() const {
    UINT32 padding = 0;
    if (!client_ || !started_ || FAILED(client_->GetCurrentPadding(&padding))) return 0;
    return padding;
  }

  // Writes from the feeder up to the lead (more before a start), then starts.
  void TopUp(StreamFeeder& feeder) {
    if (!client_) return;
    UINT32 padding = 0;
    if (FAILED(client_->GetCurrentPadding(&padding))) return;
    const UINT32 target = !started_                                 ? kStartFrames
                          : GetTickCount() - startedAt_ < kSettleMs ? kSettleLeadFrames
                                                                    : kLeadFrames;
    if (padding >= target) return;
    UINT32 frames = target - padding;
    if (frames > bufferFrames_ - padding) frames = bufferFrames_ - padding;
    BYTE* data = nullptr;
    if (frames == 0 || FAILED(render_->GetBuffer(frames, &data))) return;
    feeder.Fill(reinterpret_cast<int16_t*>(data), frames);
    render_->ReleaseBuffer(frames, 0);
    if (!started_) {
      started_ = SUCCEEDED(client_->Start());
      startedAt_ = GetTickCount();
    }
  }

  void Close() {
    if (client_) client_->Stop();
    Release(render_);
    Release(client_);
    started_ = false;
  }

 private:
  bool OpenStream() {
    IMMDeviceEnumerator* enumerator = nullptr;
    if (FAILED(com_.createInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                   __uuidof(IMMDeviceEnumerator),
                                   reinterpret_cast<void**>(&enumerator))))
      return false;
    IMMDevice* device = nullptr;
    HRESULT result = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device);
    Release(enumerator);
    if (FAILED(result)) return false;
    result = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                              reinterpret_cast<void**>(&client_));
    Release(device);
    if (FAILED(result)) return false;

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kSoundRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kSoundRate * 2;
    format.cbSize = 0;
    const REFERENCE_TIME duration = REFERENCE_TIME{kBufferMs} * 10000;  // 100 ns units
    // The mixer converts the rate where the device runs at another (pitch and length
    // stay the same); a mixer that takes the format as it is needs no flag.
    constexpr DWORD kConvert = AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | 0x08000000;  // good quality
    result = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, kConvert, duration, 0, &format, nullptr);
    if (FAILED(result))
      result = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, duration, 0, &format, nullptr);
    if (FAILED(result) || FAILED(client_->GetBufferSize(&bufferFrames_))) return false;
    return SUCCEEDED(
        client_->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render_)));
  }

  const Com& com_;
  IAudioClient* client_ = nullptr;
  IAudioRenderClient* render_ = nullptr;
  UINT32 bufferFrames_ = 0;
  bool started_ = false;
  DWORD playedOutAt_ = 0;  // tick count when a running stream had nothing left, or 0
  DWORD startedAt_ = 0;    // tick count of the last start
  DWORD failedAt_ = 0;     // tick count of the last failed opening, 0 if none
};

}  // namespace

AudioStreamBackend::AudioStreamBackend(HMODULE module)
    : module_(module), library_(*this), requests_(library_, slot_, *this) {
  wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

AudioStreamBackend::~AudioStreamBackend() {
  Close();
  if (wake_) CloseHandle(wake_);
}

void AudioStreamBackend::Play(const char* name, bool fromModule, uint32_t flags) {
  // A numeric resource id is not a name this service knows: like an unknown name, it
  // silences what plays.
  if (name != nullptr && IS_INTRESOURCE(name)) name = "";
  // The thread, and with it the audio stack, starts with the first request: a window
  // left idle or a game played without sound never loads it. A new game or free play
  // asks for silence first, a tick before its first note, which covers the slow
  // first opening of the output.
  if (!thread_ && !closed_ && wake_) {
    thread_ = CreateThread(nullptr, 0, &AudioStreamBackend::ThreadMain, this, 0, nullptr);
  }
  requests_.Play(name, fromModule, flags);
}

void AudioStreamBackend::Close() {
  closed_ = true;
  if (!thread_) return;
  quit_.store(true);
  SetEvent(wake_);
  // Bounded: a thread stuck in the device is left to the end of the process.
  WaitForSingleObject(thread_, kCloseWaitMs);
  CloseHandle(thread_);
  thread_ = nullptr;
}

bool AudioStreamBackend::Find(const char* name, const uint8_t*& bytes, size_t& size) {
  HRSRC found = FindResourceA(module_, name, "WAVE");  // case is ignored
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module_, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes = static_cast<const uint8_t*>(data);
  size = SizeofResource(module_, found);
  return true;
}

void AudioStreamBackend::Wake() { SetEvent(wake_); }

DWORD WINAPI AudioStreamBackend::ThreadMain(LPVOID self) {
  static_cast<AudioStreamBackend*>(self)->Run();
  return 0;
}

void AudioStreamBackend::Run() {
  // A program closed without any sound started the thread with its last silence
  // request only: end at once instead of loading the audio stack.
  if (quit_.load()) return;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  Com com;
  if (!com.Load() || FAILED(com.initialize(nullptr, COINIT_MULTITHREADED))) {
    // No output can be had: take requests (so Close still ends the thread) and play none.
    while (!quit_.load()) WaitForSingleObject(wake_, INFINITE);
    return;
  }
  {
    AudioOutput output(com);
    output.Open();  // the slow first opening happens here, not on a request
    StreamFeeder feeder(library_, slot_);
    DWORD lastSound = GetTickCount();
    while (!quit_.load()) {
      SoundRequest request;
      if (feeder.Take(request)) {
        if (request.kind == SoundRequest::Stop && output.Written() <= kDrainFrames) {
          // What is written ahead plays out, and the sound fades out right after it
          // in the same stream: it ends without a break in its wave.
          feeder.Apply(request, true);
        } else {
          // Everything written is dropped, and a new sound starts at once.
          output.Discard();
          feeder.Apply(request, false);
          if (feeder.Playing()) output.Open();  // after an idle close or a failure
        }
      }
      if (feeder.Playing()) output.TopUp(feeder);
      // Silent: nothing is written and only a request, or closing time, wakes the thread.
      // A stream that still plays out what it was given is stopped once it has.
      const DWORD now = GetTickCount();
      DWORD wait = INFINITE;
      if (feeder.Playing()) {
        lastSound = now;
        wait = kPollMs;
      } else if (output.StopWhenPlayedOut(now)) {
        wait = kPollMs;
      } else if (output.IsOpen()) {
        const DWORD idle = now - lastSound;
        if (idle >= kIdleCloseMs) {
          output.Close();
        } else {
          wait = kIdleCloseMs - idle;
        }
      }
      WaitForSingleObject(wake_, wait);
    }
  }
  com.uninitialize();
}

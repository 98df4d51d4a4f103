#include "win32/audio_stream_output.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include "sound/sound_rate.h"
#include "streaming/stream_feeder.h"
#include "win32/wave_resource.h"

// How the output behaves under wine (measured with its PulseAudio driver):
// - Stopping the stream and dropping what it holds (Stop, Reset) silences within a
//   few ms, and a stream started again plays its first data within a few ms. So every
//   request, a stop or a new sound, drops what is buffered and starts afresh.
// - A stream started again plays the data it holds at the start and then takes up to
//   about 50 ms before it asks for more; started with too little, it falls silent in
//   between. So a start is primed with more than that (80 ms), which costs no delay:
//   it plays from its first sample at once.
// - While a sound plays, the thread keeps 40 ms written ahead, topped up every 10 ms,
//   which rides out a late wake-up of this thread many times over.
// - A stream costs processor time even when silent, so it is closed after 4 s without
//   sound and opened again by the next one (which then starts within about 20 ms).
// - waveOut, which wine builds on the same stream with a larger buffer of its own, was
//   measured too: restarted, it falls silent for about 25 ms shortly after most
//   starts, and fed without restarts it is heard only after 35 to 45 ms.

namespace {

constexpr DWORD kBufferMs = 100;       // the stream's buffer
constexpr UINT32 kStartFrames = 1764;  // written before a start: 80 ms
constexpr UINT32 kLeadFrames = 882;    // kept written ahead while playing: 40 ms
constexpr DWORD kPollMs = 10;          // top-up interval while playing
constexpr DWORD kIdleCloseMs = 4000;
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
    if (!client_ || !started_) return;
    client_->Stop();
    client_->Reset();
    started_ = false;
  }

  // Writes from the feeder up to the lead (more before a start), then starts.
  void TopUp(StreamFeeder& feeder) {
    if (!client_) return;
    UINT32 padding = 0;
    if (FAILED(client_->GetCurrentPadding(&padding))) return;
    const UINT32 target = started_ ? kLeadFrames : kStartFrames;
    if (padding >= target) return;
    UINT32 frames = target - padding;
    if (frames > bufferFrames_ - padding) frames = bufferFrames_ - padding;
    BYTE* data = nullptr;
    if (frames == 0 || FAILED(render_->GetBuffer(frames, &data))) return;
    feeder.Fill(reinterpret_cast<int16_t*>(data), frames);
    render_->ReleaseBuffer(frames, 0);
    if (!started_) started_ = SUCCEEDED(client_->Start());
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
  DWORD failedAt_ = 0;  // tick count of the last failed opening, 0 if none
};

}  // namespace

AudioStreamOutput::AudioStreamOutput(HMODULE module)
    : module_(module), library_(*this), requests_(library_, slot_, *this) {
  wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

AudioStreamOutput::~AudioStreamOutput() {
  Close();
  if (wake_) CloseHandle(wake_);
}

void AudioStreamOutput::Play(SoundId sound, bool loop) {
  StartThread();
  requests_.Play(sound, loop);
}

void AudioStreamOutput::Stop() {
  StartThread();
  requests_.Stop();
}

void AudioStreamOutput::StartThread() {
  // The thread, and with it the audio stack, starts with the first request: a window
  // left idle or a game played without sound never loads it. A new game or free play
  // asks for silence first, a tick before its first note, which covers the slow
  // first opening of the output.
  if (!thread_ && !closed_ && wake_) {
    thread_ = CreateThread(nullptr, 0, &AudioStreamOutput::ThreadMain, this, 0, nullptr);
  }
}

void AudioStreamOutput::Close() {
  closed_ = true;
  if (!thread_) return;
  quit_.store(true);
  SetEvent(wake_);
  // Bounded: a thread stuck in the device is left to the end of the process.
  WaitForSingleObject(thread_, kCloseWaitMs);
  CloseHandle(thread_);
  thread_ = nullptr;
}

bool AudioStreamOutput::Find(SoundId sound, const uint8_t*& bytes, size_t& size) {
  const LPCSTR resource = WaveResource(sound);
  HRSRC found = resource ? FindResourceA(module_, resource, "WAVE") : nullptr;
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module_, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes = static_cast<const uint8_t*>(data);
  size = SizeofResource(module_, found);
  return true;
}

void AudioStreamOutput::Wake() { SetEvent(wake_); }

DWORD WINAPI AudioStreamOutput::ThreadMain(LPVOID self) {
  static_cast<AudioStreamOutput*>(self)->Run();
  return 0;
}

void AudioStreamOutput::Run() {
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
      if (feeder.Update()) {
        output.Discard();
        if (feeder.Playing()) output.Open();  // after an idle close or a failure
      }
      if (feeder.Playing()) output.TopUp(feeder);
      // Silent: nothing is written and only a request, or closing time, wakes the thread.
      const DWORD now = GetTickCount();
      DWORD wait = INFINITE;
      if (feeder.Playing()) {
        lastSound = now;
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

#include "app/wave_out_backend.h"

#include <mmsystem.h>

#include "app/playsound_backend.h"
#include "app/winmm.h"
#include "sound/sound_set.h"
#include "sound/stream_feeder.h"

namespace {

// About 10 ms per buffer: a stop or a new sound discards whatever is queued, and a
// buffer is the most the output can be behind a change on its own.
constexpr DWORD kBufferSamples = 220;
constexpr int kBufferCount = 4;
constexpr DWORD kCloseWaitMs = 1000;
// Without a working device, opening is tried again on a play request at most this
// often: each attempt may be slow and may be logged by the system.
constexpr DWORD kReopenIntervalMs = 2000;

// The one output: 16-bit mono PCM at the sounds' rate, its buffers prepared once.
class WaveOutput {
 public:
  explicit WaveOutput(HANDLE doneEvent) : doneEvent_(doneEvent) {}
  WaveOutput(const WaveOutput&) = delete;
  WaveOutput& operator=(const WaveOutput&) = delete;

  bool IsOpen() const { return handle_ != nullptr; }

  // Opens the output, unless it is open or the last attempt failed only just now.
  bool Open() {
    if (handle_) return true;
    const DWORD now = GetTickCount();
    if (failedAt_ != 0 && now - failedAt_ < kReopenIntervalMs) return false;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kSoundRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kSoundRate * 2;
    format.cbSize = 0;
    HWAVEOUT handle = nullptr;
    if (Winmm().waveOutOpen(&handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(doneEvent_),
                            0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      failedAt_ = now != 0 ? now : 1;
      return false;
    }
    failedAt_ = 0;
    handle_ = handle;
    for (int i = 0; i < kBufferCount; ++i) {
      WAVEHDR& header = headers_[i];
      header = WAVEHDR();
      header.lpData = reinterpret_cast<LPSTR>(samples_[i]);
      header.dwBufferLength = kBufferSamples * sizeof(int16_t);
      Winmm().waveOutPrepareHeader(handle_, &header, sizeof header);
    }
    return true;
  }

  // Discards every queued buffer at once, if anything was written since the last
  // discard (a buffer the device reports done may still be sounding in its mixer).
  void Discard() {
    if (!handle_ || !written_) return;
    Winmm().waveOutReset(handle_);
    written_ = false;
  }

  // Tops up the queue from the feeder while it has sound to give.
  void TopUp(StreamFeeder& feeder) {
    if (!handle_) return;
    for (int i = 0; i < kBufferCount && feeder.Playing(); ++i) {
      WAVEHDR& header = headers_[i];
      if (Queued(header)) continue;
      feeder.Fill(samples_[i], kBufferSamples);
      header.dwBufferLength = kBufferSamples * sizeof(int16_t);
      if (Winmm().waveOutWrite(handle_, &header, sizeof header) == MMSYSERR_NOERROR)
        written_ = true;
    }
  }

  void Close() {
    if (!handle_) return;
    Winmm().waveOutReset(handle_);
    for (WAVEHDR& header : headers_)
      Winmm().waveOutUnprepareHeader(handle_, &header, sizeof header);
    Winmm().waveOutClose(handle_);
    handle_ = nullptr;
  }

 private:
  // The device's thread changes the flags; read them afresh every time.
  static bool Queued(const WAVEHDR& header) {
    return (*static_cast<const volatile DWORD*>(&header.dwFlags) & WHDR_INQUEUE) != 0;
  }

  HANDLE doneEvent_;
  HWAVEOUT handle_ = nullptr;
  DWORD failedAt_ = 0;  // tick count of the last failed opening, 0 if none
  bool written_ = false;
  WAVEHDR headers_[kBufferCount] = {};
  int16_t samples_[kBufferCount][kBufferSamples] = {};
};

}  // namespace

WaveOutBackend::WaveOutBackend(HMODULE module)
    : module_(module), library_(*this), requests_(library_, slot_, *this) {
  wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (wake_) thread_ = CreateThread(nullptr, 0, &WaveOutBackend::ThreadMain, this, 0, nullptr);
}

WaveOutBackend::~WaveOutBackend() {
  Close();
  if (wake_) CloseHandle(wake_);
}

void WaveOutBackend::Play(const char* name, bool fromModule, uint32_t flags) {
  // A numeric resource id is not a name this service knows: like an unknown name, it
  // silences what plays.
  if (name != nullptr && IS_INTRESOURCE(name)) name = "";
  requests_.Play(name, fromModule, flags);
}

void WaveOutBackend::Close() {
  if (!thread_) return;
  quit_.store(true);
  SetEvent(wake_);
  // Bounded: a thread stuck in the device is left to the end of the process.
  WaitForSingleObject(thread_, kCloseWaitMs);
  CloseHandle(thread_);
  thread_ = nullptr;
}

bool WaveOutBackend::Find(const char* name, const uint8_t*& bytes, size_t& size) {
  HRSRC found = FindResourceA(module_, name, "WAVE");  // case is ignored
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module_, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes = static_cast<const uint8_t*>(data);
  size = SizeofResource(module_, found);
  return true;
}

void WaveOutBackend::Wake() { SetEvent(wake_); }

DWORD WINAPI WaveOutBackend::ThreadMain(LPVOID self) {
  static_cast<WaveOutBackend*>(self)->Run();
  return 0;
}

void WaveOutBackend::Run() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!done) return;
  {
    WaveOutput output(done);
    output.Open();  // the slow first opening happens here, not on a request
    StreamFeeder feeder(library_, slot_);
    const HANDLE events[2] = {wake_, done};
    while (!quit_.load()) {
      if (feeder.Update()) {
        output.Discard();
        if (feeder.Playing()) output.Open();  // retried in case it failed before
      }
      output.TopUp(feeder);
      // Silent and drained: only a request wakes the thread; nothing is submitted.
      WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
    output.Close();
  }
  CloseHandle(done);
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

SoundBackend& ChooseSoundBackend(HMODULE module) {
  if (RunningUnderWine()) {
    static WaveOutBackend stream(module);
    return stream;
  }
  static PlaySoundBackend playSound(module);
  return playSound;
}

#include "pulse/pulse_sound_output.h"

#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <system_error>
#include <thread>

#include "resources/ui_texts.h"
#include "sound/sound_rate.h"
#include "streaming/request_slot.h"
#include "streaming/stream_feeder.h"
#include "streaming/stream_requests.h"

// How the stream is fed:
// - One playback stream of 16-bit mono at the sounds' rate (the server converts it to
//   the device's), kept about 40 ms ahead; the server splits that between its buffer
//   and the device's (ADJUST_LATENCY) and asks for more as it likes. Measured on the
//   virtual machines this was built on, whose real-time threads now and then wake up
//   to 30 ms late: a 20 ms stream ran dry about once in 40 s of sound, this game's
//   and the server's own client's alike; 40 ms did not in minutes of it.
// - The stream is never flushed under a sound: a stop or a new sound fades what plays
//   out over 4 ms in the data that follows what the stream holds, and the new sound
//   starts right after, so nothing breaks off with a click. A sound that comes after
//   silence, though, has nothing to fade: when everything the stream still holds is
//   silence, it is dropped and the new sound written at once, so a note after silence
//   (a key pressed once the last flash is over, a game's first note) is heard within
//   a few milliseconds, not after the 40 ms.
// - It has no pre-buffering: it plays when uncorked, and corking is the only start
//   and stop. After 2 s without sound it is corked, which leaves the process idle; the
//   next sound drops the silence it holds, refills it and uncorks it.
// - Without a server, or when the connection or the stream fails, the game goes on
//   silently: one line on standard error, and a play request tries again at most
//   every 2 s, quietly, so sound comes back when the server does. No server is
//   started for the game.

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kProgram = "zirirar-aduzo";
constexpr size_t kReleaseSamples = kSoundRate * kReleaseMs / 1000;
constexpr uint32_t kTargetBytes = kSoundRate * 40 / 1000 * sizeof(int16_t);
constexpr Clock::duration kIdleAfter = std::chrono::milliseconds(kOutputIdleMs);
constexpr Clock::duration kRetryInterval = std::chrono::seconds(2);
// On closing, how long after the last sound written it has surely played (what the
// stream and the device hold), and how long closing may take at most.
constexpr Clock::duration kPlayOut = std::chrono::milliseconds(50);
constexpr Clock::duration kCloseLimit = std::chrono::milliseconds(300);
constexpr std::chrono::seconds kCloseWait{1};

void Done(pa_operation* operation) {
  if (operation) pa_operation_unref(operation);
}

// The sound thread: a context and its one stream, on the thread's main loop.
class StreamThread {
 public:
  StreamThread(pa_mainloop* loop, const SoundLibrary& library, const RequestSlot& slot,
               const std::atomic<bool>& quit)
      : loop_(loop), feeder_(library, slot), quit_(quit) {
    feeder_.SetRelease(kReleaseSamples);
  }
  StreamThread(const StreamThread&) = delete;
  StreamThread& operator=(const StreamThread&) = delete;

  void Run() {
    RaisePriority();
    Connect();
    bool quitting = false;
    Clock::time_point quitAt;
    for (;;) {
      if (lost_) Disconnect();
      TakeRequest();
      const Clock::time_point now = Clock::now();
      Clock::time_point wakeAt = Clock::time_point::max();
      if (quit_.load()) {
        if (!quitting) quitAt = now;
        quitting = true;
        // The fade goes out as the stream runs; the stream ends once the last sound
        // written has had the time to play (a drain would wait for the server to
        // report an empty buffer, which it does late or, without pre-buffering, never).
        const Clock::time_point playedOut = lastSound_ + kPlayOut;
        const Clock::time_point limit = quitAt + kCloseLimit;
        if (!Running() || (!feeder_.Playing() && now >= playedOut) || now >= limit) break;
        wakeAt = feeder_.Playing() ? limit : std::min(playedOut, limit);
      } else if (Running() && !feeder_.Playing()) {
        if (now - lastSound_ >= kIdleAfter) {
          Done(pa_stream_cork(stream_, 1, nullptr, nullptr));
          corked_ = true;
        } else {
          wakeAt = lastSound_ + kIdleAfter;
        }
      }
      if (!Wait(now, wakeAt)) break;
    }
    Disconnect();
  }

 private:
  bool Running() const { return ready_ && !corked_; }

  // The server asks for more every 5 ms and runs dry 10 ms later: this thread must
  // answer within that however busy the machine, which ordinary scheduling does not
  // promise (a thread that sleeps 5 ms woke up to 30 ms late beside a build on two
  // cores). So it runs in real time where the system grants it, at a low priority,
  // below the sound server's own threads; where not, as it is.
  static void RaisePriority() {
    sched_param param{};
    param.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &param);
  }

  // Waits for the server, a request or `wakeAt`, and runs what came.
  bool Wait(Clock::time_point now, Clock::time_point wakeAt) {
    int timeout = -1;  // microseconds; none
    if (wakeAt != Clock::time_point::max()) {
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(wakeAt - now);
      timeout = static_cast<int>(std::max<int64_t>(left.count() + 1, 0));
    }
    return pa_mainloop_prepare(loop_, timeout) >= 0 && pa_mainloop_poll(loop_) >= 0 &&
           pa_mainloop_dispatch(loop_) >= 0;
  }

  // Applies the latest request. A play wakes the stream, or reconnects if the last
  // attempt is old enough; a stop's fade goes out through the stream as it runs.
  void TakeRequest() {
    if (!feeder_.Update() || !feeder_.Playing()) return;
    const Clock::time_point now = Clock::now();
    lastSound_ = now;
    if (!context_) {
      if (now - lastAttempt_ >= kRetryInterval) Connect();
    } else if (ready_ && corked_) {
      Resume();
    } else if (Running() && silentBytes_ >= 2 * TargetBytes()) {
      Refill();
    }
  }

  // The stream's target, as the server set it.
  size_t TargetBytes() const {
    const pa_buffer_attr* buffer = pa_stream_get_buffer_attr(stream_);
    return buffer ? buffer->tlength : kTargetBytes;
  }

  // Drops what the stream holds, silence (twice the target of it was written last, more
  // than the stream and the device hold together; a corked stream holds nothing else),
  // and writes two full buffers from the voice at once: the server takes them in this
  // order, so the sound starts without waiting for its request for the room made, and
  // the first requests of a stream just started, which the server may send late while
  // it sets its latency, find enough in hand.
  void Refill() {
    Done(pa_stream_flush(stream_, nullptr, nullptr));
    Write(2 * TargetBytes());
  }

  // Wakes the corked stream for a sound.
  void Resume() {
    Refill();
    Done(pa_stream_cork(stream_, 0, nullptr, nullptr));
    corked_ = false;
  }

  // Writes `bytes` from the voice.
  void Write(size_t bytes) {
    while (bytes >= sizeof(int16_t)) {
      void* data = nullptr;
      size_t size = bytes;
      if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data) return;
      const size_t samples = size / sizeof(int16_t);
      if (samples == 0) {
        pa_stream_cancel_write(stream_);
        return;
      }
      const size_t sound = feeder_.Fill(static_cast<int16_t*>(data), samples);
      const size_t written = samples * sizeof(int16_t);
      if (sound > 0) {
        lastSound_ = Clock::now();
        silentBytes_ = (samples - sound) * sizeof(int16_t);
      } else {
        silentBytes_ += written;
      }
      if (pa_stream_write(stream_, data, written, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
      bytes -= written;
    }
  }

  void Connect() {
    lastAttempt_ = Clock::now();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, TEXT_TITLE);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, kProgram);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, kProgram);
    context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), nullptr, properties);
    pa_proplist_free(properties);
    if (!context_) {
      Lose("cannot make a sound server context");
      return;
    }
    pa_context_set_state_callback(context_, &StreamThread::OnContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      Lose(pa_strerror(pa_context_errno(context_)));
  }

  void OpenStream() {
    const pa_sample_spec format = {PA_SAMPLE_S16NE, kSoundRate, 1};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ICON_NAME, kProgram);
    stream_ = pa_stream_new_with_proplist(context_, "Game sounds", &format, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream_) {
      Lose(pa_strerror(pa_context_errno(context_)));
      return;
    }
    pa_stream_set_state_callback(stream_, &StreamThread::OnStreamState, this);
    pa_stream_set_write_callback(stream_, &StreamThread::OnWritable, this);
    pa_buffer_attr buffer;
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = kTargetBytes;
    buffer.prebuf = 0;
    buffer.minreq = static_cast<uint32_t>(-1);  // as the server likes
    buffer.fragsize = static_cast<uint32_t>(-1);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0)
      Lose(pa_strerror(pa_context_errno(context_)));
  }

  // Sound is gone: say so once (until it works again), and drop the connection once
  // the main loop is out of its callbacks.
  void Lose(const char* reason) {
    if (!told_) std::fprintf(stderr, "%s: no sound: %s\n", kProgram, reason);
    told_ = true;
    lost_ = true;
    ready_ = false;
  }

  void Disconnect() {
    if (stream_) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
    lost_ = ready_ = false;
    corked_ = true;
  }

  static void OnContextState(pa_context* context, void* self) {
    StreamThread& thread = *static_cast<StreamThread*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
      thread.OpenStream();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
      thread.Lose(pa_strerror(pa_context_errno(context)));
    }
  }

  static void OnStreamState(pa_stream* stream, void* self) {
    StreamThread& thread = *static_cast<StreamThread*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
      // Created corked; a sound asked for meanwhile starts now.
      thread.ready_ = true;
      thread.told_ = false;
      thread.corked_ = true;
      if (thread.feeder_.Playing()) thread.Resume();
    } else if (!PA_STREAM_IS_GOOD(state)) {
      thread.Lose(pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
    }
  }

  // The server has room for `bytes` more: they come from the voice.
  static void OnWritable(pa_stream*, size_t bytes, void* self) {
    StreamThread& thread = *static_cast<StreamThread*>(self);
    thread.TakeRequest();
    thread.Write(bytes);
  }

  pa_mainloop* loop_;
  StreamFeeder feeder_;
  const std::atomic<bool>& quit_;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool ready_ = false;      // the stream can be written
  bool corked_ = true;      // as last asked of the server
  bool lost_ = false;       // the connection failed: to be dropped
  bool told_ = false;       // the loss of sound has been reported
  size_t silentBytes_ = 0;  // of silence written since the last sound
  Clock::time_point lastSound_;
  Clock::time_point lastAttempt_;
};

}  // namespace

// What the user-interface thread and the sound thread share. A sound thread that does
// not end within Close's wait is left with it to the end of the process.
class PulseSoundOutput::Service final : private Waker {
 public:
  explicit Service(WaveSource& sounds) : library_(sounds), requests_(library_, slot_, *this) {}
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;
  ~Service() {
    if (mainloop_) pa_mainloop_free(mainloop_);
  }

  // The thread, and with it the connection to the server, starts with the first
  // request: a new game or free play asks for silence a tick before its first note,
  // which covers the connection's first round trips.
  StreamRequests& Requests() {
    if (!mainloop_ && !closed_) Start();
    return requests_;
  }

  // Whether the sound thread has ended (it had 1 s to silence and disconnect).
  bool Close() {
    if (closed_) return true;
    closed_ = true;
    if (!thread_.joinable()) return true;
    requests_.Stop();
    quit_.store(true);
    pa_mainloop_wakeup(mainloop_);
    if (ended_.wait_for(kCloseWait) != std::future_status::ready) {
      thread_.detach();
      return false;
    }
    thread_.join();
    return true;
  }

 private:
  void Start() {
    mainloop_ = pa_mainloop_new();
    if (!mainloop_) return;
    ended_ = endedPromise_.get_future();
    try {
      thread_ = std::thread([this] {
        StreamThread(mainloop_, library_, slot_, quit_).Run();
        endedPromise_.set_value();
      });
    } catch (const std::system_error& error) {
      std::fprintf(stderr, "%s: no sound: %s\n", kProgram, error.what());
      return;
    }
    pthread_setname_np(thread_.native_handle(), "sound");
  }

  // Wakes the sound thread from its wait: only a write to the main loop's pipe.
  void Wake() override {
    if (mainloop_) pa_mainloop_wakeup(mainloop_);
  }

  SoundLibrary library_;
  RequestSlot slot_;
  StreamRequests requests_;
  pa_mainloop* mainloop_ = nullptr;  // made with the thread, freed after it
  std::thread thread_;
  std::promise<void> endedPromise_;
  std::future<void> ended_;
  std::atomic<bool> quit_{false};
  bool closed_ = false;  // after Close nothing starts the thread again
};

PulseSoundOutput::PulseSoundOutput(WaveSource& sounds) : service_(new Service(sounds)) {}

PulseSoundOutput::~PulseSoundOutput() { Close(); }

void PulseSoundOutput::Play(SoundId sound, bool loop) {
  if (service_) service_->Requests().Play(sound, loop);
}

void PulseSoundOutput::Stop() {
  if (service_) service_->Requests().Stop();
}

void PulseSoundOutput::Close() {
  // A sound thread stuck past the wait keeps what it uses: it is left, not freed.
  if (service_ && !service_->Close()) service_.release();
}

// A hook library the end-to-end driver places on the game's user-interface thread
// (WH_GETMESSAGE): it records what the thread takes from its message queue into the
// file mapping that the driver created for this process (see queue_probe.h).
#include "tests/e2e/queue_probe.h"

#include <windows.h>

namespace {

QueueProbeRecord* record = nullptr;
bool opened = false;

// The mapping is opened on the first message taken after the hook was placed.
QueueProbeRecord* Record() {
  if (!opened) {
    opened = true;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE,
                                      QueueProbeMappingName(GetCurrentProcessId()).c_str());
    if (mapping == nullptr) return nullptr;
    record = static_cast<QueueProbeRecord*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(QueueProbeRecord)));
    CloseHandle(mapping);  // the view keeps the mapping alive
  }
  return record;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    QueueProbeHook(int code, WPARAM removal, LPARAM lParam) {
  // Only messages taken off the queue: a PM_NOREMOVE peek leaves them there.
  if (code == HC_ACTION && (removal & PM_REMOVE) != 0) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    static const UINT marker = RegisterWindowMessageA(kQueueProbeMessage);
    if (QueueProbeRecord* r = Record()) {
      if (message->message == WM_TIMER) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const LONG index = r->ticks;
        if (static_cast<uint32_t>(index) < kQueueProbeTicks) r->tickTimes[index] = now.QuadPart;
        InterlockedIncrement(&r->ticks);
      } else if (message->message == WM_KEYUP || message->message == WM_SYSKEYUP) {
        InterlockedIncrement(&r->keyUps);
      } else if (message->message == marker) {
        InterlockedExchange(&r->marker, static_cast<LONG>(message->lParam));
      }
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

// What the queue probe library and the driver agree on (see queue_probe.cpp).
//
// The driver creates a named file mapping for one game process and hooks the game's
// user-interface thread with QueueProbeHook. Inside the game the hook sees every
// message its thread takes from its queue, in whatever loop (the main loop, a modal
// dialog's, a menu's), and records three things the driver cannot see from outside:
// the last marker message taken (so the driver knows that everything it posted before
// the marker has been taken too), how many key releases were taken, and the time at
// which each tick (WM_TIMER) was taken.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr char kQueueProbeMessage[] = "ZirirarAduzoE2eQueueMarker";
constexpr char kQueueProbeLibrary[] = "queue_probe.dll";
constexpr char kQueueProbeHookName[] = "QueueProbeHook";
constexpr uint32_t kQueueProbeTicks = 1u << 16;  // tick times kept (about 55 minutes)

struct QueueProbeRecord {
  volatile LONG marker;  // lParam of the last marker taken
  volatile LONG keyUps;  // WM_KEYUP and WM_SYSKEYUP messages taken
  volatile LONG ticks;   // WM_TIMER messages taken; the first kQueueProbeTicks are timed
  int64_t frequency;     // of QueryPerformanceCounter, in counts per second
  int64_t tickTimes[kQueueProbeTicks];  // QueryPerformanceCounter when each tick was taken
};

inline std::string QueueProbeMappingName(DWORD gameProcessId) {
  return "ZirirarAduzoE2eQueueProbe." + std::to_string(static_cast<unsigned long>(gameProcessId));
}

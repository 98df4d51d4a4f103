// Hooks placed on the game's thread, and the driver's side of the queue probe
// (queue_probe.h): the file mapping that the hook inside the game writes.
#include <windows.h>

#include "tests/e2e/e2e.h"
#include "tests/e2e/queue_probe.h"

namespace e2e {

GameThreadHook::GameThreadHook(const Game& game, int hookType, const char* library,
                               const char* procedure) {
  library_ = LoadLibraryA((DriverDirectory() + "\\" + library).c_str());
  E2E_REQUIRE(library_ != nullptr, "cannot load %s (error %lu)", library, GetLastError());
  auto hook =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(GetProcAddress(library_, procedure)));
  E2E_REQUIRE(hook != nullptr, "%s has no %s", library, procedure);
  const DWORD thread = GetWindowThreadProcessId(game.Window(), nullptr);
  hook_ = SetWindowsHookExA(hookType, hook, library_, thread);
  E2E_REQUIRE(hook_ != nullptr, "cannot hook the game's thread (error %lu)", GetLastError());
}

GameThreadHook::~GameThreadHook() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (library_ != nullptr) FreeLibrary(library_);
}

QueueWatch::QueueWatch(const Game& game) : game_(game) {
  DWORD processId = 0;
  GetWindowThreadProcessId(game.Window(), &processId);
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(QueueProbeRecord), QueueProbeMappingName(processId).c_str());
  E2E_REQUIRE(mapping_ != nullptr, "cannot create the queue probe's file mapping");
  record_ = static_cast<QueueProbeRecord*>(
      MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(QueueProbeRecord)));
  E2E_REQUIRE(record_ != nullptr, "cannot map the queue probe's file mapping");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  record_->frequency = frequency.QuadPart;

  hook_ = std::make_unique<GameThreadHook>(game, WH_GETMESSAGE, kQueueProbeLibrary,
                                           kQueueProbeHookName);
  E2E_REQUIRE(Settle(), "the queue probe does not report from inside the game");
}

QueueWatch::~QueueWatch() {
  hook_.reset();
  if (record_ != nullptr) UnmapViewOfFile(record_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool QueueWatch::Settle(DWORD limitMs) {
  const LONG marker = ++nextMarker_;
  PostMessageA(game_.Window(), RegisterWindowMessageA(kQueueProbeMessage), 0, marker);
  return WaitUntil(
      limitMs, [&] { return record_->marker == marker; }, 1);
}

long QueueWatch::KeyUps() const { return record_->keyUps; }

long QueueWatch::Ticks() const { return record_->ticks; }

std::vector<double> QueueWatch::TickTimesMs() const {
  LONG count = record_->ticks;
  if (count > static_cast<LONG>(kQueueProbeTicks)) count = kQueueProbeTicks;
  // The game and the driver read the same performance counter.
  std::vector<double> times;
  for (LONG i = 0; i < count; ++i)
    times.push_back(static_cast<double>(record_->tickTimes[i]) * 1000.0 /
                    static_cast<double>(record_->frequency));
  return times;
}

}  // namespace e2e

// The end-to-end driver: runs the registered cases one after another, each against
// a freshly started game, and reports "e2e: N passed, N failed".
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

namespace e2e {

namespace {

struct Case {
  std::string name;
  CaseBody body;
};

std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}

std::string g_gamePath;
std::string g_screenshotDir;
const char* g_currentCase = "";
int g_currentFailures = 0;
HANDLE g_caseDone = nullptr;

// Ends the whole run when a case exceeds its time limit: a hung game or a wait that
// never ends must fail the run, not hang it. Whatever the case started is ended by
// the script that runs the driver (it owns the prefix's wineserver).
DWORD WINAPI Watchdog(void*) {
  for (;;) {
    if (WaitForSingleObject(g_caseDone, kCaseLimitMs) == WAIT_TIMEOUT) {
      printf("  FAILED: case ran longer than %lu ms\n[ FAIL ] %s\n", kCaseLimitMs, g_currentCase);
      printf("e2e: aborted in %s\n", g_currentCase);
      fflush(stdout);
      ExitProcess(3);
    }
  }
}

}  // namespace

void RegisterCase(std::string name, CaseBody body) {
  Cases().push_back({std::move(name), std::move(body)});
}

const std::string& GamePath() { return g_gamePath; }

void RecordFailure(const char* file, int line, const char* condition, const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);
  const char* base = file;
  for (const char* p = file; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  printf("  FAILED at %s:%d: %s\n    (%s)\n", base, line, message, condition);
  fflush(stdout);
  ++g_currentFailures;
}

void Note(const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);
  printf("  %s\n", message);
  fflush(stdout);
}

void Game::SaveScreenshot(const char* label) const {
  const std::string path = g_screenshotDir + "\\" + g_currentCase + "-" + label + ".bmp";
  if (SaveBmp(Capture(), path)) Note("screenshot: %s", path.c_str());
}

}  // namespace e2e

int main(int argc, char** argv) {
  using namespace e2e;
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2 && std::string(argv[1]) == "--list") {
    for (const Case& c : Cases()) printf("%s\n", c.name.c_str());
    return 0;
  }
  if (argc < 2) {
    fprintf(stderr, "usage: e2e_driver GAME.EXE [CASE ...] | --list\n");
    return 2;
  }
  g_gamePath = argv[1];
  g_screenshotDir = DriverDirectory();
  std::vector<std::string> wanted(argv + 2, argv + argc);
  for (const std::string& name : wanted) {
    bool known = false;
    for (const Case& c : Cases()) known = known || name == c.name;
    if (!known) {
      fprintf(stderr, "unknown case: %s (see --list)\n", name.c_str());
      printf("e2e: 0 passed, 1 failed\n");
      return 2;
    }
  }

  g_caseDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr));

  int passed = 0, failed = 0;
  for (const Case& c : Cases()) {
    if (!wanted.empty()) {
      bool chosen = false;
      for (const std::string& name : wanted) chosen = chosen || name == c.name;
      if (!chosen) continue;
    }
    g_currentCase = c.name.c_str();
    g_currentFailures = 0;
    SetEvent(g_caseDone);  // restarts the watchdog's clock for this case
    printf("[ RUN  ] %s\n", g_currentCase);
    const double start = NowMs();
    try {
      c.body();
    } catch (const CaseAbort&) {
      // already recorded
    } catch (const std::exception& error) {
      RecordFailure(__FILE__, __LINE__, "exception", "%s", error.what());
    }
    const double seconds = (NowMs() - start) / 1000.0;
    if (g_currentFailures == 0) {
      ++passed;
      printf("[ PASS ] %s (%.1f s)\n", g_currentCase, seconds);
    } else {
      ++failed;
      printf("[ FAIL ] %s (%.1f s)\n", g_currentCase, seconds);
    }
  }
  printf("e2e: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

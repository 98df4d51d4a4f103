// The end-to-end driver: runs the named cases (CTest names one, tests/e2e/CMakeLists.txt)
// one after another, each against a freshly started game; exit code 0 when all pass.
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

}  // namespace

void RegisterCase(std::string name, CaseBody body) {
  Cases().push_back({std::move(name), std::move(body)});
}

const std::string& GamePath() { return g_gamePath; }

void RecordFailure(const char* file, int line, const char* condition, const char* format, ...) {
  const char* base = file;
  for (const char* p = file; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  printf("  FAILED at %s:%d: ", base, line);
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n    (%s)\n", condition);
  ++g_currentFailures;
}

void Note(const char* format, ...) {
  printf("  ");
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n");
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
  if (argc < 3) {
    fprintf(stderr, "usage: e2e_driver GAME.EXE CASE... | --list\n");
    return 2;
  }
  g_gamePath = argv[1];
  g_screenshotDir = DriverDirectory();
  bool failed = false;
  for (int i = 2; i < argc; ++i) {
    const Case* c = nullptr;
    for (const Case& each : Cases())
      if (each.name == argv[i]) c = &each;
    if (c == nullptr) {
      fprintf(stderr, "unknown case: %s (see --list)\n", argv[i]);
      return 2;
    }
    g_currentCase = c->name.c_str();
    g_currentFailures = 0;
    printf("[ RUN  ] %s\n", g_currentCase);
    const double start = NowMs();
    try {
      c->body();
    } catch (const CaseAbort&) {
      // already recorded
    } catch (const std::exception& error) {
      RecordFailure(__FILE__, __LINE__, "exception", "%s", error.what());
    }
    failed = failed || g_currentFailures > 0;
    printf("[ %s ] %s (%.1f s)\n", g_currentFailures == 0 ? "PASS" : "FAIL", g_currentCase,
           (NowMs() - start) / 1000.0);
  }
  return failed ? 1 : 0;
}

// The benchmark's soak driver: runs one kind of the soak measurement (tests/soak/soak.h)
// on a freshly started game for as many cycles as asked, without the end-to-end
// driver's time limit per case, and prints its samples (bench/soak/run.sh reads them).
//
//   soak_driver GAME.EXE KIND CYCLES EVERY   samples after 0, 1, 10, 100 cycles, every
//                                            EVERY cycles and at the end
//   soak_driver --list                       the kinds, one a line: name, then what a
//                                            cycle is
// Exit code 0 when every cycle did what it should, 1 otherwise. Whether the memory stays
// flat is judged from the samples, by bench/soak/summarize.py.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/e2e.h"
#include "tests/soak/soak.h"

namespace {

std::string g_gamePath;
int g_failures = 0;

}  // namespace

namespace e2e {

const std::string& GamePath() { return g_gamePath; }

void RecordFailure(const char* file, int line, const char* condition, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::printf("soak: failed at %s:%d (%s): ", file, line, condition);
  std::vprintf(format, args);
  std::printf("\n");
  va_end(args);
  ++g_failures;
}

void Note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  std::printf("\n");
  va_end(args);
}

}  // namespace e2e

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && std::string(argv[1]) == "--list") {
    for (const soak::Kind& kind : soak::Kinds()) std::printf("%s\t%s\n", kind.name, kind.what);
    return 0;
  }
  const soak::Kind* kind = argc == 5 ? soak::FindKind(argv[2]) : nullptr;
  const int cycles = argc == 5 ? std::atoi(argv[3]) : 0;
  const int every = argc == 5 ? std::atoi(argv[4]) : 0;
  if (kind == nullptr || cycles < 1 || every < 1) {
    std::fprintf(stderr, "usage: soak_driver GAME.EXE KIND CYCLES EVERY | --list\n");
    return 2;
  }
  g_gamePath = argv[1];
  soak::Run run;
  try {
    soak::RunKind(*kind, cycles, every, true, &run);
  } catch (const e2e::CaseAbort&) {
    // recorded
  }
  return g_failures == 0 ? 0 : 1;
}

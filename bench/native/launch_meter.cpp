// Starts a desktop program on the X display and measures, as a player would notice it:
// the time from launch to its main window being mapped, then the memory (proportional
// set size, PSS) 5 s after launch, then the processor time and context switches of every
// process it started (all their threads) over the 10 s that follow, while nothing is
// done to it.
//
//   launch_meter TITLE -- COMMAND [ARG...]
//
// TITLE is a part of the main window's title. The processes counted are those whose
// environment carries the marker this meter puts into the program's (so a wineserver
// or any helper the program starts counts too, and nothing else). Prints one line:
//   map_ms=... pss_kb=... cpu_percent=... switches_per_s=... processes=N
// and ends every process it counted. Exit code 1 when the window did not show in 20 s.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/clock.h"

namespace {

using test_clock::MonotonicMs;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Processes whose environment holds `marker` ("NAME=VALUE").
std::vector<int> MarkedProcesses(const std::string& marker) {
  std::vector<int> found;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return found;
  while (dirent* entry = readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    const std::string environment = ReadFile("/proc/" + std::to_string(pid) + "/environ");
    size_t at = 0;
    while (at < environment.size()) {
      const size_t end = environment.find('\0', at);
      if (environment.compare(at, end - at, marker) == 0) {
        found.push_back(pid);
        break;
      }
      at = end == std::string::npos ? environment.size() : end + 1;
    }
  }
  closedir(proc);
  return found;
}

long PssKb(int pid) {
  std::istringstream lines(ReadFile("/proc/" + std::to_string(pid) + "/smaps_rollup"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("Pss:", 0) == 0) return std::atol(line.c_str() + 4);
  }
  return 0;
}

// What the threads of processes have cost so far: their time on a processor, in
// nanoseconds (the scheduler's own count: finer than the clock ticks of
// /proc/PID/stat), and how often they were switched out, waiting or pre-empted (each
// wake-up of an idle program shows as one).
struct Cost {
  long long cpuNs = 0;
  long long switches = 0;
};

long long Field(const std::string& status, const char* name) {
  const size_t at = status.find(name);
  return at == std::string::npos ? 0 : std::atoll(status.c_str() + at + std::strlen(name));
}

Cost CostOf(const std::vector<int>& pids) {
  Cost cost;
  for (int pid : pids) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* folder = opendir(tasks.c_str());
    if (folder == nullptr) continue;
    while (dirent* entry = readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      const std::string task = tasks + "/" + entry->d_name;
      cost.cpuNs += std::atoll(ReadFile(task + "/schedstat").c_str());
      const std::string status = ReadFile(task + "/status");
      cost.switches += Field(status, "\nvoluntary_ctxt_switches:") +
                       Field(status, "\nnonvoluntary_ctxt_switches:");
    }
    closedir(folder);
  }
  return cost;
}

bool TitleMatches(Display* display, Window window, const char* title) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) return false;
  const bool matches = std::strstr(name, title) != nullptr;
  XFree(name);
  return matches;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: launch_meter TITLE -- COMMAND [ARG...]\n");
    return 2;
  }
  const char* title = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "launch_meter: no X display\n");
    return 2;
  }
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const std::string marker = "ZIRIRAR_LAUNCH_PROBE=" + std::to_string(getpid());
  const double launched = MonotonicMs();
  const pid_t child = fork();
  if (child == 0) {
    putenv(const_cast<char*>(marker.c_str()));
    execvp(argv[3], argv + 3);
    _exit(127);
  }

  // A top-level window is mapped (MapNotify on the root); its title is looked at then,
  // and again as it changes, since a program may name its window after mapping it.
  double mappedAt = -1;
  std::vector<Window> mapped;
  const int fd = ConnectionNumber(display);
  while (mappedAt < 0 && MonotonicMs() - launched < 20000) {
    if (XPending(display) == 0) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(fd, &ready);
      timeval wait = {0, 100000};
      select(fd + 1, &ready, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    // Any top-level window: wine's own, where it manages them itself (no window manager
    // here), are override-redirect.
    if (event.type == MapNotify) {
      if (TitleMatches(display, event.xmap.window, title)) {
        mappedAt = MonotonicMs();
      } else {
        mapped.push_back(event.xmap.window);
        XSelectInput(display, event.xmap.window, PropertyChangeMask);
      }
    } else if (event.type == PropertyNotify) {
      if (TitleMatches(display, event.xproperty.window, title)) mappedAt = MonotonicMs();
    }
  }

  int status = 0;
  if (mappedAt >= 0) {
    const double settle = launched + 5000 - MonotonicMs();
    if (settle > 0) usleep(static_cast<useconds_t>(settle * 1000));
    std::vector<int> pids = MarkedProcesses(marker);
    long pss = 0;
    for (int pid : pids) pss += PssKb(pid);
    const Cost before = CostOf(pids);
    const double from = MonotonicMs();
    sleep(10);
    const double span = MonotonicMs() - from;
    pids = MarkedProcesses(marker);
    const Cost after = CostOf(pids);
    const double cpu = 100.0 * (after.cpuNs - before.cpuNs) / 1e6 / span;
    const double switches = (after.switches - before.switches) * 1000.0 / span;
    std::printf("map_ms=%.1f pss_kb=%ld cpu_percent=%.3f switches_per_s=%.2f processes=%zu\n",
                mappedAt - launched, pss, cpu, switches, pids.size());
  } else {
    std::fprintf(stderr, "launch_meter: no window titled \"%s\" within 20 s\n", title);
    status = 1;
  }
  for (int pid : MarkedProcesses(marker)) kill(pid, SIGTERM);
  usleep(300000);
  for (int pid : MarkedProcesses(marker)) kill(pid, SIGKILL);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  return status;
}

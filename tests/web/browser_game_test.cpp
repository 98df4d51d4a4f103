// The browser game played in headless Chromium: every shared scenario, each in a fresh
// page (a new session of the game), at one device pixel ratio. Serves the built site
// on 127.0.0.1 itself. Prints a line per scenario and "N passed, N failed".
//
// Usage: browser_game_test [--ratio R] [--only NAME] [--verbose] SITE_FOLDER
//   --offline: the first scenario only, played after the page was loaded once and the
//   server stopped.
//   --sound SITE_FOLDER test: the sound test's requests through the page's voice, each
//   printed with its time (tests/linux_sound/check_sound.py records the sound server).
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "sound/sounds.h"
#include "tests/scenarios/scenarios.h"
#include "tests/support/sound_driver.h"
#include "tests/web/browser_player.h"
#include "tests/web/devtools_pipe.h"

namespace {

// The page's viewport in CSS pixels: the board's canvas fills it under the menu bar, about
// the 640 x 480 the Linux game's test plays on.
constexpr int kViewportWidth = 640, kViewportHeight = 520;

// Python's HTTP server over `folder` on a free port of 127.0.0.1, for as long as this
// lives.
class HttpServer {
 public:
  explicit HttpServer(const std::string& folder) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);  // its log of every request
      execl("/usr/bin/python3", "python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
            "--directory", folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    // "Serving HTTP on 127.0.0.1 port N (http://127.0.0.1:N/) ..."
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos && read(out[0], &c, 1) == 1) line += c;
    close(out[0]);
    const size_t at = line.find(" port ");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 6);
  }
  ~HttpServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// Plays `s` on the page `open` gives and prints its line; true when it passed.
bool Play(const scenario::Scenario& s, const char* label,
          const std::function<std::unique_ptr<BrowserPlayer>()>& open, bool verbose) {
  std::string failure;
  std::vector<std::string> notes, errors;
  double captureMs = 0;
  int captures = 0;
  const auto began = std::chrono::steady_clock::now();
  try {
    const std::unique_ptr<BrowserPlayer> page = open();
    BrowserPlayer& player = *page;
    try {
      scenario::RunScenario(s, player);
      // A scenario played through is failed all the same by an error the page left
      // uncaught.
      errors = player.PageErrors();
      for (const std::string& e : errors)
        if (e.rfind("uncaught: ", 0) == 0 && failure.empty()) failure = "the page threw";
    } catch (const std::exception& e) {
      failure = e.what();
      errors = player.PageErrors();
    }
    notes = player.Notes();
    captures = player.Captures();
    captureMs = player.CaptureMs();
  } catch (const std::exception& e) {
    if (failure.empty()) failure = e.what();
  }
  const double took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
  char timing[96];
  std::snprintf(timing, sizeof timing, "%.1f s, %d frames at %.1f ms", took / 1000, captures,
                captures > 0 ? captureMs / captures : 0.0);
  if (failure.empty()) {
    std::printf("PASS %s%s (%s)\n", label, s.name, timing);
  } else {
    std::printf("FAIL %s%s (%s): %s\n", label, s.name, timing, failure.c_str());
    for (const std::string& e : errors) std::printf("  page: %s\n", e.c_str());
  }
  if (verbose || !failure.empty())
    for (const std::string& n : notes) std::printf("  %s\n", n.c_str());
  std::fflush(stdout);
  return failure.empty();
}

// A player who uses neither mouse nor screen: the menu opened with Alt+J on its first
// item, Down and Enter to the Level dialog with the keyboard in its first list, Esc, then
// F2 and the status told through the page's live region. Empty when all went so.
std::string ByKeyboardAlone(BrowserPlayer& page) {
  const auto holds = [&](const std::string& expression) { return page.Eval(expression).Bool(); };
  page.Key("Alt+J");
  if (!holds("document.activeElement.dataset.command === '0' && "
             "!!document.activeElement.closest('[role=menu]') && "
             "document.querySelector('[aria-expanded=true]').textContent === 'Jeu'"))
    return "Alt+J did not open the Jeu menu on its first item";
  page.Key("ArrowDown");
  page.Key("Enter");
  if (!page.WaitUntil(
          2000,
          [&] { return page.DialogCaptions() == std::vector<std::string>{"Choisir un niveau"}; },
          10))
    return "Down and Enter did not open the Level dialog alone";
  if (!holds("document.activeElement.id === 'board-list' && "
             "document.querySelector('dialog[open]').contains(document.activeElement)"))
    return "the Level dialog has not the keyboard in its board list";
  page.Key("Escape");
  if (!page.WaitUntil(
          2000, [&] { return page.DialogCaptions().empty(); }, 10))
    return "Esc did not close the Level dialog";
  page.Key("F2");
  const std::string told = "document.querySelector('[role=status]').textContent";
  if (!page.WaitUntil(
          3000,
          [&] {
            return holds(told + ".startsWith('Watch. Skill 2, board 2, length 1, target 10')");
          },
          10))
    return "the live region says \"" + page.Eval(told).String() + "\", not that the game watches";
  return "";
}

// The page's Web Audio voice as the game's sound output, driven from here.
class PageSoundOutput final : public SoundOutput {
 public:
  explicit PageSoundOutput(BrowserPlayer& page) : page_(page) {}
  void Play(SoundId sound, bool loop) override {
    page_.Eval("Page.play(" + std::to_string(sound) + ", " + (loop ? "1" : "0") + ")");
  }
  void Stop() override { page_.Eval("Page.stop()"); }
  // Returns once the page's sound has faded and its audio context closed.
  void Close() override {
    page_.Eval("Page.closeSound()");
    page_.WaitUntil(
        2000,
        [&] { return page_.Eval("document.documentElement.dataset.sound === 'closed'").Bool(); },
        5);
  }

 private:
  BrowserPlayer& page_;
};

// `--sound test`: the sound test's programme of requests (tests/support/sound_driver.h)
// through the page's voice, once a key has let its sound start, for check_sound.py.
int DriveSound(BrowserPlayer& page) {
  page.Key("d");  // no square at rest: a key a player might press first
  if (!page.WaitUntil(
          5000,
          [&] {
            return page
                .Eval(
                    "!!Page.audio && Page.audio.context.state === 'running' && "
                    "Page.audio.buffers.filter(Boolean).length === " +
                    std::to_string(kSoundCount))
                .Bool();
          },
          20))
    page.Fail("the page's sound did not start with the first key");
  GameSession game;
  PageSoundOutput output(page);
  GatedSoundPlayer player(game, output);
  sound_driver::Driver driver(player);
  sound_driver::TestProgramme(driver);
  driver.Report();
  driver.Shutdown(output);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: browser_game_test [--ratio R] [--only NAME] [--verbose] [--offline] "
               "SITE_FOLDER\n       browser_game_test --sound SITE_FOLDER test\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  double ratio = 1;
  std::string only, site;
  bool verbose = false, offline = false, sound = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--offline") {
      offline = true;
    } else if (arg == "--sound" && i + 2 < argc && std::string(argv[i + 2]) == "test") {
      sound = true;
      site = argv[++i];
      ++i;
    } else if (arg == "--ratio" && i + 1 < argc) {
      ratio = std::atof(argv[++i]);
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--verbose") {
      verbose = true;
    } else if (arg[0] != '-' && site.empty()) {
      site = arg;
    } else {
      return Usage();
    }
  }
  if (site.empty() || ratio <= 0) return Usage();
  if (access((site + "/index.html").c_str(), R_OK) != 0) {
    std::printf("no %s/index.html: build the site first\n0 passed, 1 failed\n", site.c_str());
    return 1;
  }

  auto server = std::make_unique<HttpServer>(site);
  if (server->Port() == 0) {
    std::printf("the HTTP server did not start\n0 passed, 1 failed\n");
    return 1;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(server->Port()) + "/";

  std::unique_ptr<devtools::Browser> browser;
  try {
    // Drawn by the processor alone, as the reference panel is; heard by nobody. The
    // screen's own ratio: an emulated one alone leaves the canvas's device-pixel box
    // (ResizeObserver) in CSS pixels. Frames on demand: a screenshot then takes about
    // 20 ms instead of 50 (the page's animation frames keep their 60 Hz).
    char scale[64];
    std::snprintf(scale, sizeof scale, "--force-device-scale-factor=%g", ratio);
    std::vector<std::string> flags = {"--disable-gpu", "--disable-frame-rate-limit", scale};
    if (!sound) flags.push_back("--mute-audio");
    browser = std::make_unique<devtools::Browser>(flags);
  } catch (const std::exception& e) {
    std::printf("%s\n0 passed, 1 failed\n", e.what());
    return 1;
  }

  const auto newPage = [&] {
    return std::make_unique<BrowserPlayer>(*browser, url, kViewportWidth, kViewportHeight, ratio);
  };
  if (sound) {
    try {
      const std::unique_ptr<BrowserPlayer> page = newPage();
      return DriveSound(*page);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "browser_game_test: %s\n", e.what());
      return 1;
    }
  }

  int passed = 0, failed = 0;
  for (const scenario::Scenario& s : scenario::AllScenarios()) {
    if (!only.empty() && only != s.name) continue;
    if (offline) {
      // After one visit, the page loads and plays with no server at all: what its service
      // worker kept. The first scenario is played on the page loaded again.
      const auto reloaded = [&] {
        std::unique_ptr<BrowserPlayer> page = newPage();
        page->Eval(
            "navigator.serviceWorker.ready.then(() => new Promise(kept => {"
            "  const look = () => navigator.serviceWorker.controller ? kept(true)"
            "                                                        : setTimeout(look, 20);"
            "  look(); }))",
            false, true);
        server.reset();
        page->Open(url, kViewportWidth, kViewportHeight);
        return page;
      };
      (Play(s, "offline: ", reloaded, verbose) ? passed : failed)++;
      break;
    }
    (Play(s, "", newPage, verbose) ? passed : failed)++;
  }
  if (only.empty() && !offline) {
    std::string failure;
    try {
      failure = ByKeyboardAlone(*newPage());
    } catch (const std::exception& e) {
      failure = e.what();
    }
    (failure.empty() ? passed : failed)++;
    std::printf("%s by_keyboard_alone%s%s\n", failure.empty() ? "PASS" : "FAIL",
                failure.empty() ? "" : ": ", failure.c_str());
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

// The browser game played in one of Debian's browser engines: every shared scenario, each
// in a fresh page (a new session of the game); a player who uses the keyboard alone; the
// page at a phone's size in both orientations, by touch; the board sharp at the screen's
// ratio; the page again with its server stopped. Serves the built site on 127.0.0.1.
//
// Usage: browser_game_test --engine=chromium|firefox|webkit [--ratio=R] --site=DIR
//                          [GoogleTest's flags]
//        browser_game_test --engine=E --sound --site=DIR test
//          the sound test's requests through the page's voice, each printed with its
//          time (tests/linux_sound/check_sound.py records the sound server)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "sound/sounds.h"
#include "tests/scenarios/scenarios.h"
#include "tests/support/sound_driver.h"
#include "tests/support/sound_programmes.h"
#include "tests/web/browser_player.h"

namespace {

// The page's viewport in CSS pixels: the board's canvas fills it under the menu bar, about
// the 640 x 480 the Linux game's test plays on.
constexpr int kViewportWidth = 640, kViewportHeight = 520;
// A phone held upright, and turned.
constexpr int kPhoneWidth = 390, kPhoneHeight = 844;

// Python's HTTP server over `folder` on a free port of 127.0.0.1, for as long as this
// lives.
class HttpServer {
 public:
  explicit HttpServer(const std::string& folder) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);  // for its log of every request
    pid_ = Spawn({"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                  "--directory", folder},
                 -1, out[1], null, SIGKILL);
    close(null);
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
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// What every test shares: the engine, the site's server.
std::string g_engine;
std::unique_ptr<HttpServer> g_server;
std::unique_ptr<Browser> g_browser;
std::string g_url;

using Captions = std::vector<std::string>;

std::unique_ptr<BrowserPlayer> NewPage(int width = kViewportWidth, int height = kViewportHeight,
                                       bool touch = false) {
  return std::make_unique<BrowserPlayer>(*g_browser, g_url, width, height, touch);
}

// Runs `play` on `page`, and fails the test with what the player saw, the page's errors
// and its notes, also when the page threw an error it did not catch.
void PlayAndJudge(BrowserPlayer& page, const std::function<void()>& play) {
  std::string failure;
  try {
    play();
  } catch (const ScenarioFailure& e) {
    failure = e.what();
  }
  for (const std::string& e : page.PageErrors()) {
    if (failure.empty() && e.rfind("uncaught: ", 0) == 0) failure = "the page threw";
    std::printf("  page: %s\n", e.c_str());
  }
  if (!failure.empty())
    for (const std::string& n : page.Notes()) std::printf("  %s\n", n.c_str());
  EXPECT_EQ(failure, "");
}

}  // namespace

namespace scenario {
void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }
}  // namespace scenario

namespace {

class Scenarios : public testing::TestWithParam<scenario::Scenario> {};

TEST_P(Scenarios, Plays) {
  const std::unique_ptr<BrowserPlayer> page = NewPage();
  PlayAndJudge(*page, [&] { scenario::RunScenario(GetParam(), *page); });
}

INSTANTIATE_TEST_SUITE_P(Shared, Scenarios, testing::ValuesIn(scenario::AllScenarios()),
                         [](const testing::TestParamInfo<scenario::Scenario>& info) {
                           return std::string(info.param.name);
                         });

// A player who uses neither mouse nor screen: the menu opened with Alt+J on its first
// item, Down and Enter to the Level dialog with the keyboard in its first list, Esc, then
// F2 and the status told through the page's live region.
TEST(Keyboard, AloneOpensTheMenuAndADialogAndHearsTheStatus) {
  const std::unique_ptr<BrowserPlayer> page = NewPage();
  PlayAndJudge(*page, [&] {
    page->Key("Alt+J");
    if (!page->Eval("document.activeElement.dataset.command === '0' && "
                    "!!document.activeElement.closest('[role=menu]') && "
                    "document.querySelector('[aria-expanded=true]').textContent === 'Jeu'")
             .get<bool>())
      page->Fail("Alt+J did not open the Jeu menu on its first item");
    page->Key("ArrowDown");
    page->Key("Enter");
    if (!page->Await(2000, 10,
                     [&] { return page->DialogCaptions() == Captions{"Choisir un niveau"}; }))
      page->Fail("Down and Enter did not open the Level dialog alone");
    if (!page->Eval("document.activeElement.id === 'board-list' && "
                    "document.querySelector('dialog[open]').contains(document.activeElement)")
             .get<bool>())
      page->Fail("the Level dialog has not the keyboard in its board list");
    page->Key("Escape");
    if (!page->Await(2000, 10, [&] { return page->DialogCaptions().empty(); }))
      page->Fail("Esc did not close the Level dialog");
    page->Key("F2");
    const std::string told = "document.querySelector('[role=status]').textContent";
    if (!page->WaitFor(told + ".startsWith('Watch. Skill 2, board 2, length 1, target 10')", 3000))
      page->Fail("the live region says " + page->Eval(told).dump() + ", not that the game watches");
  });
}

// Whether every element the page shows lies inside the viewport, whole: the menu bar,
// the board, and the open dialog with its buttons. Empty when so, else what sticks out.
std::string WhatIsCutOff(BrowserPlayer& page) {
  return page
      .Eval(R"((() => {
    const out = [];
    const shown = [...document.querySelectorAll(
        '#menubar button, #board, dialog[open], dialog[open] button, dialog[open] select')];
    for (const e of shown) {
      const r = e.getBoundingClientRect();
      if (r.left < 0 || r.top < 0 || r.right > innerWidth || r.bottom > innerHeight ||
          r.width === 0 || r.height === 0)
        out.push((e.id || e.textContent.trim().slice(0, 12)) + ' at ' +
                 [r.left, r.top, r.right, r.bottom].map(Math.round).join(','));
    }
    return out.join('; ');
  })())")
      .get<std::string>();
}

// A phone, upright and turned: nothing cut off; the menus, the Level and Instructions
// dialogs and the board played by touch. WebKitGTK's automation has no touch input (the
// mouse plays there), and its MiniBrowser window is never narrower than 447 pixels (only
// the phone turned, there).
TEST(Phone, FitsBothOrientationsAndPlaysByTouch) {
  const bool webkit = g_engine == "webkit";
  if (webkit) std::printf("  WebKitGTK: turned only, taps are clicks\n");
  const std::unique_ptr<BrowserPlayer> page =
      webkit ? NewPage(kPhoneHeight, kPhoneWidth) : NewPage(kPhoneWidth, kPhoneHeight, true);
  PlayAndJudge(*page, [&] {
    const auto fits = [&](const std::string& what) {
      const std::string cut = WhatIsCutOff(*page);
      if (!cut.empty()) page->Fail(what + " is cut off: " + cut);
    };
    // Jeu or Aide, then one of its items.
    const auto choose = [&](int menu, int command) {
      page->Press("#menu-" + std::to_string(menu));
      page->Press("[data-command='" + std::to_string(command) + "']");
    };
    const auto dialog = [&](int menu, int command, const char* caption, const char* button) {
      choose(menu, command);
      if (!page->Await(2000, 10, [&] { return page->DialogCaptions() == Captions{caption}; }))
        page->Fail(std::string("a tap on its item did not open \"") + caption + "\"");
      fits(std::string("\"") + caption + "\"");
      page->Press(std::string("dialog[open] button[value='") + button + "']");
      if (!page->Await(2000, 10, [&] { return page->DialogCaptions().empty(); }))
        page->Fail(std::string("a tap on its button did not close \"") + caption + "\"");
    };
    for (const bool turned : {false, true}) {
      if (turned && !webkit) page->Resize(kPhoneHeight, kPhoneWidth);
      if (!turned && webkit) continue;
      fits(turned ? "the page turned" : "the page upright");
      dialog(0, 1, screen::kLevelCaption, "ok");
      dialog(1, 5, screen::kInstructionsCaption, "close");
      choose(0, 2);  // Jeu Libre
      const screen::Frame board = page->Capture();
      const screen::Geometry g = screen::Geometry::For(1, board.Width(), board.Height());
      const int square = turned ? 3 : 0;
      page->Click(g.CentreX(square), g.CentreY(square));
      if (!page->Await(2000, 10, [&] { return page->Capture().LitSquare(g) == square; }))
        page->Fail("a tap on square " + std::to_string(square) + " did not light it");
    }
  });
}

// The page's sound starts with the player's first key, whatever it is, even after the
// page came to rest: Safari lets sound start within a key, click or tap only (WebKit
// keeps that rule here), and the game may play its first note long after it (here a new
// game sent by the page's script, no gesture at all). Without a sound server Firefox's
// sound never runs: its sound test has the first key start it.
TEST(Sound, StartsWithTheFirstKeyAfterRest) {
  if (g_engine == "firefox") GTEST_SKIP() << "no sound server: see browser_game_sound_firefox";
  const std::unique_ptr<BrowserPlayer> page = NewPage();
  PlayAndJudge(*page, [&] {
    const std::string state = "Page.audio ? Page.audio.context.state : 'none'";
    if (!page->WaitFor("!!Page.audio && Page.audio.resting", 5000, 50))
      page->Fail("the page's sound did not come to rest");
    page->Type('x', false);  // no square's, no command's
    // WebKit lends a gesture to the timers started within it, for a second.
    page->Await(1500, 50, [] { return false; });
    page->Run(screen::kNewGame);
    if (!page->WaitFor("(" + state + ") === 'running'", 3000, 20))
      page->Fail("the sound is " + page->Eval(state).dump() + " at the new game's first note");
  });
}

// What WebKit lacks, taken away from the other engines before the page's own script runs:
// the canvas's device-pixel box.
constexpr char kWithoutDevicePixelBox[] = R"(
  const observe = ResizeObserver.prototype.observe;
  ResizeObserver.prototype.observe = function (target, options) {
    if (options && options.box === 'device-pixel-content-box') throw new TypeError('Type error');
    return observe.call(this, target, options);
  };
  delete ResizeObserverEntry.prototype.devicePixelContentBoxSize;)";

// The board sharp at the screen's ratio, with the engine's device-pixel box and without it
// (as in WebKit): the canvas has its box's device pixels and every grid line lands whole
// (the player's capture checks both). Where the engine's automation changes a page's
// ratio as a zoom does (Firefox's), the board is drawn sharp again at each new one; its
// device-pixel box does not follow such an emulated ratio, so without it only.
TEST(Sharp, AtTheScreensRatioWithAndWithoutTheDevicePixelBox) {
  for (const bool withBox : {true, false}) {
    if (!withBox && g_engine == "webkit") continue;  // WebKit has none; no script runs before
    SCOPED_TRACE(withBox ? "with the device-pixel box" : "without the device-pixel box");
    const auto page =
        std::make_unique<BrowserPlayer>(*g_browser, g_url, kViewportWidth, kViewportHeight, false,
                                        withBox ? "" : kWithoutDevicePixelBox);
    PlayAndJudge(*page, [&] {
      if (withBox || g_engine != "firefox") return;
      for (const double ratio : {2.0, 1.5, 1.0}) page->Zoom(ratio);
    });
  }
}

// After one visit, the page loads and plays with no server at all: what its service worker
// kept. The first scenario, on the page loaded again.
TEST(Offline, PlaysWithItsServerStopped) {
  const std::unique_ptr<BrowserPlayer> page = NewPage();
  PlayAndJudge(*page, [&] {
    page->Eval(
        "navigator.serviceWorker.ready.then(() => new Promise(kept => {"
        "  const look = () => navigator.serviceWorker.controller ? kept(true)"
        "                                                        : setTimeout(look, 20);"
        "  look(); }))");
    g_server.reset();
    page->Open(g_url);
    scenario::RunScenario(scenario::AllScenarios().front(), *page);
  });
}

// The page's Web Audio voice as the game's sound output, driven from here. How long each
// request held the page is timed in the page: the round trip through the browser's
// automation is the test's own, and a busy machine stretches it.
class PageSoundOutput final : public SoundOutput {
 public:
  explicit PageSoundOutput(BrowserPlayer& page) : page_(page) {}
  void Play(SoundId sound, bool loop) override {
    Timed("Page.play(" + std::to_string(sound) + ", " + (loop ? "1" : "0") + ")");
  }
  void Stop() override { Timed("Page.stop()"); }
  void Report() const { times_.Report(" (in the page)"); }
  // Returns once the page's sound has faded and its audio context closed.
  void Close() override {
    page_.Eval("Page.closeSound()");
    page_.WaitFor("document.documentElement.dataset.sound === 'closed'", 2000, 5);
  }

 private:
  void Timed(const std::string& call) {
    const double ms = page_.Eval("(() => { const t = performance.now(); " + call +
                                 "; return performance.now() - t; })()");
    times_.Add(ms);
  }

  BrowserPlayer& page_;
  RequestTimes times_;
};

// Where the engine counts them (Chromium's playbackStats, updated once a second), the
// times its audio thread missed the output's deadline, as they grow.
constexpr char kCountUnderruns[] = R"((() => {
  const stats = Page.audio.context.playbackStats;
  if (!stats) return false;
  let last = stats.underrunEvents;
  window.underruns = [];
  setInterval(() => {
    if (stats.underrunEvents === last) return;
    last = stats.underrunEvents;
    underruns.push([performance.timeOrigin + performance.now(), last]);
  }, 250);
  return true;
})())";

// The sound run's exit status where it cannot judge (check_sound.py passes it on).
constexpr int kNotJudged = 77;

// The sound test's programme of requests (tests/support/sound_programmes.h) through the
// page's voice, once a key has let its sound start, for check_sound.py.
int DriveSound() {
  const std::unique_ptr<BrowserPlayer> page = NewPage();
  page->Key("d");  // no square at rest: a key a player might press first
  if (!page->WaitFor("!!Page.audio && Page.audio.context.state === 'running' && "
                     "Page.audio.buffers.filter(Boolean).length === " +
                         std::to_string(kSoundCount),
                     5000, 20))
    page->Fail("the page's sound did not start with the first key");
  const bool counted = page->Eval(kCountUnderruns);
  GameSession game;
  PageSoundOutput output(*page);
  GatedSoundPlayer player(game, output);
  sound_driver::Driver driver(player);
  TestProgramme(driver);
  output.Report();
  // "underrun UNIX_MICROSECONDS COUNT": check_sound.py judges no note the browser starved.
  if (counted)
    for (const Json& seen : page->Eval("underruns"))
      std::printf("underrun %.0f %d\n", seen[0].get<double>() * 1000, seen[1].get<int>());
  driver.Shutdown(output);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  double ratio = 1;
  bool sound = false;
  std::string site;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--engine=", 0) == 0)
      g_engine = arg.substr(9);
    else if (arg.rfind("--ratio=", 0) == 0)
      ratio = std::atof(arg.c_str() + 8);
    else if (arg.rfind("--site=", 0) == 0)
      site = arg.substr(7);
    else if (arg == "--sound")
      sound = true;
    else if (!(sound && arg == "test")) {
      std::fprintf(stderr, "browser_game_test: what is %s?\n", arg.c_str());
      return 2;
    }
  }
  if (g_engine.empty() || site.empty() || ratio <= 0) {
    std::fprintf(stderr,
                 "usage: browser_game_test --engine=chromium|firefox|webkit [--ratio=R] "
                 "--site=DIR [--sound ... test]\n");
    return 2;
  }
  if (access((site + "/index.html").c_str(), R_OK) != 0) {
    std::fprintf(stderr, "no %s/index.html: build the site first\n", site.c_str());
    return 1;
  }
  g_server = std::make_unique<HttpServer>(site);
  if (g_server->Port() == 0) {
    std::fprintf(stderr, "the HTTP server did not start\n");
    return 1;
  }
  g_url = g_server->Url();
  int status = 1;
  try {
    g_browser = std::make_unique<Browser>(g_engine, ratio, sound);
    status = sound ? DriveSound() : RUN_ALL_TESTS();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "browser_game_test: %s\n", e.what());
    // The page's sound cannot be judged through a browser whose own audio hangs.
    if (sound && g_browser && g_browser->AudioDeadlocked()) {
      std::printf(
          "not judged: %s's own audio deadlocked (its audio server waits for "
          "PulseAudio's mainloop, which waits in a callback)\n",
          g_engine.c_str());
      status = kNotJudged;
    }
  }
  g_browser.reset();
  g_server.reset();
  return status;
}

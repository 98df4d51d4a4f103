// Measures the browser game in headless Chromium through the DevTools protocol, from
// outside the page (bench/web/run.sh):
//
//   page_bench load URL RUNS      navigation start to the frame after the board's first
//                                 paint, each run in a fresh browser context (no cache)
//   page_bench keys URL ROUNDS    free play opened with the menu's mnemonics (Alt+J, L),
//                                 then the keys of board 2 pressed 700 ms apart; before
//                                 each press "play UNIX_MICROSECONDS aNN" (its note), at
//                                 the end "stop UNIX_MICROSECONDS -" (key_sound.py)
//   page_bench ticks URL SECONDS  the game kept moving in free play (a key every fifth
//                                 tick) while each tick's lateness is recorded
//   page_bench idle URL SECONDS   the processor time of the page's renderer and of the
//                                 whole browser while the game rests, beside a blank page
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/web/devtools_pipe.h"

namespace {

using devtools::Browser;
using devtools::Json;
using devtools::Page;
using devtools::Quote;

long long UnixMicroseconds() {
  timeval now;
  gettimeofday(&now, nullptr);
  return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_usec;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Json Eval(Browser& browser, const Page& page, const std::string& expression) {
  return browser.Call("Runtime.evaluate",
                      "{\"expression\":" + Quote(expression) + ",\"returnByValue\":true}",
                      page.session)["result"]["value"];
}

// Waits up to `limitMs` for `expression` to be true in the page.
bool WaitFor(Browser& browser, const Page& page, const std::string& expression, int limitMs) {
  for (int waited = 0; waited < limitMs; waited += 20) {
    const Json value = Eval(browser, page, expression);
    if (value.type() == Json::Type::kBool && value.Bool()) return true;
    Sleep(20);
  }
  return false;
}

Page Open(Browser& browser, const std::string& url, const std::string& onNewDocument = "") {
  const Page page = browser.OpenPage();
  browser.Call("Page.enable", "{}", page.session);
  browser.Call("Emulation.setDeviceMetricsOverride",
               "{\"width\":640,\"height\":505,\"deviceScaleFactor\":1,\"mobile\":false}",
               page.session);
  if (!onNewDocument.empty())
    browser.Call("Page.addScriptToEvaluateOnNewDocument",
                 "{\"source\":" + Quote(onNewDocument) + "}", page.session);
  browser.Call("Page.navigate", "{\"url\":" + Quote(url) + "}", page.session);
  if (!WaitFor(browser, page, "typeof Page === 'object' && Page.painted === true", 10000)) {
    std::fprintf(stderr, "page_bench: the board was not drawn\n");
    std::exit(1);
  }
  return page;
}

// A key press as a keyboard makes it: a character key with its text, or a named key.
void Press(Browser& browser, const Page& page, char key, int modifiers = 0) {
  const std::string k(1, key), code = std::string("Key") + static_cast<char>(std::toupper(key));
  const std::string common = "\"key\":" + Quote(k) + ",\"code\":" + Quote(code) +
                             ",\"windowsVirtualKeyCode\":" + std::to_string(std::toupper(key)) +
                             ",\"modifiers\":" + std::to_string(modifiers);
  const std::string text = modifiers == 0 ? ",\"text\":" + Quote(k) : "";
  browser.Call("Input.dispatchKeyEvent",
               "{\"type\":\"" + std::string(modifiers == 0 ? "keyDown" : "rawKeyDown") + "\"," +
                   common + text + "}",
               page.session);
  browser.Call("Input.dispatchKeyEvent", "{\"type\":\"keyUp\"," + common + "}", page.session);
}

void OpenFreePlay(Browser& browser, const Page& page) {
  Press(browser, page, 'j', 1);  // Alt+J
  Press(browser, page, 'l');
  if (!WaitFor(browser, page, "document.getElementById('status').textContent.startsWith('Free')",
               3000)) {
    std::fprintf(stderr, "page_bench: free play did not open\n");
    std::exit(1);
  }
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[static_cast<size_t>(p * (values.size() - 1))];
}

void Load(Browser& browser, const std::string& url, int runs) {
  // The frame after the one in which the board was first painted, on the page's clock
  // (0 is the navigation's start).
  const char* watch =
      "(function poll() { requestAnimationFrame(() => {"
      "  if (typeof Page === 'object' && Page.painted)"
      "    requestAnimationFrame(t => { window.boardShownMs = performance.now(); });"
      "  else poll(); }); })();";
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const Page page = Open(browser, url, watch);
    if (!WaitFor(browser, page, "typeof boardShownMs === 'number'", 5000)) {
      std::fprintf(stderr, "page_bench: no frame after the board's paint\n");
      std::exit(1);
    }
    times.push_back(Eval(browser, page, "boardShownMs").Number());
    browser.ClosePage(page);
  }
  std::printf("first frame showing the board, ms: median %.1f, min %.1f, max %.1f (%d runs)\n",
              Percentile(times, 0.5), Percentile(times, 0), Percentile(times, 1), runs);
}

void Keys(Browser& browser, const std::string& url, int rounds) {
  const Page page = Open(browser, url);
  OpenFreePlay(browser, page);
  if (!WaitFor(browser, page, "!!Page.audio && Page.audio.context.state === 'running'", 5000)) {
    std::fprintf(stderr, "page_bench: the page's audio did not start\n");
    std::exit(1);
  }
  struct Key {
    char key;
    const char* note;
  };
  const Key keys[] = {{'e', "a58"}, {'r', "a62"}, {'d', "a65"}, {'f', "a70"}};
  for (int round = 0; round < rounds; ++round) {
    for (const Key& key : keys) {
      std::printf("play %lld %s\n", UnixMicroseconds(), key.note);
      std::fflush(stdout);
      Press(browser, page, key.key);
      Sleep(700);
    }
  }
  std::printf("stop %lld -\n", UnixMicroseconds());
}

void Ticks(Browser& browser, const std::string& url, int seconds) {
  const Page page = Open(browser, url);
  // Each batch of ticks as the page's clock hands it over: when, and the ticks due.
  Eval(browser, page,
       "window.ticks = []; const due = Page.ticksDue;"
       "Page.ticksDue = clock => { const before = clock.done; due(clock);"
       "  if (clock.done > before) ticks.push([performance.now() - clock.origin, clock.done]); };"
       "true");
  OpenFreePlay(browser, page);
  const double end = UnixMicroseconds() / 1000.0 + seconds * 1000.0;
  const char keys[] = {'e', 'r', 'd', 'f'};
  for (int i = 0; UnixMicroseconds() / 1000.0 < end; ++i) {
    Press(browser, page, keys[i % 4]);
    Sleep(250);
  }
  const Json ticks = Eval(browser, page, "ticks");
  std::vector<double> errors;
  int batches = 0, late = 0;
  double lastDrift = 0;
  for (size_t i = 0; i < ticks.Size(); ++i) {
    const double at = ticks[i][0].Number(), done = ticks[i][1].Number();
    const double error = at - done * 50;  // after the last tick's due time
    errors.push_back(error);
    lastDrift = error / 50;
    ++batches;
    if (i > 0 && done - ticks[i - 1][1].Number() > 1) ++late;
  }
  std::printf(
      "ticks: %d batches over %d s; error ms p50 %.2f, p99 %.2f, max %.2f; "
      "batches of more than one tick %d; drift at the end %.3f ticks\n",
      batches, seconds, Percentile(errors, 0.5), Percentile(errors, 0.99), Percentile(errors, 1),
      late, lastDrift);
}

// The processor time, in seconds, of the renderers and of every process of the browser.
void ProcessorTime(Browser& browser, double& renderers, double& all) {
  const Json processes = browser.Call("SystemInfo.getProcessInfo")["processInfo"];
  renderers = all = 0;
  for (size_t i = 0; i < processes.Size(); ++i) {
    const double cpu = processes[i]["cpuTime"].Number();
    all += cpu;
    if (processes[i]["type"].String() == "renderer") renderers += cpu;
  }
}

void Idle(const std::string& url, int seconds) {
  for (const std::string& what : {std::string("about:blank"), url}) {
    Browser fresh;
    const Page page = fresh.OpenPage();
    fresh.Call("Page.navigate", "{\"url\":" + Quote(what) + "}", page.session);
    if (what != "about:blank") {
      WaitFor(fresh, page, "typeof Page === 'object' && Page.painted === true", 10000);
      Press(fresh, page, 'd');  // a player's first key: the sound starts, then rests
    }
    Sleep(4000);
    double renderers0, all0, renderers1, all1;
    ProcessorTime(fresh, renderers0, all0);
    Sleep(seconds * 1000);
    ProcessorTime(fresh, renderers1, all1);
    std::printf("idle %s: renderer %.2f %%, whole browser %.2f %% of a core over %d s\n",
                what == "about:blank" ? "blank page" : "game",
                100 * (renderers1 - renderers0) / seconds, 100 * (all1 - all0) / seconds, seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: page_bench load|keys|ticks|idle URL N\n");
    return 2;
  }
  const std::string mode = argv[1], url = argv[2];
  const int n = std::atoi(argv[3]);
  try {
    if (mode == "idle") {
      Idle(url, n);
    } else {
      Browser browser;
      if (mode == "load") Load(browser, url, n);
      if (mode == "keys") Keys(browser, url, n);
      if (mode == "ticks") Ticks(browser, url, n);
    }
  } catch (const devtools::Error& error) {
    std::fprintf(stderr, "page_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}

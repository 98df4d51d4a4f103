// The browser game played in one of Debian's browser engines as a player would: real key
// presses, clicks and taps through the engine's own automation, the menu's items and
// dialogs as the page shows them, and the board's canvas as the engine shows it on the
// screen (a screenshot of its box, in device pixels). The engine is driven by
// tests/web/browsers.mjs, a child process spoken to in JSON lines.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/scenarios/local_player.h"

using Json = nlohmann::json;

// Starts `argv` with its standard input, output and error on `in`, `out` and `err` (-1:
// this process's), sent `deathSignal` when this process ends. Its pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, int in, int out, int err, int deathSignal);

// One engine ("chromium", "firefox" or "webkit") at one device pixel ratio, for as long
// as this lives. Throws std::runtime_error when it cannot start or stops answering.
class Browser {
 public:
  Browser(const std::string& engine, double ratio, bool sound = false);
  ~Browser();
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // One request ({op, page, args}: browsers.mjs); the value it gives, or a
  // std::runtime_error with the engine's complaint. A screenshot's pixels, which follow
  // its reply, go to `bytes`.
  Json Request(const Json& request, std::vector<uint8_t>* bytes = nullptr);
  const std::string& Engine() const { return engine_; }
  double Ratio() const { return ratio_; }
  // Whether the browser's own audio is deadlocked: in one of its processes, the audio
  // server's thread waits for PulseAudio's mainloop lock while the mainloop's thread
  // waits too, inside a PulseAudio callback (Firefox's audio remoting over its
  // PulseAudio backend; nothing a page does can free it).
  bool AudioDeadlocked() const;

 private:
  std::string engine_;
  double ratio_;
  pid_t pid_ = -1;
  bool hung_ = false;  // a request went unanswered: the rest fail at once
  FILE* requests_ = nullptr;
  FILE* replies_ = nullptr;
};

class BrowserPlayer final : public scenario::LocalPlayer {
 public:
  // Opens `url` in a new page of `browser` (a new session of the game) with a viewport of
  // `width` x `height` CSS pixels, as a phone's touch screen with `touch`, `preload` run
  // before the page's own script, and waits until the board is drawn sharp.
  BrowserPlayer(Browser& browser, const std::string& url, int width, int height, bool touch = false,
                const std::string& preload = "");
  ~BrowserPlayer();  // closes the page

  screen::Frame Capture() override;
  void Click(int x, int y) override;
  SCENARIO_PLAYER_FUNCTIONS(override)

  const std::vector<std::string>& Notes() const { return notes_; }
  // What the page threw and did not catch ("uncaught: ..."), and its console's errors,
  // since last asked.
  std::vector<std::string> PageErrors();

  // Loads `url` into this page again (the same browser, its service worker and what it
  // keeps) and waits for the board.
  void Open(const std::string& url);
  // The viewport made `width` x `height` CSS pixels (a phone turned), or the page's
  // device pixel ratio made `ratio` as a zoom does; then waits for the board drawn sharp
  // again.
  void Resize(int width, int height);
  void Zoom(double ratio);
  Json Eval(const std::string& expression) { return Call("eval", expression); }
  // Waits up to `limitMs` for the page's `expression` to hold.
  bool WaitFor(const std::string& expression, int limitMs, int pollMs = 10) {
    return Await(limitMs, pollMs, [&] { return Eval(expression).get<bool>(); });
  }
  // A finger's tap on a touch screen, else a click, at the centre of what `selector` finds.
  void Press(const std::string& selector);

 private:
  void Pause(int ms) override;

  struct Canvas {
    double left = 0, top = 0, width = 0, height = 0;  // its box, CSS pixels
    int deviceWidth = 0, deviceHeight = 0;            // canvas.width and height
    screen::Colour background = 0, text = 0;
    NLOHMANN_DEFINE_TYPE_INTRUSIVE(Canvas, left, top, width, height, deviceWidth, deviceHeight,
                                   background, text)
  };

  // The page's method `op` of browsers.mjs with `args`: its value; a failure fails.
  template <typename... Args>
  Json Call(const char* op, const Args&... args) {
    return Send(op, Json::array({Json(args)...}));
  }
  Json Send(const char* op, const Json& args, std::vector<uint8_t>* bytes = nullptr);
  bool ItemFlag(Command command, const char* attribute);
  Canvas Board();
  // The canvas's box on the screen; with `sizeMustAgree` a screenshot of another size than
  // the canvas fails, else gives an empty frame.
  screen::Frame Grab(bool sizeMustAgree);
  void MouseClick(double x, double y);  // CSS pixels of the viewport; a tap on a touch screen
  void NeedOneDialog();
  void AwaitBoard();

  Browser& browser_;
  int page_ = 0;
  bool touch_;
  double ratio_;
  int width_, height_;
  std::vector<std::string> notes_;
  struct Panel {
    int points;                          // the status font's size it was drawn at
    std::vector<screen::Colour> pixels;  // the status panel's, row by row
  };
  std::map<std::string, Panel> panels_;  // reference panels drawn, by what they show
};

// The browser game played in headless Chromium through the DevTools protocol, as a player
// would: real key presses and clicks through the browser's input, the menu's items and
// dialogs as the page shows them, and the board's canvas as the browser shows it on the
// screen (a screenshot of its box, in device pixels).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/scenarios/scenarios.h"
#include "tests/web/devtools_pipe.h"

class BrowserPlayer final : public scenario::ScenarioPlayer {
 public:
  // Opens `url` in a new page of `browser` (a new session of the game) with a viewport of
  // `width` x `height` CSS pixels at `ratio` device pixels each, and waits until the
  // board is drawn.
  BrowserPlayer(devtools::Browser& browser, const std::string& url, int width, int height,
                double ratio);
  ~BrowserPlayer();  // closes the page

  double NowMs() override;
  bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) override;
  screen::Frame Capture() override;
  void Command(uint16_t command) override;
  void Key(const std::string& key) override;
  void Type(char typed, bool autoRepeat) override;
  void Click(int x, int y) override;
  bool MenuEnabled(uint16_t command) override;
  bool SoundChecked() override;
  std::vector<std::string> DialogCaptions() override;
  void LevelChoice(int& board, int& skill) override;
  void ChooseLevel(int board, int skill) override;
  void CloseDialog() override;
  std::string DialogText() override;
  std::string CheckPanel(const screen::Frame& frame, const screen::Geometry& g, int skill,
                         int board, int length, int target, const char* word,
                         screen::Colour wordColour) override;
  int QuitAndWait() override;
  void Note(const std::string& line) override;
  [[noreturn]] void Fail(const std::string& what) override;

  const std::vector<std::string>& Notes() const { return notes_; }
  int Captures() const { return captures_; }
  double CaptureMs() const { return captureMs_; }  // all captures together
  // What the page threw and did not catch ("uncaught: ..."), and its console errors
  // ("console.error: ..."), since last asked.
  std::vector<std::string> PageErrors();

  // Loads `url` into this page again (the same browser context, its service worker and
  // what it keeps) and waits for the board.
  void Open(const std::string& url, int width, int height);
  devtools::Json Eval(const std::string& expression, bool userGesture = false,
                      bool awaitPromise = false);

 private:
  struct Canvas {
    double left = 0, top = 0, width = 0, height = 0;  // its box, CSS pixels
    int deviceWidth = 0, deviceHeight = 0;            // canvas.width and height
    screen::Colour background = 0, text = 0;
  };

  devtools::Json Call(const std::string& method, const std::string& params = "{}");
  bool ItemFlag(uint16_t command, const char* attribute);
  Canvas Board();
  // The canvas's box on the screen; with `sizeMustAgree` a screenshot of another size than
  // the canvas fails, else gives an empty frame.
  screen::Frame Grab(bool sizeMustAgree);
  void KeyEvent(const std::string& key, const std::string& code, int virtualKey,
                const std::string& text, int modifiers, bool autoRepeat);
  void MouseClick(double x, double y);  // CSS pixels of the viewport
  void NeedOneDialog();

  devtools::Browser& browser_;
  devtools::Page page_;
  double ratio_;
  double clockZero_;
  std::vector<std::string> notes_;
  int captures_ = 0;
  double captureMs_ = 0;
  struct Panel {
    int points;                          // the status font's size it was drawn at
    std::vector<screen::Colour> pixels;  // the status panel's, row by row
  };
  std::map<std::string, Panel> panels_;  // reference panels drawn, by what they show
};

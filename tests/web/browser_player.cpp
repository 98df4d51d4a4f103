#include "tests/web/browser_player.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#ifndef ZIRIRAR_SOURCE_DIR
#error "ZIRIRAR_SOURCE_DIR: the source tree, where tests/web/browsers.mjs lies"
#endif

namespace {

namespace fs = std::filesystem;

// Draws the status panel in the page's own fonts on a canvas of its own, from the
// rules of the status text alone, and returns [points, the panel's pixels as 0xRRGGBB].
constexpr char kDrawPanel[] = R"((a) => {
  const weights = [['a', 64], ['b', 14], ['c', 27], ['d', 35], ['e', 100], ['f', 20],
    ['g', 14], ['h', 42], ['i', 63], ['j', 3], ['k', 6], ['l', 35], ['m', 20], ['n', 56],
    ['o', 56], ['p', 17], ['q', 4], ['r', 49], ['s', 56], ['t', 71], ['u', 31], ['v', 10],
    ['w', 18], ['x', 3], ['y', 18], ['z', 2], [' ', 166]];
  const canvas = document.createElement('canvas');
  canvas.width = a.width;
  canvas.height = a.height;
  const g = canvas.getContext('2d', {willReadFrequently: true});
  g.fillStyle = a.background;
  g.fillRect(0, 0, a.width, a.height);
  const font = points => Math.round(points * 96 * a.ratio / 72) + 'px Arial';
  const average = points => {
    g.font = font(points);
    let sum = 0, total = 0;
    for (const [c, w] of weights) {
      sum += w * g.measureText(c).width;
      total += w;
    }
    return Math.round(sum / total);
  };
  let points = 3;
  for (;;) {
    ++points;
    const width = average(points);
    if (width <= 0 || points > 500 || !(a.limit > 12 * width)) break;
  }
  points = Math.max(points - 1, 3);
  g.font = font(points);
  g.textBaseline = 'alphabetic';
  a.lines.forEach((line, k) => {
    const m = g.measureText(line.text);
    const ascent = m.fontBoundingBoxAscent, descent = m.fontBoundingBoxDescent;
    const height = line.bottom - line.top;
    const baseline = line.top + Math.round((height - (ascent + descent)) / 2 + ascent);
    const centred = k === 4;
    g.textAlign = centred ? 'center' : 'left';
    g.fillStyle = centred ? a.word : a.text;
    g.fillText(line.text, centred ? Math.floor((line.left + line.right) / 2) : line.left,
               baseline);
  });
  const p = a.panel;
  const rgba = g.getImageData(p.left, p.top, p.right - p.left, p.bottom - p.top).data;
  const pixels = [];
  for (let i = 0; i < rgba.length; i += 4) pixels.push(rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]);
  return [points, pixels];
})";

// The first line of a file of /proc, or "".
std::string ProcLine(const fs::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

// The processes below `root`, from the parents /proc gives.
std::vector<pid_t> Descendants(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  std::error_code ignored;  // a process gone meanwhile
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ignored)) {
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const std::string stat = ProcLine(entry.path() / "stat");
    if (stat.rfind(')') == std::string::npos) continue;
    children.emplace(std::atoi(stat.c_str() + stat.rfind(')') + 4),
                     std::atoi(entry.path().filename().c_str()));
  }
  std::vector<pid_t> found;
  std::vector<pid_t> next{root};
  while (!next.empty()) {
    const pid_t pid = next.back();
    next.pop_back();
    for (auto [it, end] = children.equal_range(pid); it != end; ++it) {
      found.push_back(it->second);
      next.push_back(it->second);
    }
  }
  return found;
}

Json BoxJson(const screen::Box& b) {
  return {{"left", b.left}, {"top", b.top}, {"right", b.right}, {"bottom", b.bottom}};
}

// The menu item of `command`, found by the page's script.
std::string Item(Command command) {
  return "document.querySelector('[data-command=\"" + std::to_string(static_cast<int>(command)) +
         "\"]')";
}

}  // namespace

pid_t Spawn(const std::vector<std::string>& argv, int in, int out, int err, int deathSignal) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, deathSignal);
  const int fds[3] = {in, out, err};
  for (int k = 0; k < 3; ++k)
    if (fds[k] >= 0) dup2(fds[k], k);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

Browser::Browser(const std::string& engine, double ratio, bool sound)
    : engine_(engine), ratio_(ratio) {
  // Browsers leave processes behind that their parents no longer wait for: reaped here.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  // Closed on exec: the driver's ends alone reach it, and it sees the end of the requests.
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
    throw std::runtime_error("no pipes");
  std::vector<std::string> argv = {"node", ZIRIRAR_SOURCE_DIR "/tests/web/browsers.mjs", engine,
                                   std::to_string(ratio)};
  if (sound) argv.push_back("--sound");
  pid_ = Spawn(argv, toChild[0], fromChild[1], -1, SIGTERM);
  close(toChild[0]);
  close(fromChild[1]);
  requests_ = fdopen(toChild[1], "w");
  replies_ = fdopen(fromChild[0], "r");
  // Unbuffered, so that poll() on its descriptor sees every reply still to be read.
  setvbuf(replies_, nullptr, _IONBF, 0);
  Request(Json::object());  // the engine's first reply says that it started
}

Browser::~Browser() {
  if (requests_ != nullptr) std::fclose(requests_);  // the end of the requests: it closes
  if (replies_ != nullptr) std::fclose(replies_);
  // The driver closes its browser and ends; one still running after 30 s, or one whose
  // browser hung, goes with everything it started.
  for (int i = 0; pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
    if (i == 300 || hung_) {
      for (const pid_t stuck : Descendants(pid_)) kill(stuck, SIGKILL);
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

bool Browser::AudioDeadlocked() const {
  constexpr long kFutex = 202, kLockPi = 6;  // x86_64's futex call; FUTEX_LOCK_PI
  for (const pid_t pid : Descendants(pid_)) {
    bool serverWaits = false, mainloopWaits = false;
    std::error_code gone;
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const fs::directory_entry& task : fs::directory_iterator(tasks, gone)) {
      const std::string name = ProcLine(task.path() / "comm");
      long call = -1, address = 0, operation = 0;
      std::sscanf(ProcLine(task.path() / "syscall").c_str(), "%ld %lx %lx", &call, &address,
                  &operation);
      serverWaits |= name == "AudioIP~ver RPC" && call == kFutex && (operation & 127) == kLockPi;
      mainloopWaits |= name == "threaded-ml" && call == kFutex;
    }
    if (serverWaits && mainloopWaits) return true;
  }
  return false;
}

Json Browser::Request(const Json& request, std::vector<uint8_t>* bytes) {
  if (hung_) throw std::runtime_error(engine_ + ": hung");
  if (!request.empty()) {
    std::fputs((request.dump() + "\n").c_str(), requests_);
    std::fflush(requests_);
  }
  // Every request is answered within a minute, however busy the machine: a browser
  // that hangs fails the request it hangs in, not the whole run by its time limit.
  pollfd answer{fileno(replies_), POLLIN, 0};
  if (poll(&answer, 1, 60000) == 0) {
    hung_ = true;
    throw std::runtime_error(engine_ + ": no answer within 60 s to " +
                             request.dump().substr(0, 160));
  }
  char* line = nullptr;
  size_t capacity = 0;
  const ssize_t length = getline(&line, &capacity, replies_);
  const std::string text = length > 0 ? std::string(line, length) : "";
  std::free(line);
  if (text.empty()) throw std::runtime_error(engine_ + ": its driver ended");
  const Json reply = Json::parse(text);
  if (reply.contains("error"))
    throw std::runtime_error(engine_ + ": " + reply["error"].get<std::string>());
  if (reply.contains("bytes")) {
    std::vector<uint8_t> data(reply["bytes"].get<size_t>());
    if (std::fread(data.data(), 1, data.size(), replies_) != data.size())
      throw std::runtime_error(engine_ + ": a screenshot cut short");
    if (bytes != nullptr) *bytes = std::move(data);
  }
  return reply["value"];
}

BrowserPlayer::BrowserPlayer(Browser& browser, const std::string& url, int width, int height,
                             bool touch, const std::string& preload)
    : browser_(browser), touch_(touch), ratio_(browser.Ratio()), width_(width), height_(height) {
  const Json size = {{"width", width}, {"height", height}, {"touch", touch}, {"preload", preload}};
  page_ = Call("open", url, size).get<int>();
  AwaitBoard();
}

BrowserPlayer::~BrowserPlayer() {
  try {
    Call("close");
  } catch (const ScenarioFailure&) {
    // The browser goes with its own end.
  }
}

Json BrowserPlayer::Send(const char* op, const Json& args, std::vector<uint8_t>* bytes) {
  try {
    return browser_.Request({{"op", op}, {"page", page_}, {"args", args}}, bytes);
  } catch (const std::runtime_error& e) {
    Fail(std::string(op) + ": " + e.what() + "\n  with " + args.dump().substr(0, 160));
  }
}

void BrowserPlayer::Open(const std::string& url) {
  Call("goto", url);
  AwaitBoard();
}

void BrowserPlayer::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  Call("viewport", Json{{"width", width}, {"height", height}});
  AwaitBoard();
}

void BrowserPlayer::Zoom(double ratio) {
  ratio_ = ratio;
  Call("viewport", Json{{"width", width_}, {"height", height_}, {"ratio", ratio}});
  AwaitBoard();
}

// The board drawn at the page's ratio: a screenshot of the canvas's box has the canvas's
// own size, and every grid line shows whole.
void BrowserPlayer::AwaitBoard() {
  const double pageRatio = Eval("devicePixelRatio").get<double>();
  if (pageRatio != ratio_)
    Fail("the page's devicePixelRatio is " + std::to_string(pageRatio) + ", not " +
         std::to_string(ratio_));
  screen::Frame frame;
  const bool drawn = Await(10000, 20, [&] {
    if (!Eval("!!document.getElementById('board')").get<bool>()) return false;
    frame = Grab(false);  // the page may not have sized its canvas yet
    return screen::ShowsGrid(frame, screen::Geometry::For(1, frame.Width(), frame.Height()));
  });
  if (!drawn) {
    std::string why = "the board was not drawn sharp within 10 s (canvas of " +
                      std::to_string(frame.Width()) + " x " + std::to_string(frame.Height()) + ")";
    for (const std::string& e : PageErrors()) why += "\n  page: " + e;
    Fail(why);
  }
  // Chromium keeps the fonts a canvas resolved, by font string. Those the page resolved
  // before its renderer had taken the screen's ratio stay hinted as at a ratio of 1: at 2,
  // in about a third of the page loads, the status text then differed from the reference
  // on every glyph's edge (the same size, place and advances). A face added to the page's
  // fonts makes every canvas resolve its fonts again; the game draws with those from its
  // next paint, as a canvas made now would.
  Eval(
      "(() => { const face = new FontFace('zirirar-test', 'local(\"Liberation Sans\")');"
      "  document.fonts.add(face);"
      "  return face.load().then(() => document.fonts.delete(face)); })()");
}

void BrowserPlayer::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

BrowserPlayer::Canvas BrowserPlayer::Board() {
  const Json box = Eval(R"((() => {
    const c = document.getElementById('board');
    if (!c) return null;
    const r = c.getBoundingClientRect(), s = getComputedStyle(c);
    // A computed colour, rgb(r, g, b) or rgba(r, g, b, a), as 0xRRGGBB.
    const rgb = css => css.match(/\d+/g).slice(0, 3).reduce((v, c) => v << 8 | c, 0);
    return {left: r.left, top: r.top, width: r.width, height: r.height, deviceWidth: c.width,
            deviceHeight: c.height, background: rgb(s.backgroundColor), text: rgb(s.color)};
  })())");
  if (box.is_null()) Fail("the page has no canvas #board");
  return box.get<Canvas>();
}

screen::Frame BrowserPlayer::Capture() { return Grab(true); }

screen::Frame BrowserPlayer::Grab(bool sizeMustAgree) {
  const Canvas c = Board();
  std::vector<uint8_t> rgb;
  const Json clip = {{"x", c.left}, {"y", c.top}, {"width", c.width}, {"height", c.height}};
  const Json shot = Send("shot", Json::array({clip, ratio_}), &rgb);
  const int width = shot["width"], height = shot["height"];
  if (width != c.deviceWidth || height != c.deviceHeight) {
    if (!sizeMustAgree) return {};
    char what[200];
    std::snprintf(what, sizeof what,
                  "the screenshot of the canvas's box (%g x %g CSS pixels at %g, %g) is %d x %d "
                  "pixels, its canvas %d x %d",
                  c.width, c.height, c.left, c.top, width, height, c.deviceWidth, c.deviceHeight);
    Fail(what);
  }
  std::vector<screen::Colour> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] =
        static_cast<screen::Colour>(rgb[3 * i]) << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
  return screen::Frame(width, height, std::move(pixels), c.background, c.text);
}

void BrowserPlayer::Run(Command command) {
  // As the menu item sends it, whatever state it shows: the game judges.
  if (!Eval("(() => { const e = " + Item(command) + "; e && e.click(); return !!e; })()")
           .get<bool>())
    Fail("the page has no item for command " + std::to_string(static_cast<int>(command)));
}

// "F1", "Escape", "ArrowDown", "Enter", a character, or a letter with "Shift+" or "Alt+".
void BrowserPlayer::Key(const std::string& name) { Call("key", name, false); }

// The character alone, no modifier: a capital as Caps Lock types it.
void BrowserPlayer::Type(char typed, bool autoRepeat) {
  Call("key", std::string(1, typed), autoRepeat);
}

void BrowserPlayer::MouseClick(double x, double y) { Call(touch_ ? "tap" : "click", x, y); }

void BrowserPlayer::Click(int x, int y) {
  // Device pixels of the canvas to CSS pixels of the viewport: the device pixel's centre.
  const Canvas c = Board();
  MouseClick(c.left + (x + 0.5) / ratio_, c.top + (y + 0.5) / ratio_);
}

void BrowserPlayer::Press(const std::string& selector) {
  const Json at = Eval("(() => { const e = document.querySelector(" + Json(selector).dump() +
                       "); if (!e) return null; const r = e.getBoundingClientRect();"
                       " return [r.left + r.width / 2, r.top + r.height / 2]; })()");
  if (at.is_null()) Fail("nothing to press at " + selector);
  MouseClick(at[0], at[1]);
}

// The "true" or "false" of `attribute` on the menu item of `command`.
bool BrowserPlayer::ItemFlag(Command command, const char* attribute) {
  const Json state = Eval("(() => { const e = " + Item(command) + "; return e ? e.getAttribute('" +
                          attribute + "') : 'none'; })()");
  if (state != "true" && state != "false")
    Fail("the item of command " + std::to_string(static_cast<int>(command)) + ": its " + attribute +
         " is " + state.dump());
  return state == "true";
}

bool BrowserPlayer::MenuEnabled(Command command) { return !ItemFlag(command, "aria-disabled"); }

bool BrowserPlayer::SoundChecked() { return ItemFlag(screen::kSound, "aria-checked"); }

std::vector<std::string> BrowserPlayer::DialogCaptions() {
  return Eval(R"([...document.querySelectorAll('dialog[open]')].map(d => {
    const c = d.querySelector('.caption');
    return c ? c.innerText : '(no caption)';
  }))")
      .get<std::vector<std::string>>();
}

void BrowserPlayer::NeedOneDialog() {
  const size_t open = DialogCaptions().size();
  if (open != 1) Fail(open == 0 ? "no dialog is open" : "more than one dialog is open");
}

void BrowserPlayer::LevelChoice(int& board, int& skill) {
  NeedOneDialog();
  const Json chosen = Eval(R"((() => {
    const d = document.querySelector('dialog[open]');
    const b = d.querySelector('#board-list'), s = d.querySelector('#skill-list');
    return b && s ? [b.selectedIndex, s.selectedIndex] : null;
  })())");
  if (chosen.is_null()) Fail("the open dialog has no board and skill lists");
  board = chosen[0];
  skill = chosen[1];
}

void BrowserPlayer::ChooseLevel(int board, int skill) {
  NeedOneDialog();
  // The lists chosen as the page's own controls take a choice; then a real click on OK.
  const Json ok = Eval(
      "((board, skill) => {"
      "  const d = document.querySelector('dialog[open]');"
      "  const b = d.querySelector('#board-list'), s = d.querySelector('#skill-list');"
      "  if (!b || !s) return 'no board and skill lists';"
      "  for (const [list, index] of [[b, board], [s, skill]]) {"
      "    list.selectedIndex = index;"
      "    if (list.selectedIndex !== index) return 'no entry ' + index;"
      "    list.dispatchEvent(new Event('input', {bubbles: true}));"
      "    list.dispatchEvent(new Event('change', {bubbles: true}));"
      "  }"
      "  const button = [...d.querySelectorAll('button')]"
      "      .find(e => e.innerText.trim() === 'OK');"
      "  if (!button) return 'no OK button';"
      "  const r = button.getBoundingClientRect();"
      "  return [r.left + r.width / 2, r.top + r.height / 2];"
      "})(" +
      std::to_string(board) + ", " + std::to_string(skill) + ")");
  if (ok.is_string()) Fail("the Level dialog: " + ok.get<std::string>());
  MouseClick(ok[0], ok[1]);
}

void BrowserPlayer::CloseDialog() {
  NeedOneDialog();
  Key("Escape");
}

std::string BrowserPlayer::DialogText() {
  NeedOneDialog();
  const Json text = Eval(R"((() => {
    const t = document.querySelector('dialog[open] .text');
    return !t ? null : t instanceof HTMLTextAreaElement ? t.value : t.innerText;
  })())");
  if (text.is_null()) Fail("the open dialog shows no text");
  return text;
}

std::string BrowserPlayer::CheckPanel(const screen::Frame& frame, const screen::Geometry& g,
                                      int skill, int board, int length, int target,
                                      const char* word, screen::Colour wordColour) {
  if (frame.Width() != g.width || frame.Height() != g.height) return "frame of another size";
  const std::array<std::string, 5> texts =
      scenario::StatusLines(skill, board, length, target, word);
  Json lines = Json::array();
  for (int k = 1; k <= 5; ++k) {
    Json line = BoxJson(g.StatusLine(k));
    line["text"] = texts[k - 1];
    lines.push_back(line);
  }
  const screen::Box panel = g.StatusPanel();
  const std::string args = Json{
      {"width", g.width},
      {"height", g.height},
      {"ratio", ratio_},
      {"limit", g.width / 4 - 5},
      {"background", screen::Hex(frame.Background())},
      {"text", screen::Hex(frame.Text())},
      {"word", screen::Hex(wordColour)},
      {"lines", lines},
      {"panel",
       BoxJson(panel)}}.dump();
  // The same panel is asked for again and again while a wait polls: drawn once.
  auto drawn = panels_.find(args);
  if (drawn == panels_.end()) {
    const Json reply = Eval(std::string("(") + kDrawPanel + ")(" + args + ")");
    std::vector<screen::Colour> pixels = reply[1].get<std::vector<screen::Colour>>();
    if (pixels.size() != static_cast<size_t>(panel.Width()) * panel.Height())
      Fail("the reference panel came back with " + std::to_string(pixels.size()) + " pixels");
    drawn = panels_.emplace(args, Panel{reply[0].get<int>(), std::move(pixels)}).first;
  }
  // WebKit's screenshots give the status text's blended edges one step off what its
  // canvas holds (#FFB0E5 for #FFAFE5): there each channel may be one step off.
  const std::string differs = scenario::PanelDifference(
      frame, panel,
      [&](int x, int y) {
        return drawn->second
            .pixels[static_cast<size_t>(y - panel.top) * panel.Width() + (x - panel.left)];
      },
      browser_.Engine() == "webkit" ? 1 : 0);
  if (differs.empty()) return "";
  return differs + " (the reference at " + std::to_string(drawn->second.points) + " points)";
}

int BrowserPlayer::QuitAndWait() {
  Run(screen::kQuit);
  // The session ended and its sound closed, as the page marks them.
  return WaitFor(
             "document.documentElement.dataset.session === 'ended' && "
             "document.documentElement.dataset.sound === 'closed'",
             2000)
             ? 0
             : -1;
}

void BrowserPlayer::Note(const std::string& line) { notes_.push_back(line); }

std::vector<std::string> BrowserPlayer::PageErrors() {
  return Call("errors").get<std::vector<std::string>>();
}

#include "tests/web/browser_player.h"

#include <zlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "resources/command_ids.h"

using devtools::Json;
using devtools::Quote;

namespace {

double SteadyMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string Base64Decode(const std::string& text) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const size_t value = kAlphabet.find(c);
    if (value == std::string::npos) continue;  // padding
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

uint32_t BigEndian(const std::string& bytes, size_t at) {
  const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])); };
  return b(at) << 24 | b(at + 1) << 16 | b(at + 2) << 8 | b(at + 3);
}

// The pixels of an 8-bit RGB or RGBA PNG without interlacing (as the browser writes
// them), alpha dropped; an empty string, or what is wrong with it.
std::string DecodePng(const std::string& png, int& width, int& height,
                      std::vector<screen::Colour>& pixels) {
  if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return "not a PNG";
  std::string data;
  int channels = 0;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = BigEndian(png, at);
    const std::string type = png.substr(at + 4, 4);
    if (at + 12 + length > png.size()) return "truncated PNG";
    const size_t body = at + 8;
    if (type == "IHDR") {
      width = static_cast<int>(BigEndian(png, body));
      height = static_cast<int>(BigEndian(png, body + 4));
      const int depth = png[body + 8], colour = png[body + 9], interlace = png[body + 12];
      channels = colour == 2 ? 3 : colour == 6 ? 4 : 0;
      if (depth != 8 || channels == 0 || interlace != 0)
        return "PNG of depth " + std::to_string(depth) + ", colour type " + std::to_string(colour) +
               ", interlace " + std::to_string(interlace);
    } else if (type == "IDAT") {
      data.append(png, body, length);
    }
    at += 12 + length;
  }
  if (channels == 0) return "PNG without a header";
  const size_t stride = static_cast<size_t>(width) * channels;
  std::vector<uint8_t> raw((stride + 1) * height);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(data.data()), data.size()) !=
          Z_OK ||
      size != raw.size())
    return "PNG data does not inflate to its size";
  // Undo each row's filter, in place: the previous row is already undone.
  const std::vector<uint8_t> zeros(stride, 0);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &raw[y * (stride + 1) + 1];
    const uint8_t* up = y > 0 ? row - (stride + 1) : zeros.data();
    const size_t n = static_cast<size_t>(channels);
    switch (row[-1]) {
      case 0:
        break;
      case 1:
        for (size_t i = n; i < stride; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - n]);
        break;
      case 2:
        for (size_t i = 0; i < stride; ++i) row[i] = static_cast<uint8_t>(row[i] + up[i]);
        break;
      case 3:
        for (size_t i = 0; i < stride; ++i)
          row[i] = static_cast<uint8_t>(row[i] + ((i >= n ? row[i - n] : 0) + up[i]) / 2);
        break;
      case 4:
        for (size_t i = 0; i < stride; ++i) {
          const int a = i >= n ? row[i - n] : 0, b = up[i], c = i >= n ? up[i - n] : 0;
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          row[i] = static_cast<uint8_t>(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
        }
        break;
      default:
        return "PNG row filter " + std::to_string(row[-1]);
    }
  }
  pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &raw[y * (stride + 1) + 1];
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = row + static_cast<size_t>(x) * channels;
      pixels[static_cast<size_t>(y) * width + x] =
          static_cast<screen::Colour>(p[0]) << 16 | p[1] << 8 | p[2];
    }
  }
  return "";
}

// A computed CSS colour, "rgb(r, g, b)" or "rgba(r, g, b, a)".
bool ParseCssColour(const std::string& css, screen::Colour& colour) {
  int r = 0, g = 0, b = 0;
  if (std::sscanf(css.c_str(), "rgb(%d, %d, %d)", &r, &g, &b) != 3 &&
      std::sscanf(css.c_str(), "rgba(%d, %d, %d", &r, &g, &b) != 3)
    return false;
  colour = static_cast<screen::Colour>(r << 16 | g << 8 | b);
  return true;
}

// Draws the status panel in the page's own fonts on a canvas of its own, from the
// rules of the status text alone, and returns [points, the panel's pixels as base64
// RGB].
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
  const rgb = new Uint8Array(rgba.length / 4 * 3);
  for (let i = 0, j = 0; i < rgba.length; i += 4) {
    rgb[j++] = rgba[i];
    rgb[j++] = rgba[i + 1];
    rgb[j++] = rgba[i + 2];
  }
  let bytes = '';
  for (let i = 0; i < rgb.length; i += 0x8000)
    bytes += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
  return [points, btoa(bytes)];
})";

std::string BoxJson(const screen::Box& b) {
  return "\"left\":" + std::to_string(b.left) + ",\"top\":" + std::to_string(b.top) +
         ",\"right\":" + std::to_string(b.right) + ",\"bottom\":" + std::to_string(b.bottom);
}

}  // namespace

BrowserPlayer::BrowserPlayer(devtools::Browser& browser, const std::string& url, int width,
                             int height, double ratio)
    : browser_(browser), page_(browser.OpenPage()), ratio_(ratio), clockZero_(SteadyMs()) {
  try {
    Open(url, width, height);
  } catch (...) {
    try {
      browser_.ClosePage(page_);
    } catch (const devtools::Error&) {
      // The browser goes with its own end.
    }
    throw;
  }
}

void BrowserPlayer::Open(const std::string& url, int width, int height) {
  try {
    Call("Page.enable");
    Call("Runtime.enable");
    char metrics[160];
    std::snprintf(metrics, sizeof metrics,
                  "{\"width\":%d,\"height\":%d,\"deviceScaleFactor\":%g,\"mobile\":false}", width,
                  height, ratio_);
    Call("Emulation.setDeviceMetricsOverride", metrics);
    // The page has the focus, as the window a player plays in.
    Call("Emulation.setFocusEmulationEnabled", "{\"enabled\":true}");
    const Json navigated = Call("Page.navigate", "{\"url\":" + Quote(url) + "}");
    if (navigated.Has("errorText"))
      Fail("the page did not load: " + navigated["errorText"].String());
    browser_.WaitForEvent("Page.loadEventFired", page_.session, 20000);
  } catch (const devtools::Error& e) {
    Fail(std::string("opening the page: ") + e.what());
  }
  const double pageRatio = Eval("devicePixelRatio").Number();
  if (pageRatio != ratio_)
    Fail("the page's devicePixelRatio is " + std::to_string(pageRatio) + ", not " +
         std::to_string(ratio_) + " (the browser's --force-device-scale-factor?)");
  screen::Frame frame;
  const bool drawn = WaitUntil(
      10000,
      [&] {
        if (!Eval("!!document.getElementById('board')").Bool()) return false;
        frame = Grab(false);  // the page may not have sized its canvas yet
        return screen::ShowsGrid(frame, screen::Geometry::For(1, frame.Width(), frame.Height()));
      },
      20);
  if (!drawn)
    Fail("the board was not drawn within 10 s of the page's load (canvas of " +
         std::to_string(frame.Width()) + " x " + std::to_string(frame.Height()) + ")");
  // Chromium keeps the fonts a canvas resolved, by font string. Those the page resolved
  // before its renderer had taken the screen's ratio stay hinted as at a ratio of 1: at 2,
  // in about a third of the page loads, the status text then differed from the reference
  // on every glyph's edge (the same size, place and advances). A face added to the page's
  // fonts makes every canvas resolve its fonts again; the game draws with those from its
  // next paint, as a canvas made now would.
  Eval(
      "(() => { const face = new FontFace('zirirar-test', 'local(\"Liberation Sans\")');"
      "  document.fonts.add(face);"
      "  return face.load().then(() => document.fonts.delete(face)); })()",
      false, true);
}

BrowserPlayer::~BrowserPlayer() {
  try {
    browser_.ClosePage(page_);
  } catch (const devtools::Error&) {
    // The browser goes with its own end.
  }
}

Json BrowserPlayer::Call(const std::string& method, const std::string& params) {
  return browser_.Call(method, params, page_.session);
}

Json BrowserPlayer::Eval(const std::string& expression, bool userGesture, bool awaitPromise) {
  const Json reply =
      Call("Runtime.evaluate",
           "{\"expression\":" + Quote(expression) +
               ",\"returnByValue\":true,\"userGesture\":" + (userGesture ? "true" : "false") +
               ",\"awaitPromise\":" + (awaitPromise ? "true" : "false") + "}");
  if (reply.Has("exceptionDetails")) {
    const Json& details = reply["exceptionDetails"];
    const Json& exception = details["exception"]["description"];
    Fail("the page threw: " + (exception.IsNull() ? details["text"].String() : exception.String()) +
         "\n  evaluating: " + expression.substr(0, 120));
  }
  return reply["result"]["value"];
}

double BrowserPlayer::NowMs() { return SteadyMs() - clockZero_; }

bool BrowserPlayer::WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) {
  const double end = NowMs() + limitMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
}

BrowserPlayer::Canvas BrowserPlayer::Board() {
  const Json box = Eval(R"((() => {
    const c = document.getElementById('board');
    if (!c) return null;
    const r = c.getBoundingClientRect(), s = getComputedStyle(c);
    return [r.left, r.top, r.width, r.height, c.width, c.height, s.backgroundColor, s.color];
  })())");
  if (box.IsNull()) Fail("the page has no canvas #board");
  Canvas c;
  c.left = box[0].Number();
  c.top = box[1].Number();
  c.width = box[2].Number();
  c.height = box[3].Number();
  c.deviceWidth = static_cast<int>(box[4].Number());
  c.deviceHeight = static_cast<int>(box[5].Number());
  if (!ParseCssColour(box[6].String(), c.background) || !ParseCssColour(box[7].String(), c.text))
    Fail("the canvas's colours are " + box[6].String() + " and " + box[7].String());
  return c;
}

screen::Frame BrowserPlayer::Capture() { return Grab(true); }

screen::Frame BrowserPlayer::Grab(bool sizeMustAgree) {
  const double began = SteadyMs();
  const Canvas c = Board();
  char clip[256];
  std::snprintf(clip, sizeof clip,
                "{\"format\":\"png\",\"optimizeForSpeed\":true,\"captureBeyondViewport\":false,"
                "\"clip\":{\"x\":%.17g,\"y\":%.17g,\"width\":%.17g,\"height\":%.17g,\"scale\":1}}",
                c.left, c.top, c.width, c.height);
  const std::string png = Base64Decode(Call("Page.captureScreenshot", clip)["data"].String());
  int width = 0, height = 0;
  std::vector<screen::Colour> pixels;
  const std::string problem = DecodePng(png, width, height, pixels);
  if (!problem.empty()) Fail("the screenshot: " + problem);
  if (width != c.deviceWidth || height != c.deviceHeight) {
    if (!sizeMustAgree) return {};
    char what[200];
    std::snprintf(what, sizeof what,
                  "the screenshot of the canvas's box (%g x %g CSS pixels at %g, %g) is %d x %d "
                  "pixels, its canvas %d x %d",
                  c.width, c.height, c.left, c.top, width, height, c.deviceWidth, c.deviceHeight);
    Fail(what);
  }
  ++captures_;
  captureMs_ += SteadyMs() - began;
  return screen::Frame(width, height, std::move(pixels), c.background, c.text);
}

void BrowserPlayer::Command(uint16_t id) {
  ::Command command;
  if (!CommandOfId(id, command)) Fail("no command numbered " + std::to_string(id));
  const std::string k = std::to_string(static_cast<int>(command));
  // As the menu item sends it, whatever state it shows: the game judges.
  const Json clicked = Eval("(() => { const e = document.querySelector('[data-command=\"" + k +
                                "\"]'); if (!e) return false; e.click(); return true; })()",
                            true);
  if (!clicked.Bool()) Fail("the page has no item [data-command=\"" + k + "\"]");
}

void BrowserPlayer::KeyEvent(const std::string& key, const std::string& code, int virtualKey,
                             const std::string& text, int modifiers, bool autoRepeat) {
  std::string common = "\"key\":" + Quote(key) + ",\"code\":" + Quote(code) +
                       ",\"windowsVirtualKeyCode\":" + std::to_string(virtualKey) +
                       ",\"modifiers\":" + std::to_string(modifiers);
  // A key that types a character comes with it (and a keypress); others are raw.
  const std::string down = text.empty() ? "{\"type\":\"rawKeyDown\","
                                        : "{\"type\":\"keyDown\",\"text\":" + Quote(text) +
                                              ",\"unmodifiedText\":" + Quote(text) + ",";
  Call("Input.dispatchKeyEvent",
       down + common + ",\"autoRepeat\":" + (autoRepeat ? "true" : "false") + "}");
  Call("Input.dispatchKeyEvent", "{\"type\":\"keyUp\"," + common + "}");
}

void BrowserPlayer::Key(const std::string& name) {
  // "F1", "Escape", "ArrowDown", "Enter", a letter, or a letter with "Shift+" or "Alt+"
  // before it.
  constexpr int kAlt = 1, kShift = 8;
  int modifiers = 0;
  std::string key = name;
  for (;;) {
    if (key.rfind("Shift+", 0) == 0) {
      modifiers |= kShift;
      key.erase(0, 6);
    } else if (key.rfind("Alt+", 0) == 0) {
      modifiers |= kAlt;
      key.erase(0, 4);
    } else {
      break;
    }
  }
  if (key.size() >= 2 && key[0] == 'F' && std::atoi(key.c_str() + 1) >= 1 &&
      std::atoi(key.c_str() + 1) <= 12)
    return KeyEvent(key, key, 111 + std::atoi(key.c_str() + 1), "", modifiers, false);
  if (key == "Escape") return KeyEvent(key, key, 27, "", modifiers, false);
  if (key == "ArrowDown") return KeyEvent(key, key, 40, "", modifiers, false);
  if (key == "Enter") return KeyEvent(key, key, 13, "\r", modifiers, false);
  if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0]))) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
    // With Shift a letter types its capital; with Alt it still carries its letter.
    const std::string typed(1, (modifiers & kShift) != 0 ? upper : lower);
    return KeyEvent(typed, std::string("Key") + upper, upper, typed, modifiers, false);
  }
  Fail("no such key: \"" + name + "\"");
}

void BrowserPlayer::Type(char typed, bool autoRepeat) {
  // The character alone, no modifier: a capital as Caps Lock types it.
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(typed)));
  std::string code;
  if (std::isalpha(static_cast<unsigned char>(typed))) code = std::string("Key") + upper;
  if (std::isdigit(static_cast<unsigned char>(typed))) code = std::string("Digit") + typed;
  if (code.empty()) Fail(std::string("no key types '") + typed + "'");
  KeyEvent(std::string(1, typed), code, upper, std::string(1, typed), 0, autoRepeat);
}

void BrowserPlayer::MouseClick(double x, double y) {
  char at[64];
  std::snprintf(at, sizeof at, "\"x\":%.17g,\"y\":%.17g", x, y);
  Call("Input.dispatchMouseEvent", std::string("{\"type\":\"mouseMoved\",") + at + "}");
  Call("Input.dispatchMouseEvent",
       std::string("{\"type\":\"mousePressed\",\"button\":\"left\",\"buttons\":1,"
                   "\"clickCount\":1,") +
           at + "}");
  Call("Input.dispatchMouseEvent",
       std::string("{\"type\":\"mouseReleased\",\"button\":\"left\",\"buttons\":0,"
                   "\"clickCount\":1,") +
           at + "}");
}

void BrowserPlayer::Click(int x, int y) {
  // Device pixels of the canvas to CSS pixels of the viewport: the device pixel's centre.
  const Canvas c = Board();
  MouseClick(c.left + (x + 0.5) / ratio_, c.top + (y + 0.5) / ratio_);
}

// The "true" or "false" of `attribute` on the menu item of command number `id`.
bool BrowserPlayer::ItemFlag(uint16_t id, const char* attribute) {
  ::Command command;
  if (!CommandOfId(id, command)) Fail("no command numbered " + std::to_string(id));
  const std::string k = std::to_string(static_cast<int>(command));
  const Json state = Eval("(() => { const e = document.querySelector('[data-command=\"" + k +
                          "\"]'); return e ? e.getAttribute('" + attribute + "') : 'none'; })()");
  if (state.IsNull() || (state.String() != "true" && state.String() != "false"))
    Fail("menu item " + k + "'s " + attribute + " is " +
         (state.IsNull() ? std::string("absent") : "\"" + state.String() + "\""));
  return state.String() == "true";
}

bool BrowserPlayer::MenuEnabled(uint16_t id) { return !ItemFlag(id, "aria-disabled"); }

bool BrowserPlayer::SoundChecked() { return ItemFlag(screen::kSound, "aria-checked"); }

std::vector<std::string> BrowserPlayer::DialogCaptions() {
  const Json open = Eval(R"([...document.querySelectorAll('dialog[open]')].map(d => {
    const c = d.querySelector('.caption');
    return c ? c.innerText : '(no caption)';
  }))");
  std::vector<std::string> captions;
  for (size_t i = 0; i < open.Size(); ++i) captions.push_back(open[i].String());
  return captions;
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
  if (chosen.IsNull()) Fail("the open dialog has no board and skill lists");
  board = static_cast<int>(chosen[0].Number());
  skill = static_cast<int>(chosen[1].Number());
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
  if (ok.type() == Json::Type::kString) Fail("the Level dialog: " + ok.String());
  MouseClick(ok[0].Number(), ok[1].Number());
}

void BrowserPlayer::CloseDialog() {
  NeedOneDialog();
  KeyEvent("Escape", "Escape", 27, "", 0, false);
}

std::string BrowserPlayer::DialogText() {
  NeedOneDialog();
  const Json text = Eval(R"((() => {
    const t = document.querySelector('dialog[open] .text');
    return !t ? null : t instanceof HTMLTextAreaElement ? t.value : t.innerText;
  })())");
  if (text.IsNull()) Fail("the open dialog shows no text");
  return text.String();
}

std::string BrowserPlayer::CheckPanel(const screen::Frame& frame, const screen::Geometry& g,
                                      int skill, int board, int length, int target,
                                      const char* word, screen::Colour wordColour) {
  if (frame.Width() != g.width || frame.Height() != g.height) return "frame of another size";
  const std::string texts[5] = {
      "Skill: " + std::to_string(skill), "Board: " + std::to_string(board),
      "Length: " + std::to_string(length), "Target: " + std::to_string(target), word};
  std::string lines;
  for (int k = 1; k <= 5; ++k)
    lines += std::string(k > 1 ? "," : "") + "{\"text\":" + Quote(texts[k - 1]) + "," +
             BoxJson(g.StatusLine(k)) + "}";
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.17g", ratio_);
  const screen::Box panel = g.StatusPanel();
  const std::string args = "{\"width\":" + std::to_string(g.width) +
                           ",\"height\":" + std::to_string(g.height) + ",\"ratio\":" + ratio +
                           ",\"limit\":" + std::to_string(g.width / 4 - 5) + ",\"background\":\"" +
                           screen::Hex(frame.Background()) + "\",\"text\":\"" +
                           screen::Hex(frame.Text()) + "\",\"word\":\"" + screen::Hex(wordColour) +
                           "\",\"lines\":[" + lines + "],\"panel\":{" + BoxJson(panel) + "}}";
  // The same panel is asked for again and again while a wait polls: drawn once.
  auto drawn = panels_.find(args);
  if (drawn == panels_.end()) {
    const Json reply = Eval(std::string("(") + kDrawPanel + ")(" + args + ")");
    const std::string rgb = Base64Decode(reply[1].String());
    std::vector<screen::Colour> pixels(rgb.size() / 3);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<screen::Colour>(static_cast<uint8_t>(rgb[3 * i])) << 16 |
                  static_cast<uint8_t>(rgb[3 * i + 1]) << 8 | static_cast<uint8_t>(rgb[3 * i + 2]);
    if (pixels.size() != static_cast<size_t>(panel.Width()) * panel.Height())
      Fail("the reference panel came back with " + std::to_string(pixels.size()) + " pixels");
    drawn =
        panels_.emplace(args, Panel{static_cast<int>(reply[0].Number()), std::move(pixels)}).first;
  }
  int wrong = 0;
  std::string first;
  for (int y = panel.top; y < panel.bottom; ++y) {
    for (int x = panel.left; x < panel.right; ++x) {
      const screen::Colour want =
          drawn->second
              .pixels[static_cast<size_t>(y - panel.top) * panel.Width() + (x - panel.left)];
      if (frame.At(x, y) != want && wrong++ == 0)
        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                screen::Hex(frame.At(x, y)) + ", expected " + screen::Hex(want);
    }
  }
  if (wrong == 0) return "";
  return std::to_string(wrong) + " pixels of the status panel differ from the reference (" +
         std::to_string(drawn->second.points) + " points), first " + first;
}

int BrowserPlayer::QuitAndWait() {
  Command(screen::kQuit);
  // The session ended and its sound closed, as the page marks them.
  const bool ended = WaitUntil(
      2000,
      [&] {
        return Eval(
                   "document.documentElement.dataset.session === 'ended' && "
                   "document.documentElement.dataset.sound === 'closed'")
            .Bool();
      },
      10);
  return ended ? 0 : -1;
}

void BrowserPlayer::Note(const std::string& line) { notes_.push_back(line); }

void BrowserPlayer::Fail(const std::string& what) { throw ScenarioFailure(what); }

std::vector<std::string> BrowserPlayer::PageErrors() {
  std::vector<std::string> errors;
  // Calls gather the events that came meanwhile.
  Call("Runtime.evaluate", "{\"expression\":\"0\"}");
  for (const Json& e : browser_.TakeEvents("Runtime.exceptionThrown", page_.session)) {
    const Json& details = e["exceptionDetails"];
    const Json& description = details["exception"]["description"];
    errors.push_back("uncaught: " +
                     (description.IsNull() ? details["text"].String() : description.String()));
  }
  for (const Json& e : browser_.TakeEvents("Runtime.consoleAPICalled", page_.session)) {
    if (e["type"].String() != "error") continue;
    std::string line = "console.error:";
    for (size_t i = 0; i < e["args"].Size(); ++i) {
      const Json& arg = e["args"][i];
      line += " " + (arg["value"].type() == Json::Type::kString ? arg["value"].String()
                     : arg["description"].IsNull()              ? std::string("?")
                                                                : arg["description"].String());
    }
    errors.push_back(line);
  }
  return errors;
}

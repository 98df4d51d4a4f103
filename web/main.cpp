// The browser game: the shared host on a page. The page (web/page/) owns the canvas, the
// menu bar, the dialogs, the clock and Web Audio; this file carries the host's requests
// out through it and hands it the page's events. Every text the page shows comes from
// here, from the tables the other shells use.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <ctime>

#include "engine/tables.h"
#include "resources/help_text.h"
#include "resources/ui_texts.h"
#include "rules/commands.h"
#include "rules/game_host.h"
#include "rules/spoken_text.h"
#include "sound/embedded_sounds.h"
#include "sound/sound_library.h"
#include "sound/sound_rate.h"

// What the page does for the game (web/page/).
EM_JS(void, PageFill, (int left, int top, int right, int bottom, uint32_t colour),
      { Page.fill(left, top, right, bottom, colour); });
EM_JS(void, PageDottedLine, (int x0, int y0, int x1, int y1, uint32_t colour),
      { Page.dottedLine(x0, y0, x1, y1, colour); });
EM_JS(void, PageWriteText,
      (const char* text, int length, int left, int top, int right, int bottom, uint32_t colour,
       int points, int centred),
      {
        Page.writeText(Page.latin1(text, length), left, top, right, bottom, colour, points,
                       centred);
      });
EM_JS(int, PageAverageCharWidth, (int points), { return Page.averageCharWidth(points); });
EM_JS(uint32_t, PageTextColour, (), { return Page.textColour(); });
EM_JS(uint32_t, PageBackground, (), { return Page.background(); });
EM_JS(void, PageRepaint, (int now), { Page.repaint(now); });
EM_JS(void, PageStartTicks, (), { Page.startTicks(); });
EM_JS(void, PageStopTicks, (), { Page.stopTicks(); });
EM_JS(int, PageDialogOpen, (), { return Page.dialogOpen(); });
EM_JS(void, PageOpenDialog, (const char* name, int board, int skill),
      { Page.openDialog(UTF8ToString(name), board, skill); });
EM_JS(void, PageEndSession, (), { Page.endSession(); });
EM_JS(void, PageShowState,
      (int enabled, int checked, const char* statusLine, const char* boardKeys),
      { Page.showState(enabled, checked, Page.latin1(statusLine), Page.latin1(boardKeys)); });
EM_JS(void, PageSetup, (int tickMs), { Page.setup(tickMs); });
EM_JS(void, PageText, (const char* name, const char* latin1),
      { Page.setText(UTF8ToString(name), Page.latin1(latin1)); });
// A label comes as its Latin-1 text and the index of its mnemonic (-1 for none).
EM_JS(void, PageMenuItem,
      (const char* menu, int menuMnemonic, const char* label, int mnemonic, const char* key,
       int checkable, int command, int separatorBefore),
      {
        Page.addMenuItem(Page.latin1(menu), menuMnemonic, Page.latin1(label), mnemonic,
                         UTF8ToString(key), checkable, command, separatorBefore);
      });
EM_JS(void, PageLevelEntry, (int list, const char* latin1),
      { Page.addLevelEntry(list, Page.latin1(latin1)); });
EM_JS(void, PageSetupAudio, (int releaseMs, int idleMs), { Page.setupAudio(releaseMs, idleMs); });
EM_JS(void, PageSound, (int id, const int16_t* samples, int count, int rate),
      { Page.addSound(id, HEAP16.subarray(samples >> 1, (samples >> 1) + count), rate); });
EM_JS(void, PagePlay, (int id, int loop), { Page.play(id, loop); });
EM_JS(void, PageStop, (), { Page.stop(); });
EM_JS(void, PageCloseSound, (), { Page.closeSound(); });

namespace {

// The board's surface: the page's canvas in device pixels.
class PageCanvas final : public Canvas {
 public:
  Colour WindowTextColour() override { return PageTextColour(); }
  void FillRect(const Rect& r, Colour colour) override {
    if (r.right > r.left && r.bottom > r.top) PageFill(r.left, r.top, r.right, r.bottom, colour);
  }
  void DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) override {
    PageDottedLine(x0, y0, x1, y1, colour);
  }
  void WriteText(const char* text, int length, const Rect& r, Colour colour, int16_t points,
                 TextAlign align) override {
    if (text == nullptr || length <= 0) return;
    PageWriteText(text, length, r.left, r.top, r.right, r.bottom, colour, points,
                  align == TextAlign::Centre);
  }
  int32_t AverageCharWidth(int16_t points) override {
    return points > 0 ? PageAverageCharWidth(points) : 0;
  }
};

// Web Audio through the page: one voice, the sounds handed over once. While the page
// catches up on ticks it missed (a hidden tab), requests are held and only the last
// one that still matters is carried out: a note still held sounds on, an effect that
// came and went is not played late.
class PageSoundOutput final : public SoundOutput {
 public:
  void Play(SoundId sound, bool loop) override {
    if (holding_) {
      held_ = loop ? sound : kNoSound;
      return;
    }
    PagePlay(sound, loop);
  }
  void Stop() override {
    if (holding_) {
      held_ = kNoSound;
      return;
    }
    PageStop();
  }
  void Close() override { PageCloseSound(); }

  void Hold() {
    holding_ = true;
    held_ = kNoSound;
    PageStop();
  }
  void Release() {
    holding_ = false;
    if (held_ != kNoSound) PagePlay(held_, true);
  }

 private:
  bool holding_ = false;
  SoundId held_ = kNoSound;
};

class PageShell final : public Shell {
 public:
  PageShell() : host_(*this, sound_, Clock::RestsWhenIdle) {}

  GameHost& Host() { return host_; }

  void Paint() {
    const BoardLayout& layout = host_.Layout();
    canvas_.FillRect({0, 0, layout.clientWidth, layout.clientHeight}, PageBackground());
    host_.Paint(canvas_);
  }
  void Resize(int32_t width, int32_t height) {
    host_.Resize(canvas_, width, height);
    Paint();
  }

  // `due` ticks came due since the last call. More than two at once means the page was
  // hidden or stalled: all but the last are caught up quietly, so that a game left
  // hidden ends as it would have, with no burst of stale notes on return. The host may
  // rest the clock part-way.
  void Ticks(int due) {
    if (due > 2) {
      sound_.Hold();
      for (int i = 1; i < due && ticking_; ++i) host_.Tick();
      sound_.Release();
      due = 1;
    }
    for (int i = 0; i < due && ticking_; ++i) host_.Tick();
  }

  // Shell. The page repaints the whole board, whatever the rectangle: a canvas keeps no
  // damage region, and a few fills and text lines cost less than tracking the parts.
  void Repaint(const Rect&, PaintTime when) override { PageRepaint(when == PaintTime::Now); }
  void StartTicks() override {
    ticking_ = true;
    PageStartTicks();
  }
  void StopTicks() override {
    ticking_ = false;
    PageStopTicks();
  }
  bool DialogOpen() override { return PageDialogOpen() != 0; }
  void OpenLevelDialog() override {
    PageOpenDialog("level", host_.Game().boardIndex, host_.Game().skillIndex);
  }
  void OpenInstructions() override { PageOpenDialog("instructions", 0, 0); }
  void OpenAbout() override { PageOpenDialog("about", 0, 0); }
  // A page cannot close itself: the session ends and the page says so.
  void CloseMainWindow() override {
    host_.End();
    PageEndSession();
  }
  void StatusChanged() override {
    const MenuState menu = host_.Menu();
    int enabled = 0, checked = 0;
    for (int i = 0; i < kCommandCount; ++i) {
      enabled |= menu.enabled[i] ? 1 << i : 0;
      checked |= menu.checked[i] ? 1 << i : 0;
    }
    char line[kSpokenTextCapacity], keys[kSpokenTextCapacity];
    StatusLine(host_.Game(), line);
    BoardKeysText(host_.Game().boardIndex, keys);
    PageShowState(enabled, checked, line, keys);
  }

 private:
  PageCanvas canvas_;
  PageSoundOutput sound_;
  GameHost host_;
  bool ticking_ = false;
};

PageShell* g_page = nullptr;  // the page's one game, from main on

// The texts the page builds its menu bar and dialogs from.
void HandTexts() {
  PageSetup(kTickMs);
  for (const MenuItem& item : kMenuItems) {
    PageMenuItem(item.menu.text, item.menu.mnemonic, item.label.text, item.label.mnemonic,
                 ShortcutName(item.shortcut), item.checkable, static_cast<int>(item.command),
                 item.separatorBefore);
  }
  PageText("title", TEXT_TITLE);
  PageText("levelCaption", TEXT_LEVEL_CAPTION);
  PageText("levelPrompt", TEXT_LEVEL_PROMPT);
  PageText("levelBoard", TEXT_LEVEL_BOARD);
  PageText("levelSkill", TEXT_LEVEL_SKILL);
  PageText("ok", TEXT_OK);
  PageText("cancel", TEXT_CANCEL);
  PageText("close", TEXT_CLOSE);
  PageText("instructionsCaption", TEXT_INSTRUCTIONS_CAPTION);
  PageText("helpText", kHelpText);
  PageText("aboutCaption", kAboutCaption);
  PageText("aboutText", kAboutText);
  PageText("ended", TEXT_ENDED);
  PageText("restart", TEXT_RESTART);
  char entry[kLevelEntryCapacity];
  for (int16_t board = 0; board < kBoardCount; ++board) {
    BoardEntry(board, entry);
    PageLevelEntry(0, entry);
  }
  for (int16_t skill = 0; skill < kSkillCount; ++skill) {
    SkillEntry(skill, entry);
    PageLevelEntry(1, entry);
  }
}

}  // namespace

// The page's events.
extern "C" {

EMSCRIPTEN_KEEPALIVE void web_resize(int32_t width, int32_t height) {
  g_page->Resize(width, height);
}
EMSCRIPTEN_KEEPALIVE void web_paint() { g_page->Paint(); }
EMSCRIPTEN_KEEPALIVE void web_typed(int typed, int autoRepeat) {
  g_page->Host().TypedChar(static_cast<char>(typed), autoRepeat != 0);
}
EMSCRIPTEN_KEEPALIVE void web_click(int32_t x, int32_t y) { g_page->Host().Click(x, y); }
EMSCRIPTEN_KEEPALIVE void web_command(int command) {
  if (command >= 0 && command < kCommandCount) g_page->Host().Run(static_cast<Command>(command));
}
EMSCRIPTEN_KEEPALIVE void web_choose_level(int board, int skill) {
  g_page->Host().ChooseLevel(static_cast<int16_t>(board), static_cast<int16_t>(skill));
}
EMSCRIPTEN_KEEPALIVE void web_end() { g_page->Host().End(); }

EMSCRIPTEN_KEEPALIVE void web_ticks(int due) { g_page->Ticks(due); }

// Hands the page the built-in sounds, once, when it has made its audio context.
EMSCRIPTEN_KEEPALIVE void web_hand_sounds() {
  PageSetupAudio(kReleaseMs, kOutputIdleMs);
  static EmbeddedSounds files;
  static SoundLibrary library(files);
  for (SoundId id = 0; id < kSoundCount; ++id) {
    if (!library.Load(id)) continue;
    const auto& samples = library.Samples(id);
    PageSound(id, samples.data(), static_cast<int>(samples.size()), kSoundRate);
  }
}

}  // extern "C"

int main() {
  static PageShell page;
  g_page = &page;
  HandTexts();
  page.Host().Start(static_cast<uint32_t>(std::time(nullptr)));
  page.StatusChanged();
  return 0;
}

// The scenarios both shells must play (tests/scenarios/scenarios.h), played on the
// Windows game from outside: one case each, scenario_<name>, on a fresh game with a
// client area of 640 x 480.
#include <windows.h>

#include <cctype>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"
#include "tests/e2e/game_dialogs.h"
#include "tests/scenarios/scenarios.h"

using namespace e2e;

namespace {

// The control of a message box that shows its text.
constexpr int kMessageTextId = 0xFFFF;

// A key as the scenarios name it ("F1", "d", "Shift+E", "Alt+R", "Esc"): its virtual
// key and the keys held down around it. False for a name it does not know.
bool ParseKey(const std::string& name, WORD& key, std::vector<WORD>& modifiers) {
  std::string rest = name;
  for (size_t plus = rest.find('+'); plus != std::string::npos; plus = rest.find('+')) {
    const std::string held = rest.substr(0, plus);
    if (held != "Shift" && held != "Alt") return false;
    modifiers.push_back(held == "Shift" ? VK_SHIFT : VK_MENU);
    rest.erase(0, plus + 1);
  }
  const unsigned char first = rest.empty() ? 0 : static_cast<unsigned char>(rest[0]);
  if (rest == "Esc") {
    key = VK_ESCAPE;
  } else if (rest.size() == 2 && first == 'F' && rest[1] >= '1' && rest[1] <= '9') {
    key = static_cast<WORD>(VK_F1 + (rest[1] - '1'));
  } else if (rest.size() == 1 && std::isalnum(first)) {
    key = static_cast<WORD>(std::toupper(first));  // the virtual key of a letter or digit
  } else {
    return false;
  }
  return true;
}

// The player's hands and eyes on the Windows game: posted commands, characters and
// clicks, real key presses, copies of the client area, the menu read inside the game
// and the dialogs of its process. Each input waits until the game's thread has taken
// it, so that what follows sees its effect.
class WindowsPlayer final : public scenario::ScenarioPlayer {
 public:
  WindowsPlayer() { game_.SetClientSize(640, 480); }

  double NowMs() override { return e2e::NowMs(); }
  bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) override {
    return e2e::WaitUntil(static_cast<DWORD>(limitMs), condition, static_cast<DWORD>(pollMs));
  }
  Frame Capture() override { return game_.Capture(); }

  void Run(Command command) override {
    game_.Command(command);
    Settle();
  }

  // A real key press, to the dialog that is open or else to the game's window.
  void Key(const std::string& name) override {
    WORD key = 0;
    std::vector<WORD> modifiers;
    if (!ParseKey(name, key, modifiers)) Fail("no key is called \"" + name + "\"");
    const std::vector<HWND> open = GameDialogs(game_);
    const long released = probe_.KeyUps() + 1 + static_cast<long>(modifiers.size());
    game_.PressKey(key, modifiers, open.empty() ? nullptr : open[0]);
    if (!e2e::WaitUntil(
            5000, [&] { return probe_.KeyUps() >= released; }, 1))
      Fail("the game did not take the key press " + name);
    Settle();
  }

  void Type(char typed, bool autoRepeat) override {
    game_.TypeChar(typed, autoRepeat);
    Settle();
  }

  void Click(int x, int y) override {
    game_.Click(x, y);
    Settle();
  }

  bool MenuEnabled(Command command) override {
    const e2e::MenuItem item = EnteredMenuItem(command);
    if (item.Enabled() == item.Greyed())
      Fail("menu item " + std::to_string(CommandNumber(command)) +
           " is neither enabled nor greyed (state " + std::to_string(item.state) + "/" +
           std::to_string(item.menuState) + ")");
    return item.Enabled();
  }

  bool SoundChecked() override {
    const e2e::MenuItem item = EnteredMenuItem(kSound);
    if (item.Checked() == item.Unchecked())
      Fail("the Sound item is half checked (state " + std::to_string(item.state) + "/" +
           std::to_string(item.menuState) + ")");
    return item.Checked();
  }

  std::vector<std::string> DialogCaptions() override {
    std::vector<std::string> captions;
    for (HWND dialog : GameDialogs(game_)) captions.push_back(Text(dialog));
    return captions;
  }

  void LevelChoice(int& board, int& skill) override {
    const HWND dialog = LevelDialog();
    board = static_cast<int>(Send(GetDlgItem(dialog, kBoardList), CB_GETCURSEL, 0, 0));
    skill = static_cast<int>(Send(GetDlgItem(dialog, kSkillList), CB_GETCURSEL, 0, 0));
  }

  void ChooseLevel(int board, int skill) override {
    const HWND dialog = LevelDialog();
    if (Send(GetDlgItem(dialog, kBoardList), CB_SETCURSEL, board, 0) != board ||
        Send(GetDlgItem(dialog, kSkillList), CB_SETCURSEL, skill, 0) != skill)
      Fail("the Level dialog has no board " + std::to_string(board) + " or skill " +
           std::to_string(skill));
    if (!PressDialogButton(dialog, IDOK)) Fail("OK did not close the Level dialog");
  }

  void CloseDialog() override {
    OpenDialog();
    Key("Esc");
  }

  // The Instructions box's text or the About box's message, as shown.
  std::string DialogText() override {
    const HWND dialog = OpenDialog();
    HWND control = GetDlgItem(dialog, kHelpBox);
    if (control == nullptr) control = GetDlgItem(dialog, kMessageTextId);
    if (control == nullptr) Fail("the open dialog shows no text");
    std::string text = Text(control);
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
      text.erase(at, 1);
    return text;
  }

  std::string CheckPanel(const Frame& frame, const Geometry& g, int skill, int board, int length,
                         int target, const char* word, Colour wordColour) override {
    return CheckStatusPanel(frame, g, skill, board, length, target, word, wordColour);
  }

  int QuitAndWait() override {
    game_.Command(kQuit);
    return static_cast<int>(game_.WaitForExit(10000));
  }

  void Note(const std::string& line) override { e2e::Note("%s", line.c_str()); }

  [[noreturn]] void Fail(const std::string& what) override {
    RecordFailure(__FILE__, __LINE__, "scenario", "%s", what.c_str());
    throw CaseAbort{};
  }

 private:
  void Settle() {
    if (!probe_.Settle()) Fail("the game's thread did not take what was sent to it");
  }

  // A message to a window of the game, answered within a bounded time.
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (window == nullptr ||
        !SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
      Fail("message " + std::to_string(message) + " was not answered");
    return static_cast<LRESULT>(result);
  }

  // A window's text as WM_GETTEXT gives it (an edit box's contents too), in UTF-8.
  std::string Text(HWND window) {
    std::wstring text(static_cast<size_t>(Send(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return ToUtf8(text);
  }

  HWND OpenDialog() {
    const std::vector<HWND> open = GameDialogs(game_);
    if (open.size() != 1) Fail(std::to_string(open.size()) + " dialogs are open, not one");
    return open[0];
  }

  HWND LevelDialog() {
    const HWND dialog = OpenDialog();
    if (GetDlgItem(dialog, kBoardList) == nullptr || GetDlgItem(dialog, kSkillList) == nullptr)
      Fail("the open dialog has no board and skill lists");
    return dialog;
  }

  // The item as the menu shows it once entered (the game sets it on WM_INITMENU).
  e2e::MenuItem EnteredMenuItem(Command command) {
    probe_.InitMenu();
    return probe_.Item(command);
  }

  Game game_;
  Probe probe_{game_};
};

[[maybe_unused]] const bool kRegistered = [] {
  for (const scenario::Scenario& s : scenario::AllScenarios()) {
    RegisterCase(std::string("scenario_") + s.name, [&s] {
      WindowsPlayer player;
      scenario::RunScenario(s, player);
    });
  }
  return true;
}();

}  // namespace

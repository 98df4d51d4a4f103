// The menu bar, the accelerators, the Level and Instructions dialogs and the About box.
// Menus cannot be read from another process, so the menu is read by the game probe
// placed on the game's user-interface thread; dialogs are found by
// their captions and driven by posting to them.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/help_text.h"
#include "tests/e2e/e2e.h"
#include "tests/e2e/game_dialogs.h"

using namespace e2e;

namespace {

// ---------------------------------------------------------------------------
// The menu, as read inside the game

// Level (522), Free play (523) and Instructions (533) are greyed together or not at all;
// New (521), Sound (524), Quit (526) and About (531) are never greyed.
void CheckRefusedItems(const Probe& probe, bool greyed, const char* when) {
  for (const e2e::MenuItem& item : probe.Menu()) {
    if (item.depth != 1 || item.Separator()) continue;
    const bool refusable = item.id == CommandNumber(kLevel) ||
                           item.id == CommandNumber(kFreePlay) ||
                           item.id == CommandNumber(kInstructions);
    if (refusable && greyed) {
      E2E_CHECK(item.Greyed(), "%s: item %u is not greyed (state %u/%u)", when, item.id, item.state,
                item.menuState);
    } else {
      E2E_CHECK(item.Enabled(), "%s: item %u is not enabled (state %u/%u)", when, item.id,
                item.state, item.menuState);
    }
  }
}

// ---------------------------------------------------------------------------
// Dialogs of the game

// A key press delivered to the control that has the keyboard focus in the dialog's
// thread, through the dialog's own message loop.
void PostKeyToFocus(HWND dialog, WORD virtualKey) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  HWND target =
      GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr ? info.hwndFocus : dialog;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | scan);
  PostMessageA(target, WM_KEYUP, virtualKey, 1 | scan | (LPARAM{3} << 30));
}

// The entries of a combo box of another process. The ANSI form of CB_GETLBTEXT
// returns one character across processes; the wide form returns the text.
std::vector<std::wstring> ComboEntries(HWND combo) {
  std::vector<std::wstring> entries;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (length > 0 && length < 128)
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text[0] != L'\0' ? text : L"?");
  }
  return entries;
}

int Selection(HWND dialog, int list) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, list), CB_GETCURSEL, 0, 0));
}

std::wstring SelectedText(HWND dialog, int list) {
  const std::vector<std::wstring> entries = ComboEntries(GetDlgItem(dialog, list));
  const int selected = Selection(dialog, list);
  return selected >= 0 && selected < static_cast<int>(entries.size()) ? entries[selected] : L"";
}

// Opens a dialog through its menu command and checks it belongs to the game.
HWND OpenOwnedDialog(const Game& game, Command command, const char* caption) {
  HWND dialog = OpenDialog(game, command, caption);
  E2E_CHECK(GetWindow(dialog, GW_OWNER) == game.Window(), "\"%s\" has another owner", caption);
  return dialog;
}

HWND OpenLevelDialog(const Game& game) { return OpenOwnedDialog(game, kLevel, kLevelCaption); }

void CheckSelections(HWND dialog, int board, int skill, const char* when) {
  E2E_CHECK(Selection(dialog, kBoardList) == board, "%s: board entry %d selected, want %d", when,
            Selection(dialog, kBoardList), board);
  E2E_CHECK(Selection(dialog, kSkillList) == skill, "%s: skill entry %d selected, want %d", when,
            Selection(dialog, kSkillList), skill);
}

// A command the game handles without a modal loop, sent so that it has been handled
// when this returns (a posted one could still wait behind a message sent later).
bool SendCommand(const Game& game, uint16_t id) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(game.Window(), WM_COMMAND, id, 0, SMTO_NORMAL, 3000, &result) != 0;
}

// ---------------------------------------------------------------------------
// Getting the game into a state

// Waits (bounded) for the player's turn; returns the last square the computer flashed
// before it. The case ends with `missing` when the turn does not come, and when no
// flash was seen.
int LastFlashBeforeYourTurn(const Game& game, const Geometry& g, DWORD limitMs,
                            const char* missing) {
  int flashed = -1;
  const bool turn = WaitUntil(limitMs, [&] {
    const Frame frame = game.Capture();
    const int lit = frame.LitSquare(g);
    if (lit >= 0) flashed = lit;
    return frame.ShowsStatus(g, kYourTurnColour);
  });
  E2E_REQUIRE(turn, "%s", missing);
  E2E_REQUIRE(flashed >= 0, "no flashed square was seen");
  return flashed;
}

// Starts a game with the menu command and waits for the player's turn; returns the
// square the computer flashed.
int StartAndReachYourTurn(const Game& game, const Geometry& g) {
  game.Command(kNewGame);
  return LastFlashBeforeYourTurn(game, g, 10000, "no \"Your turn\" after starting a game");
}

// Loses the game at once by pressing a square other than the flashed one.
void LoseAtOnce(const Game& game, const Geometry& g) {
  const int flashed = StartAndReachYourTurn(game, g);
  game.ClickSquare(g, (flashed + 1) % g.Squares());
  E2E_REQUIRE(WaitForStatus(game, g, kWrongColour, 3000), "no \"Wrong!\" after a wrong square");
}

void StartFreePlayState(const Game& game, const Geometry& g) {
  CommandUntilStatus(game, g, kFreePlay, kFreePlayColour, "no \"Free play\"");
}

}  // namespace

// ---------------------------------------------------------------------------
// Menu bar

E2E_CASE(menu_bar_items_ids_and_texts_in_order) {
  Game game;
  Probe probe(game);

  struct Wanted {
    int depth;
    unsigned id;
    const char* text;  // nullptr: a separator
  };
  const Wanted wanted[] = {
      {0, 0, "&Jeu"},
      {1, CommandNumber(kNewGame), "&Nouveau Jeu\tF2"},
      {1, CommandNumber(kLevel), "Ni&veau...\tF3"},
      {1, CommandNumber(kFreePlay), "Jeu &Libre"},
      {1, 0, nullptr},
      {1, CommandNumber(kSound), "&Son"},
      {1, 0, nullptr},
      {1, CommandNumber(kQuit), "&Quitter"},
      {0, 0, "&Aide"},
      {1, CommandNumber(kInstructions), "&Instructions\tF1"},
      {1, 0, nullptr},
      {1, CommandNumber(kAbout), "&A Propos"},
  };
  const size_t count = sizeof wanted / sizeof wanted[0];

  // Before the menu is first entered it is as the game made it: nothing greyed
  // or checked.
  const std::vector<e2e::MenuItem> items = probe.Menu();
  E2E_REQUIRE(items.size() == count, "%u menu items, want %u", static_cast<unsigned>(items.size()),
              static_cast<unsigned>(count));
  for (size_t i = 0; i < count; ++i) {
    const e2e::MenuItem& item = items[i];
    const Wanted& want = wanted[i];
    E2E_CHECK(item.depth == want.depth, "item %u: depth %d", static_cast<unsigned>(i), item.depth);
    if (want.text == nullptr) {
      E2E_CHECK(item.Separator(), "item %u (\"%s\") is not a separator", static_cast<unsigned>(i),
                item.text.c_str());
      continue;
    }
    E2E_CHECK(!item.Separator() && item.text == want.text && item.id == want.id,
              "item %u is %u \"%s\", want %u \"%s\"", static_cast<unsigned>(i), item.id,
              item.text.c_str(), want.id, want.text);
    E2E_CHECK(item.Enabled() && item.Unchecked(), "item \"%s\" starts with state %u/%u", want.text,
              item.state, item.menuState);
  }
  // Entering it sets the check mark of the sound switch, which is on at start-up.
  probe.InitMenu();
  E2E_CHECK(probe.Item(kSound).Checked(), "\"&Son\" is not checked at start-up");
  CheckRefusedItems(probe, false, "at start-up");
}

E2E_CASE(menu_greys_level_free_play_and_instructions_only_while_a_game_runs) {
  Game game;
  const Geometry g = At640(game);
  Probe probe(game);

  probe.InitMenu();
  CheckRefusedItems(probe, false, "Idle");

  // YourTurn, with the menu entered by a real key press (F10) as a player would:
  // the items were last set enabled, so greying now comes from entering the menu.
  const int first = StartAndReachYourTurn(game, g);
  game.PressKey(VK_F10);
  const bool greyed = WaitUntil(2000, [&] { return probe.Item(kLevel).Greyed(); });
  if (!greyed) Note("entering the menu with F10 did not grey \"Ni&veau...\"");
  CheckRefusedItems(probe, true, "YourTurn, menu entered with F10");
  game.PressKey(VK_ESCAPE);
  game.PressKey(VK_ESCAPE);

  // Watch: a sequence of two lasts about a second on screen.
  game.ClickSquare(g, first);
  E2E_REQUIRE(WaitForStatus(game, g, kWatchColour, 3000), "no \"Watch\" after a right square");
  probe.InitMenu();
  const bool stillWatch = game.Capture().ShowsStatus(g, kWatchColour);
  CheckRefusedItems(probe, true, "Watch");
  if (!stillWatch) Note("the computer's turn ended while the menu was read");
  E2E_REQUIRE(WaitForStatus(game, g, kYourTurnColour, 5000), "no \"Your turn\"");

  // The greying is set when the menu is entered, not when the state changes.
  E2E_REQUIRE(WaitForStatus(game, g, kWrongColour, 10000), "no \"Wrong!\" after the time ran out");
  CheckRefusedItems(probe, true, "Wrong, menu not entered again");
  probe.InitMenu();
  CheckRefusedItems(probe, false, "Wrong");

  StartFreePlayState(game, g);
  probe.InitMenu();
  CheckRefusedItems(probe, false, "FreePlay");
}

E2E_CASE(sound_item_check_mark_follows_the_sound_switch) {
  Game game;
  Probe probe(game);
  probe.InitMenu();
  E2E_CHECK(probe.Item(kSound).Checked(), "not checked at start-up");
  E2E_REQUIRE(SendCommand(game, CommandNumber(kSound)), "command 524 was not handled");
  probe.InitMenu();
  E2E_CHECK(probe.Item(kSound).Unchecked(), "still checked after switching sound off");
  E2E_REQUIRE(SendCommand(game, CommandNumber(kSound)), "command 524 was not handled");
  probe.InitMenu();
  E2E_CHECK(probe.Item(kSound).Checked(), "not checked after switching sound on again");
  // The system menu's WM_INITMENU updates the menu bar too.
  E2E_REQUIRE(SendCommand(game, CommandNumber(kSound)), "command 524 was not handled");
  probe.InitMenu(GetSystemMenu(game.Window(), FALSE));
  E2E_CHECK(probe.Item(kSound).Unchecked(), "WM_INITMENU of the system menu left the check mark");
}

E2E_CASE(unassigned_commands_do_nothing) {
  Game game;
  const Geometry g = At640(game);
  StartFreePlayState(game, g);
  Probe probe(game);
  probe.InitMenu();
  const std::vector<e2e::MenuItem> menuBefore = probe.Menu();
  E2E_REQUIRE(game.Sync(), "the game does not answer");
  Sleep(100);
  const Frame before = game.Capture();

  for (uint16_t id : {525, 527, 528, 529, 530, 532}) {
    E2E_CHECK(SendCommand(game, id), "command %u was not handled at once", id);
  }
  E2E_CHECK(HoldsFor(600, [&] { return GameDialog(game) == nullptr && game.Running(); }),
            "an unassigned command opened a window or ended the game");
  const int changed =
      game.Capture().Differences(before, Box{0, 0, before.Width(), before.Height()});
  E2E_CHECK(changed == 0, "%d pixels changed", changed);
  probe.InitMenu();
  const std::vector<e2e::MenuItem> menuAfter = probe.Menu();
  E2E_CHECK(menuAfter.size() == menuBefore.size(), "the menu changed");
  for (size_t i = 0; i < menuAfter.size() && i < menuBefore.size(); ++i) {
    E2E_CHECK(menuAfter[i].menuState == menuBefore[i].menuState, "item \"%s\" changed state",
              menuAfter[i].text.c_str());
  }
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(quit_command_ends_the_program_with_code_0) {
  Game game;
  game.Command(kQuit);
  E2E_CHECK(game.WaitForExit(10000) == 0, "exit code after \"&Quitter\"");
  E2E_CHECK(GameWindows(game.ProcessId()).empty(), "a game window outlived the process");
}

// ---------------------------------------------------------------------------
// Accelerators (real key presses)

E2E_CASE(f1_and_f3_open_their_dialogs_outside_a_game) {
  Game game;
  const Geometry g = At640(game);
  auto opens = [&](WORD key, const char* caption, const char* when) {
    game.PressKey(key);
    HWND dialog = WaitForDialog(game, caption);
    E2E_REQUIRE(dialog != nullptr, "F%d %s did not open \"%s\"", key - VK_F1 + 1, when, caption);
    E2E_REQUIRE(PressDialogButton(dialog, IDCANCEL), "\"%s\" did not close", caption);
  };
  opens(VK_F3, kLevelCaption, "at rest");
  opens(VK_F1, kInstructionsCaption, "at rest");
  // After a lost game and in free play they work again.
  LoseAtOnce(game, g);
  opens(VK_F3, kLevelCaption, "after a lost game");
  StartFreePlayState(game, g);
  opens(VK_F1, kInstructionsCaption, "in free play");
}

E2E_CASE(f1_and_f3_do_nothing_during_a_game) {
  Game game;
  const Geometry g = At640(game);

  game.PressKey(VK_F2);
  E2E_REQUIRE(WaitForStatus(game, g, kWatchColour, 3000), "F2 did not start a game");
  game.PressKey(VK_F3);
  game.PressKey(VK_F1);
  E2E_CHECK(HoldsFor(500, [&] { return GameDialog(game) == nullptr; }), "a dialog opened in Watch");

  E2E_REQUIRE(WaitForStatus(game, g, kYourTurnColour, 5000), "no \"Your turn\"");
  game.PressKey(VK_F3);
  game.PressKey(VK_F1);
  E2E_CHECK(HoldsFor(500, [&] { return GameDialog(game) == nullptr; }),
            "a dialog opened in YourTurn");
  E2E_CHECK(game.Capture().ShowsStatus(g, kYourTurnColour), "the game left its turn");
}

E2E_CASE(f2_starts_a_new_game_in_every_state) {
  Game game;
  const Geometry g = At640(game);

  // Idle.
  game.PressKey(VK_F2);
  E2E_REQUIRE(WaitForStatus(game, g, kWatchColour, 3000), "F2 at rest did not start a game");

  // YourTurn: back to the computer's turn.
  E2E_REQUIRE(WaitForStatus(game, g, kYourTurnColour, 5000), "no \"Your turn\"");
  game.PressKey(VK_F2);
  E2E_CHECK(WaitForStatus(game, g, kWatchColour, 3000), "F2 in YourTurn did not restart");

  // Watch, in a sequence of two: after F2 the computer plays a sequence of one, so
  // repeating the last square it flashes completes the sequence ("OK").
  const int first = LastFlashBeforeYourTurn(game, g, 5000, "no \"Your turn\"");
  game.ClickSquare(g, first);
  E2E_REQUIRE(WaitForStatus(game, g, kWatchColour, 3000), "no \"Watch\" for the sequence of two");
  game.PressKey(VK_F2);
  const int last = LastFlashBeforeYourTurn(game, g, 5000, "no \"Your turn\" after F2 in Watch");
  game.ClickSquare(g, last);
  E2E_CHECK(WaitForStatus(game, g, kOkColour, 3000),
            "one square did not complete the sequence: F2 in Watch did not restart the game");

  // Wrong.
  E2E_REQUIRE(WaitForStatus(game, g, kYourTurnColour, 5000), "no \"Your turn\"");
  game.ClickSquare(g, g.Squares() - 1);
  game.ClickSquare(g, 0);
  E2E_REQUIRE(WaitForStatus(game, g, kWrongColour, 8000), "no \"Wrong!\"");
  game.PressKey(VK_F2);
  E2E_CHECK(WaitForStatus(game, g, kWatchColour, 3000), "F2 after a lost game did not start one");

  // FreePlay, which a running game refuses: the game F2 started is lost first.
  LoseAtOnce(game, g);
  StartFreePlayState(game, g);
  game.PressKey(VK_F2);
  E2E_CHECK(WaitForStatus(game, g, kWatchColour, 3000), "F2 in free play did not start a game");
}

// ---------------------------------------------------------------------------
// Level dialog

E2E_CASE(level_dialog_lists_boards_and_skills_with_the_start_up_choice) {
  Game game;
  HWND dialog = OpenLevelDialog(game);

  const std::vector<std::wstring> boards = ComboEntries(GetDlgItem(dialog, kBoardList));
  const wchar_t* const wantBoards[] = {L"1: 2 squares", L"2: 4 squares",  L"3: 6 squares",
                                       L"4: 9 squares", L"5: 12 squares", L"6: 16 squares",
                                       L"7: 20 squares"};
  E2E_CHECK(boards.size() == 7, "%u board entries", static_cast<unsigned>(boards.size()));
  for (size_t i = 0; i < boards.size() && i < 7; ++i) {
    E2E_CHECK(boards[i] == wantBoards[i], "board entry %u is \"%s\"", static_cast<unsigned>(i),
              ToUtf8(boards[i]).c_str());
  }
  const std::vector<std::wstring> skills = ComboEntries(GetDlgItem(dialog, kSkillList));
  const int notes[] = {6, 10, 15, 20, 25, 30, 40, 50, 62, 75, 87, 100};
  E2E_CHECK(skills.size() == 12, "%u skill entries", static_cast<unsigned>(skills.size()));
  for (size_t i = 0; i < skills.size() && i < 12; ++i) {
    const std::wstring want =
        std::to_wstring(i + 1) + L": " + std::to_wstring(notes[i]) + L" notes";
    E2E_CHECK(skills[i] == want, "skill entry %u is \"%s\"", static_cast<unsigned>(i),
              ToUtf8(skills[i]).c_str());
  }
  CheckSelections(dialog, 1, 1, "at start-up");
  E2E_CHECK(SelectedText(dialog, kBoardList) == L"2: 4 squares", "board shown \"%s\"",
            ToUtf8(SelectedText(dialog, kBoardList)).c_str());
  E2E_CHECK(SelectedText(dialog, kSkillList) == L"2: 10 notes", "skill shown \"%s\"",
            ToUtf8(SelectedText(dialog, kSkillList)).c_str());

  // The French texts as the player reads them, the accented letter included.
  const std::vector<std::string> texts = ControlTexts(dialog);
  E2E_REQUIRE(texts.size() == 7, "%u controls", static_cast<unsigned>(texts.size()));
  E2E_CHECK(texts[0] == "Veuillez choisir un tableau et un niveau de comp\xC3\xA9tences",
            "first line \"%s\"", texts[0].c_str());
  E2E_CHECK(texts[1] == "Tableau:" && texts[3] == "Niveau:", "labels \"%s\", \"%s\"",
            texts[1].c_str(), texts[3].c_str());
  E2E_CHECK(texts[5] == "OK" && texts[6] == "Annuler", "buttons \"%s\", \"%s\"", texts[5].c_str(),
            texts[6].c_str());

  // Other commands leave the dialog open; the close box cancels it.
  PostMessageA(dialog, WM_COMMAND, 3, 0);
  E2E_CHECK(HoldsFor(300, [&] { return IsWindow(dialog) && IsWindowVisible(dialog); }),
            "command 3 closed the dialog");
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  E2E_CHECK(WaitClosed(dialog), "the close box did not close the dialog");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(level_ok_with_board_7_draws_a_5_by_4_grid) {
  Game game;
  game.SetClientSize(640, 480);
  HWND dialog = OpenLevelDialog(game);
  SetLevelChoice(dialog, 6, 11);
  E2E_REQUIRE(PressDialogButton(dialog, IDOK), "OK did not close the dialog");

  const Geometry g = game.Layout(6);
  E2E_REQUIRE(g.columns == 5 && g.rows == 4, "geometry of the driver");
  std::string problems;
  E2E_CHECK(WaitForGridOnly(game, g, {}, 3000, &problems), "no 5 x 4 grid: %s", problems.c_str());

  // The choice is kept: the dialog opens on it next time.
  dialog = OpenLevelDialog(game);
  CheckSelections(dialog, 6, 11, "reopened after OK");
  E2E_REQUIRE(PressDialogButton(dialog, IDCANCEL), "Annuler did not close the dialog");

  // And a game is played on it: a flash lands in one of the 20 squares.
  game.Command(kNewGame);
  int lit = -1;
  E2E_CHECK(WaitUntil(5000,
                      [&] {
                        const Frame frame = game.Capture();
                        for (int s = 0; s < g.Squares(); ++s) {
                          const Box b = g.Square(s);
                          const Colour centre = frame.At(g.CentreX(s), g.CentreY(s));
                          if (centre != WindowColour() && frame.All(b, centre)) lit = s;
                        }
                        return lit >= 0;
                      }),
            "no square of the 5 x 4 board lit");
}

E2E_CASE(level_ok_with_unchanged_choices_after_a_lost_game_clears_the_panel) {
  Game game;
  const Geometry g = At640(game);
  LoseAtOnce(game, g);
  E2E_REQUIRE(game.Capture().Count(g.StatusPanel(), kWrongColour) > 0, "no status panel to clear");

  HWND dialog = OpenLevelDialog(game);
  CheckSelections(dialog, 1, 1, "after a lost game");
  E2E_REQUIRE(PressDialogButton(dialog, IDOK), "OK did not close the dialog");
  std::string problems;
  E2E_CHECK(WaitForGridOnly(game, g, {}, 3000, &problems), "the board is not empty after OK: %s",
            problems.c_str());
}

E2E_CASE(level_cancel_escape_and_close_box_change_nothing) {
  Game game;
  const Geometry g = At640(game);
  StartFreePlayState(game, g);

  // "Annuler", Esc and the close box, each after changing both choices.
  const struct {
    const char* how;
    void (*close)(HWND dialog);
  } ways[] = {
      {"Annuler", [](HWND d) { PressDialogButton(d, IDCANCEL); }},
      {"Esc", [](HWND d) { PostKeyToFocus(d, VK_ESCAPE); }},
      {"the close box", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }},
  };
  for (const auto& way : ways) {
    HWND dialog = OpenLevelDialog(game);
    CheckSelections(dialog, 1, 1, "on opening");
    SetLevelChoice(dialog, 5, 9);
    way.close(dialog);
    E2E_REQUIRE(WaitClosed(dialog), "%s did not close the dialog", way.how);
    // Still free play on the 2 x 2 board.
    E2E_CHECK(HoldsFor(300, [&] { return game.Capture().ShowsStatus(g, kFreePlayColour); }),
              "after %s the game left free play", way.how);
    std::string problems = game.Capture().CheckGridOnly(g, {g.StatusPanel()});
    E2E_CHECK(problems.empty(), "after %s: %s", way.how, problems.c_str());
  }
  HWND dialog = OpenLevelDialog(game);
  CheckSelections(dialog, 1, 1, "after three cancels");
  E2E_REQUIRE(PressDialogButton(dialog, IDCANCEL), "Annuler did not close the dialog");
}

// ---------------------------------------------------------------------------
// Instructions and About

E2E_CASE(instructions_show_the_help_text_exactly) {
  Game game;
  HWND dialog = OpenOwnedDialog(game, kInstructions, kInstructionsCaption);

  HWND box = GetDlgItem(dialog, kHelpBox);
  E2E_REQUIRE(box != nullptr, "no text box %d", kHelpBox);
  const LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(strnlen(text.c_str(), text.size()));
  E2E_CHECK(text == kHelpText, "the text box holds %u characters, want %u",
            static_cast<unsigned>(text.size()), static_cast<unsigned>(sizeof kHelpText - 1));
  const LONG style = GetWindowLongA(box, GWL_STYLE);
  E2E_CHECK((style & ES_READONLY) != 0 && (style & ES_MULTILINE) != 0, "text box style %08lX",
            static_cast<unsigned long>(style));

  // It opens at the top of the text, with nothing selected.
  E2E_CHECK(WaitUntil(2000,
                      [&] {
                        return SendMessageA(box, EM_GETSEL, 0, 0) == 0 &&
                               SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0) == 0;
                      }),
            "selection %08lX, first visible line %d",
            static_cast<unsigned long>(SendMessageA(box, EM_GETSEL, 0, 0)),
            static_cast<int>(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0)));

  // OK (1) is not one of its commands; Enter presses "Fermer".
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  E2E_CHECK(HoldsFor(300, [&] { return IsWindow(dialog) && IsWindowVisible(dialog); }),
            "command 1 closed the Instructions");
  PostKeyToFocus(dialog, VK_RETURN);
  E2E_CHECK(WaitClosed(dialog), "Enter did not close the Instructions");

  dialog = OpenDialog(game, kInstructions, kInstructionsCaption);
  E2E_CHECK(PressDialogButton(dialog, IDCANCEL), "\"Fermer\" did not close the Instructions");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(about_box_opens_and_closes_while_the_game_runs_beneath) {
  Game game;
  const Geometry g = At640(game, kNewGame, kWatchColour, "no game started");

  HWND about = OpenOwnedDialog(game, kAbout, kAboutBoxCaption);
  // Out of the way of the game window, whose pixels are watched.
  SetWindowPos(about, nullptr, 700, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  std::string all;
  for (const std::string& text : ControlTexts(about)) all += text + '\n';
  E2E_CHECK(all.find("Zirirar Aduzo") != std::string::npos && all.find("1.03") != std::string::npos,
            "About text: %s", all.c_str());

  // The game goes on underneath: its turn comes, and with no press it is lost.
  E2E_CHECK(WaitForStatus(game, g, kYourTurnColour, 5000), "no \"Your turn\" under the About box");
  E2E_CHECK(WaitForStatus(game, g, kWrongColour, 12000), "no \"Wrong!\" under the About box");
  E2E_CHECK(IsWindow(about) && IsWindowVisible(about), "the About box closed by itself");

  E2E_REQUIRE(PressDialogButton(about, IDOK), "OK did not close the About box");
  game.Command(kNewGame);
  E2E_CHECK(WaitForStatus(game, g, kWatchColour, 3000), "the game is not playable after About");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

// While a dialog or the About box is open the main window takes no input, so a player
// cannot ask for another; commands posted to the window from outside cannot either:
// no second modal window opens on top of the first, neither then nor after it closes.
E2E_CASE(no_dialog_opens_on_top_of_another) {
  Game game;
  game.SetClientSize(640, 480);
  Probe probe(game);
  struct Opener {
    Command command;
    const char* caption;
  };
  const Opener openers[] = {
      {kLevel, kLevelCaption}, {kInstructions, kInstructionsCaption}, {kAbout, kAboutBoxCaption}};
  for (const Opener& first : openers) {
    game.Command(first.command);
    E2E_REQUIRE(probe.Settle(), "the game did not take command %u", CommandNumber(first.command));
    HWND dialog = GameDialog(game, first.caption);
    E2E_REQUIRE(dialog != nullptr, "command %u opened no \"%s\"", CommandNumber(first.command),
                first.caption);
    for (const Opener& second : openers) game.Command(second.command);
    E2E_REQUIRE(probe.Settle(), "the game did not take the commands posted over \"%s\"",
                first.caption);
    E2E_CHECK(GameDialogs(game).size() == 1, "%u modal windows open over \"%s\"",
              static_cast<unsigned>(GameDialogs(game).size()), first.caption);
    E2E_REQUIRE(PressDialogButton(dialog, IDCANCEL), "\"%s\" did not close", first.caption);
    E2E_REQUIRE(probe.Settle(), "the game did not go back to its own loop");
    E2E_CHECK(HoldsFor(300, [&] { return GameDialog(game) == nullptr; }),
              "a refused command opened a dialog after \"%s\" closed", first.caption);
  }
  // Refused only while one is open: the next command opens its dialog as usual.
  HWND level = OpenLevelDialog(game);
  E2E_CHECK(PressDialogButton(level, IDCANCEL), "the Level dialog did not close");
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

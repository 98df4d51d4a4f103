// The menu bar of the main window: greying while a game runs, the command of every
// item and accelerator, the Level and Instructions dialogs and the About box.
#include <windows.h>

#include <cstdint>

#include "resources/help_text.h"
#include "resources/resource_ids.h"
#include "sound/sound_player.h"
#include "ui/shell_rules.h"
#include "win32/shell.h"

namespace {

// Board and skill chooser. Entry position equals board or skill index.
INT_PTR CALLBACK LevelDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      char entry[kLevelEntryCapacity];
      for (int16_t i = 0; i < kBoardCount; ++i) {
        BoardEntry(i, entry);
        SendDlgItemMessageA(dialog, IDC_BOARD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
      }
      for (int16_t i = 0; i < kSkillCount; ++i) {
        SkillEntry(i, entry);
        SendDlgItemMessageA(dialog, IDC_SKILL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
      }
      SendDlgItemMessageA(dialog, IDC_BOARD, CB_SETCURSEL, g_game.boardIndex, 0);
      SendDlgItemMessageA(dialog, IDC_SKILL, CB_SETCURSEL, g_game.skillIndex, 0);
      return TRUE;  // the focus goes to the first tab stop, the board list
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          const auto board =
              static_cast<int16_t>(SendDlgItemMessageA(dialog, IDC_BOARD, CB_GETCURSEL, 0, 0));
          const auto skill =
              static_cast<int16_t>(SendDlgItemMessageA(dialog, IDC_SKILL, CB_GETCURSEL, 0, 0));
          ApplyLevel(g_game, MainSound(), board, skill);
          EndDialog(dialog, 1);
          break;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          break;
        default:
          break;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK InstructionsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetDlgItemTextA(dialog, IDC_INSTRUCTIONS, kHelpText);
      // Giving the text box the focus selects all of its text and scrolls to its
      // end; these run after that, so the text opens at its first line, unselected.
      HWND text = GetDlgItem(dialog, IDC_INSTRUCTIONS);
      PostMessageA(text, EM_SETSEL, 0, 0);
      PostMessageA(text, EM_SCROLLCARET, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

// True while one of the modal windows below is open. It disables the main window, so a
// player cannot reach the menu or the accelerators then; only a command posted to the
// window from outside could still ask for another modal window on top of it, and the
// shared rules refuse that command.
bool g_modalOpen = false;

struct ModalScope {
  ModalScope() { g_modalOpen = true; }
  ~ModalScope() { g_modalOpen = false; }
};

// The shared rules' side of the Windows shell: each dialog runs modally, in its own
// message loop, until it is closed.
class WindowsShell final : public ShellActions {
 public:
  GameView& View() override { return MainView(); }
  SoundPlayer& Sound() override { return MainSound(); }
  SoundOutput& Output() override { return MainSoundOutput(); }
  bool DialogOpen() override { return g_modalOpen; }

  void OpenLevelDialog() override {
    ModalScope modal;
    if (DialogBoxParamA(ModuleInstance(), "LevelBox", MainWindow(), LevelDialog, 0) != 0) {
      InvalidateRect(MainWindow(), nullptr, TRUE);
    }
  }

  void OpenInstructions() override {
    ModalScope modal;
    DialogBoxParamA(ModuleInstance(), "InstructBox", MainWindow(), InstructionsDialog, 0);
  }

  void OpenAbout() override {
    ModalScope modal;
    MessageBoxA(MainWindow(), kAboutText, kAboutCaption, MB_OK | MB_ICONINFORMATION);
  }

  void CloseMainWindow() override { SendMessageA(MainWindow(), WM_CLOSE, 0, 0); }
};

}  // namespace

ShellActions& MainShell() {
  static WindowsShell shell;
  return shell;
}

// WM_INITMENU also arrives for the system menu; whichever menu it names, the main
// menu is the one brought up to date. The platform swallows the accelerator of a
// greyed item (F3, F1).
void OnInitMenu() {
  HMENU menu = MainMenu();
  for (uint16_t id : kMenuCommands) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (CommandAllowed(g_game, id) ? MF_ENABLED : MF_GRAYED));
  }
  CheckMenuItem(menu, ID_GAME_SOUND,
                MF_BYCOMMAND | (SoundChecked(g_game) ? MF_CHECKED : MF_UNCHECKED));
}

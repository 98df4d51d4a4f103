#include "win32/dialogs.h"

#include "resources/help_text.h"
#include "rules/commands.h"
#include "win32/resources/resource_ids.h"

namespace {

struct LevelChoice {
  int16_t board, skill;
};

// Board and skill chooser. Entry position equals board or skill index.
INT_PTR CALLBACK LevelDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const auto& choice = *reinterpret_cast<const LevelChoice*>(lParam);
      char entry[kLevelEntryCapacity];
      for (int16_t i = 0; i < kBoardCount; ++i) {
        BoardEntry(i, entry);
        SendDlgItemMessageA(dialog, IDC_BOARD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
      }
      for (int16_t i = 0; i < kSkillCount; ++i) {
        SkillEntry(i, entry);
        SendDlgItemMessageA(dialog, IDC_SKILL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
      }
      SendDlgItemMessageA(dialog, IDC_BOARD, CB_SETCURSEL, choice.board, 0);
      SendDlgItemMessageA(dialog, IDC_SKILL, CB_SETCURSEL, choice.skill, 0);
      return TRUE;  // the focus goes to the first tab stop, the board list
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          auto& choice = *reinterpret_cast<LevelChoice*>(GetWindowLongPtrA(dialog, DWLP_USER));
          choice.board =
              static_cast<int16_t>(SendDlgItemMessageA(dialog, IDC_BOARD, CB_GETCURSEL, 0, 0));
          choice.skill =
              static_cast<int16_t>(SendDlgItemMessageA(dialog, IDC_SKILL, CB_GETCURSEL, 0, 0));
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

}  // namespace

bool RunLevelDialog(HINSTANCE instance, HWND owner, int16_t& board, int16_t& skill) {
  LevelChoice choice = {board, skill};
  if (DialogBoxParamA(instance, "LevelBox", owner, LevelDialog,
                      reinterpret_cast<LPARAM>(&choice)) != 1)
    return false;
  board = choice.board;
  skill = choice.skill;
  return true;
}

void RunInstructionsDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, "InstructBox", owner, InstructionsDialog, 0);
}

void RunAboutBox(HWND owner) {
  MessageBoxA(owner, kAboutText, kAboutCaption, MB_OK | MB_ICONINFORMATION);
}

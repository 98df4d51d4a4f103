// The smallest program that does what the game does with its dialogs, for comparison
// in the soak measurement (run.sh): a plain window of the game's class name, so that
// the soak driver drives it exactly as it drives the game, which on the game's command
// numbers (win32/command_ids.h) opens, under the game's captions (the driver finds its
// dialogs by them)
//   522  a dialog laid out like the Level dialog: two statics, two drop-down lists of 7
//        and 12 entries, OK and Cancel, controls 640 and 642
//   533  a dialog laid out like the Instructions dialog: a read-only multi-line edit
//        box (control 658) with a text (see below), and a close button
//   531  a message box with the information icon, like the About box
// built from templates in memory with no code of the game's. There is no menu, no timer
// and no painting of its own.
//
// The environment variable BARE_DIALOG chooses the text of the edit box (the driver's
// kinds stay the same):
//   help    (default) the game's own help text, 1,566 characters whose long lines the
//           box wraps
//   long    the game's help text four times over
//   short   2,400 characters in lines of 60, none of them wrapped
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/help_text.h"
#include "win32/command_ids.h"
#include "win32/resources/resource_ids.h"
#include "win32/window_class.h"

namespace {

HWND g_window = nullptr;
std::string g_text;

// An in-memory DLGTEMPLATE: the header, then each item, DWORD-aligned.
class Template {
 public:
  Template(const wchar_t* caption, short cx, short cy, int items) {
    Align();
    Put<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    Put<DWORD>(0);
    Put<WORD>(static_cast<WORD>(items));
    Put<short>(50), Put<short>(0), Put<short>(cx), Put<short>(cy);
    Put<WORD>(0), Put<WORD>(0);  // no menu, the dialog class
    Text(caption);
    Put<WORD>(8);
    Text(L"MS Sans Serif");
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
            const wchar_t* text) {
    Align();
    Put<DWORD>(style | WS_CHILD | WS_VISIBLE);
    Put<DWORD>(0);
    Put<short>(x), Put<short>(y), Put<short>(cx), Put<short>(cy);
    Put<WORD>(id);
    Put<WORD>(0xFFFF), Put<WORD>(atom);  // a predefined class by its atom
    Text(text);
    Put<WORD>(0);  // no creation data
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  template <typename T>
  void Put(T value) {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4, "words");
    WORD parts[2];
    std::memcpy(parts, &value, sizeof value);
    for (size_t i = 0; i < sizeof value / 2; ++i) words_.push_back(parts[i]);
  }
  void Text(const wchar_t* text) {
    for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
    words_.push_back(0);
  }
  void Align() {
    if (words_.size() % 2) words_.push_back(0);
  }

  std::vector<WORD> words_;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85;

INT_PTR CALLBACK LevelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    char entry[32];
    for (int i = 1; i <= 7; ++i) {
      wsprintfA(entry, "%d: %d squares", i, 2 * i);
      SendDlgItemMessageA(dialog, IDC_BOARD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    for (int i = 1; i <= 12; ++i) {
      wsprintfA(entry, "%d: %d notes", i, 5 * i);
      SendDlgItemMessageA(dialog, IDC_SKILL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendDlgItemMessageA(dialog, IDC_BOARD, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(dialog, IDC_SKILL, CB_SETCURSEL, 1, 0);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
  }
  return FALSE;
}

INT_PTR CALLBACK InstructionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, IDC_INSTRUCTIONS, g_text.c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
  return FALSE;
}

void ShowLevel() {
  Template t(L"Choisir un niveau", 200, 100, 7);
  t.Item(SS_LEFT | WS_GROUP, 10, 10, 180, 12, 0xFFFF, kStatic, L"Choose a board and a skill");
  t.Item(SS_LEFT | WS_GROUP, 10, 35, 30, 12, 0xFFFF, kStatic, L"Board:");
  t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 50, 35, 100, 40, IDC_BOARD, kComboBox, L"");
  t.Item(SS_LEFT | WS_GROUP, 10, 55, 30, 12, 0xFFFF, kStatic, L"Skill:");
  t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 50, 55, 100, 40, IDC_SKILL, kComboBox, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 70, 80, 40, 14, IDOK, kButton, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 120, 80, 40, 14, IDCANCEL, kButton, L"Cancel");
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), g_window, LevelProc, 0);
}

void ShowInstructions() {
  Template t(L"Instructions", 400, 200, 2);
  t.Item(ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 0, 0, 400, 170,
         IDC_INSTRUCTIONS, kEdit, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 180, 180, 40, 14, IDCANCEL, kButton, L"Close");
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), g_window, InstructionsProc, 0);
}

std::string TextOfTheBox() {
  const char* variant = std::getenv("BARE_DIALOG");
  const std::string which = variant != nullptr ? variant : "help";
  std::string text;
  if (which == "short") {
    for (int line = 0; line < 40; ++line)
      text += "The quick brown fox jumps over the lazy dog, again and aga\r\n";
  } else {
    for (int copy = 0; copy < (which == "long" ? 4 : 1); ++copy) text += kHelpText;
  }
  return text;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IdOfCommand(Command::Level)) ShowLevel();
      if (LOWORD(wParam) == IdOfCommand(Command::Instructions)) ShowInstructions();
      if (LOWORD(wParam) == IdOfCommand(Command::About))
        MessageBoxA(window, "A message.", "A Propos", MB_ICONINFORMATION);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = kMainWindowClass;
  if (!RegisterClassA(&windowClass)) return 1;
  g_text = TextOfTheBox();
  g_window =
      CreateWindowExA(0, kMainWindowClass, "Bare dialogs", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
  if (g_window == nullptr) return 1;
  ShowWindow(g_window, showCommand);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

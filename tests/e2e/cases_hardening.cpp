// Hardening seen from outside: a winmm.dll planted beside a copy of the game is never
// loaded, and the game's multimedia library comes from the system folder.
#include <windows.h>
// After windows.h, which it needs:
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

using namespace e2e;

namespace {

constexpr char kPlantedLibrary[] = "planted_winmm.dll";
constexpr char kNaiveLoader[] = "naive_loader.exe";

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Lower(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// A fresh folder holding a copy of the game, the planted winmm.dll and the naive
// loader; removed with everything in it at the end.
class PlantedFolder : public ScratchFolder {
 public:
  PlantedFolder() : ScratchFolder("planted") {
    Copy(GamePath(), "zirirar.exe");
    Copy(DriverDirectory() + "\\" + kPlantedLibrary, "winmm.dll");
    Copy(DriverDirectory() + "\\" + kNaiveLoader, kNaiveLoader);
  }
  ~PlantedFolder() { DeleteFileA(Mark().c_str()); }
  // The file the planted library creates when it is loaded.
  std::string Mark() const { return File("winmm.dll") + ".loaded"; }
};

// Wine prefers its own built-in winmm over a file of that name found beside a
// program. For the two programs of the folder, a per-program DLL override makes it
// take the first winmm.dll that the search order finds, as Windows does.
struct FoundDllsPreferred {
  ProgramDllOverrides game{"zirirar.exe", {{"winmm", "native,builtin"}}};
  ProgramDllOverrides loader{kNaiveLoader, {{"winmm", "native,builtin"}}};
};

// Starts a program of the folder, in that folder.
PROCESS_INFORMATION Start(const PlantedFolder& folder, const char* program) {
  std::string commandLine = "\"" + folder.File(program) + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  E2E_REQUIRE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             folder.Path().c_str(), &startup, &info),
              "cannot start %s (error %lu)", program, GetLastError());
  CloseHandle(info.hThread);
  return info;
}

// Ends the process if it still runs; its exit code, or -1 when it had to be ended.
long Finish(HANDLE process, DWORD limitMs) {
  long code = -1;
  if (WaitForSingleObject(process, limitMs) == WAIT_OBJECT_0) {
    DWORD exit = 0;
    GetExitCodeProcess(process, &exit);
    code = static_cast<long>(exit);
  } else {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  CloseHandle(process);
  return code;
}

Colour PixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return (static_cast<Colour>(GetRValue(c)) << 16) | (static_cast<Colour>(GetGValue(c)) << 8) |
         GetBValue(c);
}

}  // namespace

E2E_CASE(planted_winmm_beside_the_game_is_never_loaded) {
  PlantedFolder folder;
  FoundDllsPreferred overrides;

  // The check can fail: a program that loads winmm.dll by its bare name from this
  // folder, in this environment, does load the planted one.
  const PROCESS_INFORMATION naive = Start(folder, kNaiveLoader);
  E2E_CHECK(Finish(naive.hProcess, 15000) == 0, "the naive loader did not load any winmm.dll");
  E2E_REQUIRE(FileExists(folder.Mark()),
              "the planted DLL leaves no mark even when loaded by bare name: nothing to check");
  E2E_REQUIRE(DeleteFileA(folder.Mark().c_str()), "cannot remove the mark");

  // The game: free play with sound, four squares pressed, each lit and dark again
  // (the tick timer of the multimedia library runs), then closed.
  const PROCESS_INFORMATION game = Start(folder, "zirirar.exe");
  HWND window = nullptr;
  WaitUntil(20000, [&] {
    for (HWND w : GameWindows(game.dwProcessId))
      if (IsWindowVisible(w)) window = w;
    return window != nullptr || WaitForSingleObject(game.hProcess, 0) == WAIT_OBJECT_0;
  });
  if (window == nullptr) Finish(game.hProcess, 0);
  E2E_REQUIRE(window != nullptr, "the copy of the game showed no window");

  RECT client = {};
  GetClientRect(window, &client);
  const Geometry g = Geometry::For(1, client.right, client.bottom);
  PostMessageA(window, WM_COMMAND, CommandNumber(kFreePlay), 0);
  const char keys[] = "erdf";
  for (int square = 0; square < 4; ++square) {
    PostMessageA(window, WM_CHAR, static_cast<unsigned char>(keys[square]), 1);
    const int x = g.CentreX(square), y = g.CentreY(square);
    E2E_CHECK(WaitUntil(3000, [&] { return PixelAt(window, x, y) == kBoard1Colours[square]; }),
              "square %d did not light", square);
    E2E_CHECK(WaitUntil(3000, [&] { return PixelAt(window, x, y) == WindowColour(); }),
              "square %d did not go dark: no ticks", square);
  }
  const std::vector<std::string> winmm = LoadedModules(game.dwProcessId, "winmm.dll");
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  E2E_CHECK(winmm.size() == 1, "winmm.dll loaded %u times in the game",
            static_cast<unsigned>(winmm.size()));
  for (const std::string& path : winmm) {
    Note("the game's winmm.dll: %s", path.c_str());
    E2E_CHECK(Lower(path) == Lower(std::string(system) + "\\winmm.dll"),
              "winmm.dll loaded from %s, not from the system folder", path.c_str());
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  E2E_CHECK(Finish(game.hProcess, 10000) == 0, "exit code of the game");
  E2E_CHECK(!FileExists(folder.Mark()), "the game loaded the winmm.dll planted beside it");
}

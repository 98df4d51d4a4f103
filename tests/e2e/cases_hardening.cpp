// Hardening seen from outside: a winmm.dll planted beside a copy of the game is never
// loaded, and the game's multimedia library comes from the system folder.
#include <windows.h>

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

// One pixel of the client area as shown (0xFFFFFFFF when it cannot be read).
Colour PixelAt(const Game& game, int x, int y) {
  const Frame pixel = CaptureClient(game.Window(), Box{x, y, x + 1, y + 1});
  return pixel.Empty() ? 0xFFFFFFFF : pixel.At(0, 0);
}

}  // namespace

E2E_CASE(planted_winmm_beside_the_game_is_never_loaded) {
  PlantedFolder folder;
  FoundDllsPreferred overrides;

  // The check can fail: a program that loads winmm.dll by its bare name from this
  // folder, in this environment, does load the planted one.
  E2E_CHECK(RunProgram(folder.File(kNaiveLoader), folder.Path(), 15000) == 0,
            "the naive loader did not load any winmm.dll");
  E2E_REQUIRE(FileExists(folder.Mark()),
              "the planted DLL leaves no mark even when loaded by bare name: nothing to check");
  E2E_REQUIRE(DeleteFileA(folder.Mark().c_str()), "cannot remove the mark");

  // The game: free play with sound, four squares pressed, each lit and dark again
  // (the tick timer of the multimedia library runs), then closed.
  Game game(folder.File("zirirar.exe"), folder.Path());
  const Geometry g = game.Layout();
  game.Command(kFreePlay);
  for (int square = 0; square < 4; ++square) {
    game.TypeChar("erdf"[square]);
    const int x = g.CentreX(square), y = g.CentreY(square);
    E2E_CHECK(WaitUntil(3000, [&] { return PixelAt(game, x, y) == kBoard1Colours[square]; }),
              "square %d did not light", square);
    E2E_CHECK(WaitUntil(3000, [&] { return PixelAt(game, x, y) == WindowColour(); }),
              "square %d did not go dark: no ticks", square);
  }
  const std::vector<std::string> winmm = LoadedModules(game.ProcessId(), "winmm.dll");
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  E2E_CHECK(winmm.size() == 1, "winmm.dll loaded %u times in the game",
            static_cast<unsigned>(winmm.size()));
  for (const std::string& path : winmm) {
    Note("the game's winmm.dll: %s", path.c_str());
    E2E_CHECK(Lower(path) == Lower(std::string(system) + "\\winmm.dll"),
              "winmm.dll loaded from %s, not from the system folder", path.c_str());
  }
  E2E_CHECK(game.CloseAndWait() == 0, "exit code of the game");
  E2E_CHECK(!FileExists(folder.Mark()), "the game loaded the winmm.dll planted beside it");
}

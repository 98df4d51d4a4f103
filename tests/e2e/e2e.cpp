// Helpers of the end-to-end driver: the game process, its copies and settings.
#include "tests/e2e/e2e.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

namespace e2e {

namespace {

constexpr DWORD kLaunchLimitMs = 30000;

// Starts a program shown as a player would start it, in `directory` (the driver's own
// when empty); a case cannot go on without it.
PROCESS_INFORMATION StartProgram(const std::string& executable, const std::string& directory) {
  std::string commandLine = "\"" + executable + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  E2E_REQUIRE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             directory.empty() ? nullptr : directory.c_str(), &startup, &info),
              "cannot start %s (error %lu)", executable.c_str(), GetLastError());
  CloseHandle(info.hThread);
  return info;
}

// Waits for the process to end; its exit code, or -1 when it had to be ended.
long AwaitExit(HANDLE process, DWORD limitMs) {
  if (WaitForSingleObject(process, limitMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return static_cast<long>(code);
}

}  // namespace

long RunProgram(const std::string& executable, const std::string& directory, DWORD limitMs) {
  const PROCESS_INFORMATION info = StartProgram(executable, directory);
  const long code = AwaitExit(info.hProcess, limitMs);
  CloseHandle(info.hProcess);
  return code;
}

// ---------------------------------------------------------------------------
// Processes and windows

int CountProcesses(const char* exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    const std::string path = entry.szExeFile;  // the name may come with a path
    if (lstrcmpiA(path.substr(path.find_last_of("\\/") + 1).c_str(), exeName) == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

std::vector<std::string> LoadedModules(DWORD processId, const char* name) {
  std::vector<std::string> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
    if (name == nullptr || lstrcmpiA(entry.szModule, name) == 0) found.push_back(entry.szExePath);
  CloseHandle(snapshot);
  return found;
}

ScratchFolder::ScratchFolder(const char* purpose) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  char name[96];
  snprintf(name, sizeof name, "zirirar-%s-%lu-%lu", purpose, GetCurrentProcessId(),
           static_cast<unsigned long>(GetTickCount()));
  path_ = std::string(temp) + name;
  E2E_REQUIRE(CreateDirectoryA(path_.c_str(), nullptr), "cannot create %s", path_.c_str());
}

ScratchFolder::~ScratchFolder() {
  for (const std::string& file : files_) DeleteFileA(file.c_str());
  RemoveDirectoryA(path_.c_str());
}

std::string ScratchFolder::Copy(const std::string& from, const std::string& name) {
  const std::string target = File(name);
  files_.push_back(target);
  E2E_REQUIRE(CopyFileA(from.c_str(), target.c_str(), FALSE), "cannot copy %s to %s (error %lu)",
              from.c_str(), target.c_str(), GetLastError());
  return target;
}

ProgramDllOverrides::ProgramDllOverrides(
    const std::string& program, const std::vector<std::pair<std::string, std::string>>& orders)
    : key_("Software\\Wine\\AppDefaults\\" + program) {
  HKEY handle = nullptr;
  const std::string key = key_ + "\\DllOverrides";
  E2E_REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &handle, nullptr) == ERROR_SUCCESS,
              "cannot create %s", key.c_str());
  for (const auto& order : orders) {
    RegSetValueExA(handle, order.first.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(order.second.c_str()),
                   static_cast<DWORD>(order.second.size() + 1));
  }
  RegCloseKey(handle);
}

ProgramDllOverrides::~ProgramDllOverrides() {
  RegDeleteKeyA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
}

Game::Game(const std::string& executable, const std::string& directory) {
  const PROCESS_INFORMATION info = StartProgram(executable, directory);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;

  WaitForInputIdle(process_, kLaunchLimitMs);
  const bool shown = WaitUntil(
      kLaunchLimitMs,
      [&] {
        for (HWND w : GameWindows(processId_)) {
          if (IsWindowVisible(w)) {
            window_ = w;
            return true;
          }
        }
        return !Running();
      },
      20);
  E2E_REQUIRE(shown && window_ != nullptr, "no visible game window within %lu ms (running: %d)",
              kLaunchLimitMs, Running() ? 1 : 0);
}

Game::~Game() {
  if (process_ == nullptr) return;
  AwaitExit(process_, 0);  // ends it if it still runs
  CloseHandle(process_);
}

bool Game::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

SIZE Game::ClientSize() const {
  RECT client = {};
  GetClientRect(window_, &client);
  return SIZE{client.right, client.bottom};
}

Geometry Game::Layout(int board) const {
  const SIZE size = ClientSize();
  return Geometry::For(board, size.cx, size.cy);
}

void Game::PlaceAt(int x, int y) {
  origin_ = POINT{x, y};
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Sync();
}

void Game::SetClientSize(int width, int height, int board) {
  const bool sized = SetClientArea(window_, origin_, width, height);
  const SIZE now = ClientSize();
  E2E_REQUIRE(sized, "client area is %ld x %ld, wanted %d x %d", now.cx, now.cy, width, height);
  const Geometry g = Geometry::For(board, width, height);
  E2E_REQUIRE(WaitUntil(5000, [&] { return ShowsGrid(Capture(), g); }),
              "no grid for board %d painted at %d x %d", board, width, height);
}

Frame Game::Capture() const { return CaptureClient(window_); }

void Game::Click(int x, int y, WPARAM keyFlags) const { PostClick(window_, x, y, keyFlags); }

void Game::ClickSquare(const Geometry& g, int square) const {
  Click(g.CentreX(square), g.CentreY(square));
}

void Game::TypeChar(char c, bool autoRepeat) const {
  const UINT scan = MapVirtualKeyA(static_cast<unsigned char>(VkKeyScanA(c)), MAPVK_VK_TO_VSC);
  LPARAM flags = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (autoRepeat) flags |= LPARAM{1} << 30;
  PostMessageA(window_, WM_CHAR, static_cast<unsigned char>(c), flags);
}

void Game::Command(::Command command) const {
  PostMessageA(window_, WM_COMMAND, CommandNumber(command), 0);
}

void Game::PostMsg(UINT message, WPARAM wParam, LPARAM lParam) const {
  PostMessageA(window_, message, wParam, lParam);
}

bool Game::Sync(DWORD limitMs) const {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, limitMs, &result) != 0;
}

void Game::PressKey(WORD virtualKey, const std::vector<WORD>& modifiers, HWND front) const {
  if (front == nullptr) front = window_;
  SetForegroundWindow(front);
  E2E_REQUIRE(WaitUntil(3000, [&] { return GetForegroundWindow() == front; }),
              "the game window did not come to the front");
  E2E_REQUIRE(SendKeyPress(virtualKey, modifiers), "SendInput did not take the key press");
}

long Game::WaitForExit(DWORD limitMs) { return AwaitExit(process_, limitMs); }

long Game::CloseAndWait(DWORD limitMs) {
  PostMessageA(window_, WM_CLOSE, 0, 0);
  return WaitForExit(limitMs);
}

bool WaitForStatus(const Game& game, const Geometry& g, Colour colour, DWORD limitMs) {
  return WaitUntil(limitMs, [&] { return game.Capture().ShowsStatus(g, colour); });
}

void CommandUntilStatus(const Game& game, const Geometry& g, Command command, Colour colour,
                        const char* missing) {
  game.Command(command);
  E2E_REQUIRE(WaitForStatus(game, g, colour, 3000), "%s", missing);
}

Geometry At640(Game& game) {
  game.SetClientSize(640, 480);
  return game.Layout();
}

Geometry At640(Game& game, Command command, Colour colour, const char* missing) {
  const Geometry g = At640(game);
  CommandUntilStatus(game, g, command, colour, missing);
  return g;
}

bool WaitForLit(const Game& game, const Geometry& g, int square, DWORD limitMs,
                const Colour* colours) {
  return WaitUntil(limitMs, [&] { return game.Capture().LitSquare(g, colours) == square; });
}

bool StaysDark(const Game& game, const Geometry& g, DWORD periodMs) {
  return HoldsFor(periodMs, [&] { return game.Capture().LitSquare(g) == -1; });
}

}  // namespace e2e

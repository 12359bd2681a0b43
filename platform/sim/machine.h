// The simulated machine: a headless stand-in for Windows that the tests drive. It runs
// one copy of the program at a time on a thread of its own and hands control back to
// the test whenever the program waits for input (its message loop, a message box or a
// popup menu) or has ended. Drive C: is a fresh directory on the real disk.
#pragma once

#include "os.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Window {
  os::HWND handle;
  std::string className;
  std::string text;
  os::DWORD style = 0;
  os::DWORD exStyle = 0;
  os::HWND parent{};                       // the parent of a child window
  os::HWND owner{};                        // the owner of a top-level window
  int x = 0, y = 0, width = 0, height = 0; // screen position, or in the parent's client area
  bool visible = false;
  bool enabled = true;
  bool topmost() const { return (exStyle & os::WS_EX_TOPMOST) != 0; }
  bool child() const { return (style & os::WS_CHILD) != 0; }
  // The system's rule: a visible top-level window gets one when it is unowned and no
  // tool window, or when it asks for one.
  bool TaskbarButton() const;
  bool checked = false; // a check box
};

struct MessageBoxCall {
  os::HWND owner;
  std::string text;
  std::string caption;
  os::UINT type;
};

struct MenuEntry {
  std::string caption;
  bool separator;
};

struct OpenMenu {
  std::vector<MenuEntry> items;
  int x, y;
  os::HWND owner;
  os::UINT flags;
};

struct TrayCall {
  os::DWORD message; // NIM_ADD, NIM_MODIFY or NIM_DELETE
  std::vector<std::uint8_t> record;
  bool succeeded;
};

enum class Button { Left, Right, Middle };

class Machine {
public:
  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // ---- set-up, before Start ----
  int screenWidth = 1024;
  int screenHeight = 768;
  os::DWORD platformId = os::VER_PLATFORM_WIN32_NT;
  bool guardOpenRefused = false; // opening the guard is refused, whether it exists or not
  bool guardCreateFails = false;
  bool versionQueryFails = false;
  bool tokenOpenFails = false;
  bool privilegeLookupFails = false;
  bool sessionEndRefused = false;
  bool trayRefusesAdd = false;
  bool trayRefusesModify = false;
  os::UINT doubleClickTime = 500;
  std::string modulePath = "C:\\Program Files\\Ruvok\\ruvok95.exe";
  // Files another process holds open without sharing them (Windows paths).
  std::vector<std::string> lockedFiles;
  // Resources that the program file lacks, as if it were damaged.
  std::vector<std::string> missingResources;

  // Where a Windows path such as "C:\dir\file.ini" lives on the real disk. A file there
  // without its owner's write permission is a read-only file.
  std::filesystem::path HostPath(const std::string& windowsPath) const;
  // Another process holds the named mutex for as long as this machine exists.
  void HoldMutex(const std::string& name);

  // ---- the program ----
  // Starts the program with `"modulePath" arguments` as its command line.
  void Start(const std::string& arguments = "");
  void StartWithCommandLine(const std::string& commandLine);
  bool Running() const;
  int ExitStatus() const;
  // Lets the program run until it waits for input or has ended.
  void Settle();
  // Runs `task` on the program thread, as if a message had asked for it, and settles;
  // what it throws is thrown here.
  void Run(const std::function<void()>& task);
  // Threads the program started that have not ended yet.
  int LiveThreads() const;
  // Lets the program run until the threads it started have ended and it waits again;
  // false when the real-time `timeout` passed first.
  bool WaitForThreads(std::chrono::milliseconds timeout);

  // ---- input; each settles afterwards ----
  void MoveTo(int x, int y);
  void Press(Button button, int x, int y);
  void Release(Button button, int x, int y);
  void Click(Button button, int x, int y);
  // A left click in the middle of `window` (a child window too).
  void ClickWindow(os::HWND window);
  // A key pressed and released in the window with the keyboard focus.
  void Key(int virtualKey, bool shift = false);
  void AdvanceClock(unsigned milliseconds);
  void SetScreenSize(int width, int height);
  void EndSession();
  // The shell's notification area is created anew, as when Explorer restarts or starts
  // after the program: the icons it held are gone, and every top-level window is told
  // with the registered message "TaskbarCreated".
  void NotificationAreaCreated();
  void Post(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

  // ---- modal states ----
  std::optional<MessageBoxCall> MessageBoxShown() const;
  void AnswerMessageBox(int button = os::IDOK);
  std::optional<OpenMenu> MenuShown() const;
  void ChooseMenuItem(const std::string& caption);
  void DismissMenu();

  // ---- what reached the machine ----
  std::vector<Window> Windows() const;
  std::optional<Window> FindWindow(const std::string& className,
                                   const std::string& text = "") const;
  os::HWND FocusWindow() const;
  os::HWND ForegroundWindow() const;
  os::HWND CaptureWindow() const;
  // The system requests, in order, as text such as "ExitWindowsEx(1, 0)".
  std::vector<std::string> Calls() const;
  std::vector<std::string> Calls(const std::string& prefix) const;
  std::vector<MessageBoxCall> MessageBoxes() const;
  std::vector<TrayCall> TrayCalls() const;
  std::size_t TrayIconCount() const;
  unsigned Now() const;

  struct State;

private:
  std::unique_ptr<State> FState;
};

} // namespace sim

// The simulated machine's inner state, shared by its implementation files.
#pragma once

#include "machine.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <thread>

namespace sim {

// os::exit on the simulated machine: unwinds the program thread, which then runs the
// exit procedures.
struct ProcessExit {
  int status;
};
// The machine goes away while the program still runs.
struct ProcessKilled {};

struct WindowRecord : Window {
  os::WNDPROC proc = nullptr;
  bool dirty = false;
  int check = 0;        // a check box's state
  bool pressed = false; // a button held down by the left mouse button
};

struct TimerRecord {
  os::HWND window;
  os::UINT id;
  os::UINT elapse;
  unsigned due;
};

struct MutexRecord {
  int handles = 0;
  bool owned = false;
};

struct HandleRecord {
  enum class Kind { Mutex, Token, Thread } kind;
  std::string name; // of a mutex
  bool byProgram = true;
  std::thread* thread = nullptr;
};

// A message sent from another thread, or a test's task for the program thread.
struct SentMessage {
  os::MSG msg;
  const std::function<void()>* task = nullptr;
  os::LRESULT result = 0;
  std::exception_ptr failure;
  bool done = false;
};

struct MenuRecord {
  std::vector<std::pair<os::UINT, MenuEntry>> items;
};

struct Machine::State {
  explicit State(Machine& machine) : config(machine) {}
  Machine& config;

  mutable std::mutex lock;
  std::condition_variable changed;
  enum class Run { Idle, Running, Waiting, Ended } run = Run::Idle;
  std::thread program;
  std::thread::id programThread;
  int exitStatus = 0;
  bool kill = false;
  std::string commandLine;
  std::vector<void (*)()> exitProcedures;
  std::deque<std::thread> threads; // references stay valid as it grows
  int liveThreads = 0;

  std::uint32_t nextHandle = 0x1000;
  std::uint32_t NewHandle() { return nextHandle += 4; }

  // windows and messages
  std::map<std::string, os::WNDPROC> classes;         // by lower-case name
  std::map<std::string, os::UINT> registeredMessages; // by lower-case name
  os::UINT RegisteredMessage(const std::string& name);
  std::map<os::HWND, WindowRecord> windows;
  std::vector<os::HWND> zorder; // top-level windows, front first
  os::HWND capture{}, foreground{}, focus{};
  bool shiftDown = false;
  os::POINT pointer{};
  os::WPARAM buttons = 0;
  std::deque<os::MSG> posted;
  std::deque<SentMessage*> sent;
  bool quit = false;
  std::vector<TimerRecord> timers;
  unsigned now = 0;

  // modal states
  std::optional<MessageBoxCall> box;
  std::optional<int> boxAnswer;
  std::map<os::HMENU, MenuRecord> menus;
  std::optional<OpenMenu> menu;
  std::vector<os::UINT> menuIds;
  std::optional<int> menuAnswer;

  // kernel objects and what reached the machine
  std::map<std::string, MutexRecord> mutexes;
  std::map<os::HANDLE, HandleRecord> handles;
  std::set<os::HICON> icons;
  std::map<os::HICON, std::string> iconNames;
  std::filesystem::path disk;
  std::vector<std::string> calls;
  std::vector<MessageBoxCall> boxes;
  std::vector<TrayCall> trayCalls;
  std::map<std::pair<os::HWND, os::UINT>, os::NOTIFYICONDATAA> tray;

  // ---- used with `lock` held ----
  void Log(std::string call) { calls.push_back(std::move(call)); }
  WindowRecord* Find(os::HWND window);
  bool Quiescent() const;
  bool AnyDirty() const;
  os::POINT ClientOrigin(os::HWND window) const;
  os::HWND WindowAt(int x, int y) const;
  void BringToFront(os::HWND window);
  bool OnProgramThread() const { return std::this_thread::get_id() == programThread; }
  // On the program thread: waits for `ready`, handling messages sent by other threads
  // meanwhile (and dispatching posted ones in a modal wait).
  template <class Ready> void Wait(std::unique_lock<std::mutex>& held, Ready ready, bool modal);
  void HandleSent(std::unique_lock<std::mutex>& held);
  void DispatchPosted(std::unique_lock<std::mutex>& held);
  void PaintDirty(std::unique_lock<std::mutex>& held);
  // The next message for the program thread, if any (see PeekMessageA).
  bool Take(std::unique_lock<std::mutex>& held, os::MSG* message, bool remove);

  // ---- test thread ----
  void Settle(std::unique_lock<std::mutex>& held);
  void PostInput(os::UINT message, Button button, int x, int y);

  // ---- program thread, the lock not held ----
  os::LRESULT Call(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
  void EndProcess(int status);
};

Machine::State& Current();

template <class Ready>
void Machine::State::Wait(std::unique_lock<std::mutex>& held, Ready ready, bool modal) {
  for (;;) {
    if (kill) throw ProcessKilled{};
    if (!sent.empty()) {
      HandleSent(held);
      continue;
    }
    if (ready()) return;
    if (modal && !posted.empty()) {
      DispatchPosted(held);
      continue;
    }
    if (modal && AnyDirty()) {
      PaintDirty(held);
      continue;
    }
    run = Run::Waiting;
    changed.notify_all();
    changed.wait(held);
    run = Run::Running;
  }
}

} // namespace sim

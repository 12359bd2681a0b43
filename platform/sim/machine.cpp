#include "state.h"

#include "program.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace sim {

namespace {
Machine::State* current = nullptr;

os::UINT DownMessage(Button b) {
  return b == Button::Left    ? os::WM_LBUTTONDOWN
         : b == Button::Right ? os::WM_RBUTTONDOWN
                              : os::WM_MBUTTONDOWN;
}
os::UINT UpMessage(Button b) {
  return b == Button::Left    ? os::WM_LBUTTONUP
         : b == Button::Right ? os::WM_RBUTTONUP
                              : os::WM_MBUTTONUP;
}
os::WPARAM KeyFlag(Button b) {
  return b == Button::Left ? os::MK_LBUTTON : b == Button::Right ? os::MK_RBUTTON : os::MK_MBUTTON;
}
} // namespace

Machine::State& Current() {
  if (!current) throw std::logic_error("no simulated machine");
  return *current;
}

bool Window::TaskbarButton() const {
  if (!visible || child()) return false;
  return (exStyle & os::WS_EX_APPWINDOW) ||
         (owner == os::NoWindow && !(exStyle & os::WS_EX_TOOLWINDOW));
}

Machine::Machine() : FState(std::make_unique<State>(*this)) {
  if (current) throw std::logic_error("one simulated machine at a time");
  current = FState.get();
  char pattern[] = "/tmp/ruvok-sim-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
  FState->disk = pattern;
  std::filesystem::create_directories(HostPath(modulePath).parent_path());
}

Machine::~Machine() {
  {
    std::unique_lock held(FState->lock);
    FState->kill = true;
    FState->changed.notify_all();
  }
  if (FState->program.joinable()) FState->program.join();
  for (std::thread& t : FState->threads)
    if (t.joinable()) t.join();
  std::error_code ignored;
  std::filesystem::remove_all(FState->disk, ignored);
  current = nullptr;
}

std::filesystem::path Machine::HostPath(const std::string& windowsPath) const {
  std::string rest = windowsPath;
  if (rest.size() >= 2 && rest[1] == ':')
    rest = std::string(1, static_cast<char>(std::toupper(rest[0]))) + rest.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return FState->disk / rest;
}

void Machine::HoldMutex(const std::string& name) {
  std::unique_lock held(FState->lock);
  MutexRecord& m = FState->mutexes[name];
  ++m.handles;
  m.owned = true;
  FState->handles[os::HANDLE{FState->NewHandle()}] = {HandleRecord::Kind::Mutex, name, false};
}

void Machine::Start(const std::string& arguments) {
  StartWithCommandLine("\"" + modulePath + "\"" + (arguments.empty() ? "" : " " + arguments));
}

void Machine::StartWithCommandLine(const std::string& commandLine) {
  std::unique_lock held(FState->lock);
  if (FState->run == State::Run::Running || FState->run == State::Run::Waiting)
    throw std::logic_error("the program already runs");
  FState->commandLine = commandLine;
  FState->run = State::Run::Running;
  FState->quit = false;
  FState->posted.clear();
  if (FState->program.joinable()) FState->program.join();
  FState->program = std::thread([this] {
    {
      std::unique_lock held(FState->lock);
      FState->programThread = std::this_thread::get_id();
    }
    int status = 0;
    try {
      status = classlib::RunProgram(&ProgramMain);
    } catch (const ProcessExit& e) {
      status = e.status;
    } catch (const ProcessKilled&) {
      status = -1;
    }
    FState->EndProcess(status);
  });
  FState->Settle(held);
}

void Machine::State::EndProcess(int status) {
  const auto procedures = exitProcedures;
  for (auto p = procedures.rbegin(); p != procedures.rend(); ++p) {
    try {
      (*p)();
    } catch (const ProcessExit&) {
    } catch (const ProcessKilled&) {
    }
  }
  std::unique_lock held(lock);
  exitProcedures.clear();
  // The process end closes its handles, abandons its mutexes and takes its windows.
  for (auto h = handles.begin(); h != handles.end();) {
    if (!h->second.byProgram) {
      ++h;
      continue;
    }
    if (h->second.kind == HandleRecord::Kind::Mutex) {
      MutexRecord& m = mutexes[h->second.name];
      m.owned = false;
      if (--m.handles == 0) mutexes.erase(h->second.name);
    }
    h = handles.erase(h);
  }
  windows.clear();
  zorder.clear();
  timers.clear();
  classes.clear();
  menus.clear();
  capture = foreground = focus = os::NoWindow;
  exitStatus = status;
  run = Run::Ended;
  changed.notify_all();
}

bool Machine::Running() const {
  std::unique_lock held(FState->lock);
  return FState->run == State::Run::Running || FState->run == State::Run::Waiting;
}

int Machine::ExitStatus() const {
  std::unique_lock held(FState->lock);
  if (FState->run != State::Run::Ended) throw std::logic_error("the program has not ended");
  return FState->exitStatus;
}

bool Machine::State::AnyDirty() const {
  return std::any_of(windows.begin(), windows.end(),
                     [](const auto& w) { return w.second.dirty && w.second.visible; });
}

bool Machine::State::Quiescent() const {
  return run == Run::Ended || run == Run::Idle ||
         (run == Run::Waiting && posted.empty() && sent.empty() && !quit && !AnyDirty());
}

// The test has just given the program something to do: it counts as running until it
// has looked and found nothing more.
void Machine::State::Settle(std::unique_lock<std::mutex>& held) {
  if (run == Run::Waiting) run = Run::Running;
  changed.notify_all();
  changed.wait(held, [this] { return Quiescent(); });
}

void Machine::Settle() {
  std::unique_lock held(FState->lock);
  FState->Settle(held);
}

void Machine::Run(const std::function<void()>& task) {
  std::unique_lock held(FState->lock);
  if (FState->run != State::Run::Waiting && FState->run != State::Run::Running)
    throw std::logic_error("the program does not run");
  SentMessage s;
  s.task = &task;
  FState->sent.push_back(&s);
  FState->changed.notify_all();
  FState->changed.wait(held, [&] { return s.done || FState->run == State::Run::Ended; });
  if (!s.done) std::erase(FState->sent, &s);
  FState->Settle(held);
  if (s.failure) std::rethrow_exception(s.failure);
}

int Machine::LiveThreads() const {
  std::unique_lock held(FState->lock);
  return FState->liveThreads;
}

bool Machine::WaitForThreads(std::chrono::milliseconds timeout) {
  std::unique_lock held(FState->lock);
  return FState->changed.wait_for(
      held, timeout, [this] { return FState->liveThreads == 0 && FState->Quiescent(); });
}

// ---- input -----------------------------------------------------------------------------

void Machine::State::PostInput(os::UINT message, Button button, int x, int y) {
  pointer = {x, y};
  if (menu) { // a press anywhere else closes an open menu and goes no further
    if (message == DownMessage(button)) menuAnswer = 0;
    return;
  }
  os::HWND target = capture != os::NoWindow ? capture : WindowAt(x, y);
  WindowRecord* w = Find(target);
  if (!w || !w->enabled) return;
  if (message == DownMessage(button)) {
    os::HWND top = target;
    while (Find(top) && Find(top)->child()) top = Find(top)->parent;
    foreground = top;
    BringToFront(top);
  }
  const os::POINT origin = ClientOrigin(target);
  const auto cx = static_cast<std::uint16_t>(x - origin.x);
  const auto cy = static_cast<std::uint16_t>(y - origin.y);
  posted.push_back(
      {target, message, buttons, static_cast<os::LPARAM>(cx | (cy << 16)), now, {x, y}});
}

void Machine::MoveTo(int x, int y) {
  std::unique_lock held(FState->lock);
  FState->PostInput(os::WM_MOUSEMOVE, Button::Left, x, y);
  FState->Settle(held);
}

void Machine::Press(Button button, int x, int y) {
  std::unique_lock held(FState->lock);
  FState->buttons |= KeyFlag(button);
  FState->PostInput(DownMessage(button), button, x, y);
  FState->Settle(held);
}

void Machine::Release(Button button, int x, int y) {
  std::unique_lock held(FState->lock);
  FState->buttons &= ~KeyFlag(button);
  FState->PostInput(UpMessage(button), button, x, y);
  FState->Settle(held);
}

void Machine::Click(Button button, int x, int y) {
  Press(button, x, y);
  Release(button, x, y);
}

void Machine::ClickWindow(os::HWND window) {
  os::POINT middle;
  {
    std::unique_lock held(FState->lock);
    const WindowRecord* w = FState->Find(window);
    if (!w) throw std::logic_error("no such window");
    const os::POINT origin = w->child() ? FState->ClientOrigin(w->parent) : os::POINT{0, 0};
    middle = {origin.x + w->x + w->width / 2, origin.y + w->y + w->height / 2};
  }
  Click(Button::Left, middle.x, middle.y);
}

void Machine::Key(int virtualKey, bool shift) {
  std::unique_lock held(FState->lock);
  const os::HWND target = FState->focus != os::NoWindow ? FState->focus : FState->foreground;
  FState->shiftDown = shift;
  for (os::UINT message : {os::WM_KEYDOWN, os::WM_KEYUP})
    FState->posted.push_back(
        {target, message, static_cast<os::WPARAM>(virtualKey), 1, FState->now, FState->pointer});
  FState->Settle(held);
  FState->shiftDown = false;
}

void Machine::AdvanceClock(unsigned milliseconds) {
  std::unique_lock held(FState->lock);
  const unsigned end = FState->now + milliseconds;
  for (;;) {
    auto next =
        std::min_element(FState->timers.begin(), FState->timers.end(),
                         [](const TimerRecord& a, const TimerRecord& b) { return a.due < b.due; });
    if (next == FState->timers.end() || next->due > end) break;
    FState->now = next->due;
    next->due += next->elapse;
    const TimerRecord tick = *next;
    const bool pending =
        std::any_of(FState->posted.begin(), FState->posted.end(), [&](const os::MSG& m) {
          return m.message == os::WM_TIMER && m.hwnd == tick.window && m.wParam == tick.id;
        });
    if (!pending)
      FState->posted.push_back({tick.window, os::WM_TIMER, tick.id, 0, FState->now, {}});
    FState->Settle(held);
  }
  FState->now = end;
}

void Machine::SetScreenSize(int width, int height) {
  std::unique_lock held(FState->lock);
  screenWidth = width;
  screenHeight = height;
}

void Machine::EndSession() {
  std::unique_lock held(FState->lock);
  std::vector<os::HWND> tops = FState->zorder;
  for (os::UINT message : {os::WM_QUERYENDSESSION, os::WM_ENDSESSION}) {
    for (os::HWND top : tops) {
      if (FState->run != State::Run::Waiting && FState->run != State::Run::Running) return;
      if (!FState->Find(top)) continue;
      SentMessage s;
      s.msg = {top, message, message == os::WM_ENDSESSION ? 1u : 0u, 0, FState->now, {}};
      FState->sent.push_back(&s);
      FState->changed.notify_all();
      FState->changed.wait(held, [&] { return s.done || FState->run == State::Run::Ended; });
      if (!s.done) std::erase(FState->sent, &s);
    }
  }
  FState->Settle(held);
}

void Machine::NotificationAreaCreated() {
  std::unique_lock held(FState->lock);
  FState->tray.clear();
  const os::UINT message = FState->RegisteredMessage("TaskbarCreated");
  for (os::HWND top : FState->zorder)
    FState->posted.push_back({top, message, 0, 0, FState->now, FState->pointer});
  FState->Settle(held);
}

void Machine::Post(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  std::unique_lock held(FState->lock);
  FState->posted.push_back({window, message, wParam, lParam, FState->now, FState->pointer});
  FState->Settle(held);
}

// ---- modal states ----------------------------------------------------------------------

std::optional<MessageBoxCall> Machine::MessageBoxShown() const {
  std::unique_lock held(FState->lock);
  return FState->boxAnswer ? std::nullopt : FState->box;
}

void Machine::AnswerMessageBox(int button) {
  std::unique_lock held(FState->lock);
  if (!FState->box || FState->boxAnswer) throw std::logic_error("no message box is shown");
  FState->boxAnswer = button;
  FState->Settle(held);
}

std::optional<OpenMenu> Machine::MenuShown() const {
  std::unique_lock held(FState->lock);
  return FState->menuAnswer ? std::nullopt : FState->menu;
}

void Machine::ChooseMenuItem(const std::string& caption) {
  std::unique_lock held(FState->lock);
  if (!FState->menu || FState->menuAnswer) throw std::logic_error("no menu is open");
  const auto& items = FState->menu->items;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (!items[i].separator && items[i].caption == caption) {
      FState->menuAnswer = static_cast<int>(FState->menuIds[i]);
      FState->Settle(held);
      return;
    }
  throw std::logic_error("the open menu has no item " + caption);
}

void Machine::DismissMenu() {
  std::unique_lock held(FState->lock);
  if (!FState->menu || FState->menuAnswer) throw std::logic_error("no menu is open");
  FState->menuAnswer = 0;
  FState->Settle(held);
}

// ---- observation -----------------------------------------------------------------------

std::vector<Window> Machine::Windows() const {
  std::unique_lock held(FState->lock);
  std::vector<Window> result;
  for (const auto& [handle, w] : FState->windows) {
    result.push_back(w);
    result.back().checked = w.check != 0;
  }
  return result;
}

std::optional<Window> Machine::FindWindow(const std::string& className,
                                          const std::string& text) const {
  for (const Window& w : Windows())
    if (w.className == className && (text.empty() || w.text == text)) return w;
  return std::nullopt;
}

os::HWND Machine::FocusWindow() const {
  std::unique_lock held(FState->lock);
  return FState->focus;
}

os::HWND Machine::ForegroundWindow() const {
  std::unique_lock held(FState->lock);
  return FState->foreground;
}

os::HWND Machine::CaptureWindow() const {
  std::unique_lock held(FState->lock);
  return FState->capture;
}

std::vector<std::string> Machine::Calls() const {
  std::unique_lock held(FState->lock);
  return FState->calls;
}

std::vector<std::string> Machine::Calls(const std::string& prefix) const {
  std::vector<std::string> result;
  for (const std::string& call : Calls())
    if (call.compare(0, prefix.size(), prefix) == 0) result.push_back(call);
  return result;
}

std::vector<MessageBoxCall> Machine::MessageBoxes() const {
  std::unique_lock held(FState->lock);
  return FState->boxes;
}

std::vector<TrayCall> Machine::TrayCalls() const {
  std::unique_lock held(FState->lock);
  return FState->trayCalls;
}

std::size_t Machine::TrayIconCount() const {
  std::unique_lock held(FState->lock);
  return FState->tray.size();
}

unsigned Machine::Now() const {
  std::unique_lock held(FState->lock);
  return FState->now;
}

} // namespace sim

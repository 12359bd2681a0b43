// Windows, messages, input routing, menus and message boxes of the simulated machine.
#include "state.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Frame {
  int border, caption;
};

Frame FrameOf(os::DWORD style, os::DWORD exStyle) {
  Frame f{0, 0};
  if ((style & os::WS_CAPTION) == os::WS_CAPTION) {
    f.caption = 19;
    f.border = (style & os::WS_THICKFRAME) ? 4 : 3;
  } else if (style & os::WS_THICKFRAME) {
    f.border = 4;
  } else if (style & (os::WS_DLGFRAME)) {
    f.border = 3;
  } else if (style & os::WS_BORDER) {
    f.border = 1;
  }
  if ((exStyle & os::WS_EX_DLGMODALFRAME) && f.border < 3) f.border = 3;
  return f;
}

} // namespace

// Numbers of their own, above the system's messages, as the system hands them out.
os::UINT Machine::State::RegisteredMessage(const std::string& name) {
  const auto found = registeredMessages.find(Lower(name));
  if (found != registeredMessages.end()) return found->second;
  const os::UINT number = 0xC000 + static_cast<os::UINT>(registeredMessages.size());
  registeredMessages[Lower(name)] = number;
  return number;
}

WindowRecord* Machine::State::Find(os::HWND window) {
  auto w = windows.find(window);
  return w == windows.end() ? nullptr : &w->second;
}

os::POINT Machine::State::ClientOrigin(os::HWND window) const {
  os::POINT origin{0, 0};
  for (auto w = windows.find(window); w != windows.end();) {
    const Frame f = FrameOf(w->second.style, w->second.exStyle);
    origin.x += w->second.x + f.border;
    origin.y += w->second.y + f.border + f.caption;
    if (!w->second.child()) break;
    w = windows.find(w->second.parent);
  }
  return origin;
}

os::HWND Machine::State::WindowAt(int x, int y) const {
  auto contains = [](const Window& w, int px, int py) {
    return w.visible && px >= w.x && px < w.x + w.width && py >= w.y && py < w.y + w.height;
  };
  for (os::HWND top : zorder) {
    const WindowRecord& w = windows.at(top);
    if (!contains(w, x, y)) continue;
    os::HWND found = top;
    for (bool deeper = true; deeper;) {
      deeper = false;
      const os::POINT origin = ClientOrigin(found);
      for (const auto& [handle, c] : windows)
        if (c.child() && c.parent == found && contains(c, x - origin.x, y - origin.y)) {
          found = handle;
          deeper = true;
          break;
        }
    }
    return found;
  }
  return os::NoWindow;
}

// Within its band: topmost windows stay above all others.
void Machine::State::BringToFront(os::HWND window) {
  WindowRecord* w = Find(window);
  if (!w || w->child()) return;
  std::erase(zorder, window);
  auto at = zorder.begin();
  if (!w->topmost())
    while (at != zorder.end() && windows.at(*at).topmost()) ++at;
  zorder.insert(at, window);
}

os::LRESULT Machine::State::Call(os::HWND window, os::UINT message, os::WPARAM wParam,
                                 os::LPARAM lParam) {
  os::WNDPROC proc = nullptr;
  {
    std::unique_lock held(lock);
    if (WindowRecord* w = Find(window)) proc = w->proc;
  }
  return proc ? proc(window, message, wParam, lParam) : 0;
}

void Machine::State::HandleSent(std::unique_lock<std::mutex>& held) {
  SentMessage* s = sent.front();
  sent.pop_front();
  held.unlock();
  os::LRESULT result = 0;
  if (s->task) {
    try {
      (*s->task)();
    } catch (const ProcessExit&) {
      throw;
    } catch (const ProcessKilled&) {
      throw;
    } catch (...) {
      s->failure = std::current_exception();
    }
  } else {
    result = Call(s->msg.hwnd, s->msg.message, s->msg.wParam, s->msg.lParam);
  }
  held.lock();
  s->result = result;
  s->done = true;
  changed.notify_all();
}

void Machine::State::DispatchPosted(std::unique_lock<std::mutex>& held) {
  const os::MSG msg = posted.front();
  posted.pop_front();
  held.unlock();
  Call(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  held.lock();
}

void Machine::State::PaintDirty(std::unique_lock<std::mutex>& held) {
  for (auto& [handle, w] : windows)
    if (w.dirty && w.visible) {
      const os::HWND window = handle;
      held.unlock();
      Call(window, os::WM_PAINT, 0, 0);
      held.lock();
      if (WindowRecord* painted = Find(window)) painted->dirty = false;
      return;
    }
}

// The system's BUTTON class: push buttons and check boxes report a click to their
// parent; a press takes the focus.
os::LRESULT ButtonProc(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  auto& s = Current();
  std::unique_lock held(s.lock);
  WindowRecord* w = s.Find(window);
  if (!w) return 0;
  const auto x = static_cast<std::int16_t>(lParam & 0xFFFF),
             y = static_cast<std::int16_t>(lParam >> 16);
  switch (message) {
  case os::BM_GETCHECK:
    return w->check;
  case os::BM_SETCHECK:
    w->check = static_cast<int>(wParam);
    return 0;
  case os::WM_LBUTTONDOWN:
    w->pressed = true;
    s.focus = window;
    return 0;
  case os::WM_LBUTTONUP: {
    const bool inside = x >= 0 && y >= 0 && x < w->width && y < w->height;
    if (!w->pressed || !inside) return w->pressed = false, 0;
    w->pressed = false;
    if ((w->style & os::BS_TYPEMASK) == os::BS_AUTOCHECKBOX) w->check = !w->check;
    const os::HWND parent = w->parent;
    held.unlock();
    s.Call(parent, os::WM_COMMAND, os::BN_CLICKED << 16, static_cast<os::LPARAM>(window));
    return 0;
  }
  default:
    return 0;
  }
}

// Sent messages are handled first; WM_QUIT comes when nothing else is queued, and
// WM_PAINT after that, for a window with an invalid area.
bool Machine::State::Take(std::unique_lock<std::mutex>& held, os::MSG* message, bool remove) {
  if (kill) throw ProcessKilled{};
  while (!sent.empty()) HandleSent(held);
  if (!posted.empty()) {
    *message = posted.front();
    if (remove) posted.pop_front();
    return true;
  }
  if (quit) {
    *message = {os::NoWindow, os::WM_QUIT, 0, 0, now, pointer};
    if (remove) quit = false;
    return true;
  }
  for (const auto& [handle, w] : windows)
    if (w.dirty && w.visible) {
      *message = {handle, os::WM_PAINT, 0, 0, now, pointer};
      return true;
    }
  return false;
}

} // namespace sim

namespace os {

using sim::Current;
using Held = std::unique_lock<std::mutex>;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  auto& s = Current();
  Held held(s.lock);
  const std::string name = sim::Lower(windowClass->lpszClassName);
  if (s.classes.count(name)) return 0;
  s.classes[name] = windowClass->lpfnWndProc;
  return static_cast<ATOM>(s.classes.size());
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent) {
  auto& s = Current();
  Held held(s.lock);
  const bool button = sim::Lower(className) == "button";
  auto cls = s.classes.find(sim::Lower(className));
  if (!button && cls == s.classes.end()) return NoWindow;
  const HWND handle{s.NewHandle()};
  sim::WindowRecord w;
  w.handle = handle;
  w.className = className;
  w.text = windowName ? windowName : "";
  w.style = style;
  w.exStyle = exStyle;
  (style & WS_CHILD ? w.parent : w.owner) = parent;
  w.x = x;
  w.y = y;
  w.width = width;
  w.height = height;
  w.visible = (style & WS_VISIBLE) != 0;
  w.proc = button ? &sim::ButtonProc : cls->second;
  s.windows[handle] = w;
  if (!w.child()) s.BringToFront(handle);
  return handle;
}

// Takes the window's children and owned windows with it.
BOOL DestroyWindow(HWND window) {
  auto& s = Current();
  Held held(s.lock);
  if (!s.Find(window)) return FALSE;
  s.Log("DestroyWindow(" + s.Find(window)->className + ")");
  std::vector<HWND> doomed{window};
  for (std::size_t i = 0; i < doomed.size(); ++i)
    for (const auto& [handle, w] : s.windows)
      if ((w.parent == doomed[i] || w.owner == doomed[i]) &&
          std::find(doomed.begin(), doomed.end(), handle) == doomed.end())
        doomed.push_back(handle);
  for (HWND h : doomed) {
    s.windows.erase(h);
    std::erase(s.zorder, h);
    std::erase_if(s.timers, [h](const sim::TimerRecord& t) { return t.window == h; });
    if (s.capture == h) s.capture = NoWindow;
    if (s.focus == h) s.focus = NoWindow;
    if (s.foreground == h) s.foreground = NoWindow;
  }
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  auto& s = Current();
  if (message == WM_CLOSE) return DestroyWindow(window), 0;
  if (message == WM_PAINT) {
    Held held(s.lock);
    if (sim::WindowRecord* w = s.Find(window)) w->dirty = false;
  }
  return 0;
}

BOOL ShowWindow(HWND window, int command) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  if (!w) return FALSE;
  const bool was = w->visible;
  w->visible = command != SW_HIDE;
  s.Log("ShowWindow(" + w->className + ", " + std::to_string(command) + ") at " +
        std::to_string(w->x) + "," + std::to_string(w->y) + " " + std::to_string(w->width) + "x" +
        std::to_string(w->height));
  if (w->visible) w->dirty = true;
  if (command == SW_SHOWNORMAL || command == SW_SHOW) {
    s.BringToFront(window);
    if (!w->child()) s.foreground = s.focus = window;
  }
  return was;
}

namespace {
void SetTopmost(sim::Machine::State& s, HWND window, bool topmost) {
  sim::WindowRecord* w = s.Find(window);
  if (!w) return;
  if (topmost)
    w->exStyle |= WS_EX_TOPMOST;
  else
    w->exStyle &= ~WS_EX_TOPMOST;
  s.BringToFront(window);
}
} // namespace

// Making a window topmost takes its owned windows with it; making a topmost window
// non-topmost also affects its owners and owned windows; a non-topmost one is unchanged.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  if (!w) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    w->x = x;
    w->y = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    w->width = cx;
    w->height = cy;
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
      const bool topmost = insertAfter == HWND_TOPMOST;
      if (topmost || w->topmost()) {
        std::vector<HWND> affected{window};
        for (std::size_t i = 0; i < affected.size(); ++i)
          for (const auto& [handle, other] : s.windows)
            if (!other.child() && other.owner == affected[i] &&
                std::find(affected.begin(), affected.end(), handle) == affected.end())
              affected.push_back(handle);
        if (!topmost)
          for (HWND o = w->owner; s.Find(o); o = s.Find(o)->owner) affected.push_back(o);
        for (HWND h : affected) SetTopmost(s, h, topmost);
      }
    } else {
      s.BringToFront(window);
    }
  }
  if (flags & SWP_SHOWWINDOW) w->visible = true;
  if (flags & SWP_HIDEWINDOW) w->visible = false;
  if (w->visible) w->dirty = true;
  return TRUE;
}

BOOL SetWindowTextA(HWND window, const char* text) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  if (!w) return FALSE;
  w->text = text;
  return TRUE;
}

BOOL ShowOwnedPopups(HWND owner, BOOL show) {
  auto& s = Current();
  Held held(s.lock);
  for (auto& [handle, w] : s.windows)
    if (!w.child() && w.owner == owner) w.visible = show != FALSE;
  return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  s.Log("SetForegroundWindow(" + (w ? w->className : std::string("?")) + ")");
  if (!w) return FALSE;
  s.foreground = window;
  s.BringToFront(window);
  return TRUE;
}

HWND SetFocus(HWND window) {
  auto& s = Current();
  Held held(s.lock);
  const HWND previous = s.focus;
  if (s.Find(window)) s.focus = window;
  return previous;
}

HWND GetFocus() {
  auto& s = Current();
  Held held(s.lock);
  return s.focus;
}

short GetKeyState(int key) {
  auto& s = Current();
  Held held(s.lock);
  return key == VK_SHIFT && s.shiftDown ? static_cast<short>(0x8000) : 0;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  if (!w) return FALSE;
  const bool wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  return w && w->enabled;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  const sim::Frame f = sim::FrameOf(style, exStyle);
  rect->left -= f.border;
  rect->right += f.border;
  rect->top -= f.border + f.caption;
  rect->bottom += f.border;
  return TRUE;
}

int GetSystemMetrics(int index) {
  auto& s = Current();
  Held held(s.lock);
  switch (index) {
  case SM_CXSCREEN:
    return s.config.screenWidth;
  case SM_CYSCREEN:
    return s.config.screenHeight;
  case SM_CXICON:
  case SM_CYICON:
    return 32;
  case SM_CXSMICON:
  case SM_CYSMICON:
    return 16;
  default:
    return 0;
  }
}

BOOL GetCursorPos(POINT* point) {
  auto& s = Current();
  Held held(s.lock);
  *point = s.pointer;
  return TRUE;
}

UINT GetDoubleClickTime() {
  auto& s = Current();
  Held held(s.lock);
  return s.config.doubleClickTime;
}

UINT SetTimer(HWND window, UINT id, UINT elapse, void*) {
  auto& s = Current();
  Held held(s.lock);
  std::erase_if(s.timers,
                [&](const sim::TimerRecord& t) { return t.window == window && t.id == id; });
  s.timers.push_back({window, id, elapse, s.now + elapse});
  return id;
}

BOOL KillTimer(HWND window, UINT id) {
  auto& s = Current();
  Held held(s.lock);
  return std::erase_if(s.timers, [&](const sim::TimerRecord& t) {
           return t.window == window && t.id == id;
         }) > 0;
}

HWND SetCapture(HWND window) {
  auto& s = Current();
  HWND previous;
  {
    Held held(s.lock);
    previous = s.capture;
    s.capture = window;
  }
  if (previous != NoWindow && previous != window)
    s.Call(previous, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(window));
  return previous;
}

BOOL ReleaseCapture() {
  auto& s = Current();
  HWND previous;
  {
    Held held(s.lock);
    previous = s.capture;
    s.capture = NoWindow;
  }
  if (previous != NoWindow) s.Call(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  auto& s = Current();
  Held held(s.lock);
  if (!s.Find(window)) return FALSE;
  const POINT origin = s.ClientOrigin(window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  auto& s = Current();
  Held held(s.lock);
  sim::WindowRecord* w = s.Find(window);
  if (!w) return FALSE;
  w->dirty = true;
  return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  auto& s = Current();
  Held held(s.lock);
  if (sim::WindowRecord* w = s.Find(window)) w->dirty = false;
  *paint = {};
  paint->hdc = HDC{static_cast<std::uint32_t>(window)};
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
  return TRUE;
}

// The machine has no display: drawing goes nowhere.
int SetDIBitsToDevice(HDC, int, int, DWORD, DWORD, int, int, UINT, UINT lines, const void*,
                      const void*, UINT) {
  return static_cast<int>(lines);
}

BOOL PeekMessageA(MSG* message, HWND, UINT, UINT, UINT remove) {
  auto& s = Current();
  Held held(s.lock);
  return s.Take(held, message, (remove & PM_REMOVE) != 0);
}

BOOL GetMessageA(MSG* message, HWND, UINT, UINT) {
  auto& s = Current();
  Held held(s.lock);
  s.Wait(
      held, [&] { return !s.posted.empty() || s.quit || s.AnyDirty(); }, false);
  s.Take(held, message, true);
  return message->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG*) {
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* message) {
  return Current().Call(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& s = Current();
  Held held(s.lock);
  if (!s.Find(window)) return FALSE;
  s.posted.push_back({window, message, wParam, lParam, s.now, s.pointer});
  s.changed.notify_all();
  return TRUE;
}

UINT RegisterWindowMessageA(const char* name) {
  auto& s = Current();
  Held held(s.lock);
  return s.RegisteredMessage(name);
}

// From another thread the message waits for the program thread, as on Windows.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& s = Current();
  Held held(s.lock);
  if (s.OnProgramThread()) {
    held.unlock();
    return s.Call(window, message, wParam, lParam);
  }
  using Run = sim::Machine::State::Run;
  if (s.run != Run::Running && s.run != Run::Waiting) return 0;
  sim::SentMessage sent;
  sent.msg = {window, message, wParam, lParam, s.now, s.pointer};
  s.sent.push_back(&sent);
  s.changed.notify_all();
  s.changed.wait(held,
                 [&] { return sent.done || (s.run != Run::Running && s.run != Run::Waiting); });
  if (!sent.done) std::erase(s.sent, &sent);
  return sent.result;
}

void PostQuitMessage(int) {
  auto& s = Current();
  Held held(s.lock);
  s.quit = true;
}

HMENU CreatePopupMenu() {
  auto& s = Current();
  Held held(s.lock);
  const HMENU menu{s.NewHandle()};
  s.menus[menu];
  return menu;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT id, const char* text) {
  auto& s = Current();
  Held held(s.lock);
  auto m = s.menus.find(menu);
  if (m == s.menus.end()) return FALSE;
  const bool separator = (flags & MF_SEPARATOR) != 0;
  m->second.items.push_back({id, {separator ? "" : text, separator}});
  return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
  auto& s = Current();
  Held held(s.lock);
  return s.menus.erase(menu) > 0;
}

int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  auto& s = Current();
  Held held(s.lock);
  auto m = s.menus.find(menu);
  if (m == s.menus.end()) return 0;
  sim::OpenMenu open{{}, x, y, owner, flags};
  s.menuIds.clear();
  for (const auto& [id, entry] : m->second.items) {
    open.items.push_back(entry);
    s.menuIds.push_back(id);
  }
  s.Log("TrackPopupMenu(" + std::to_string(x) + ", " + std::to_string(y) + ")");
  s.menu = open;
  s.menuAnswer.reset();
  s.Wait(
      held, [&] { return s.menuAnswer.has_value(); }, true);
  const int chosen = *s.menuAnswer;
  s.menu.reset();
  s.menuAnswer.reset();
  return chosen;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  auto& s = Current();
  Held held(s.lock);
  const sim::MessageBoxCall call{owner, text, caption, type};
  s.Log(std::string("MessageBoxA(\"") + text + "\", \"" + caption + "\", " + std::to_string(type) +
        ")");
  s.boxes.push_back(call);
  s.box = call;
  s.boxAnswer.reset();
  s.Wait(
      held, [&] { return s.boxAnswer.has_value(); }, true);
  const int answer = *s.boxAnswer;
  s.box.reset();
  s.boxAnswer.reset();
  return answer;
}

BOOL ExitWindowsEx(UINT flags, DWORD reason) {
  auto& s = Current();
  Held held(s.lock);
  s.Log("ExitWindowsEx(" + std::to_string(flags) + ", " + std::to_string(reason) + ")");
  return s.config.sessionEndRefused ? FALSE : TRUE;
}

} // namespace os

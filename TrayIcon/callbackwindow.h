// The one window that receives the shell's notifications for every tray icon, and
// the delay that tells a single click from a double click.
#pragma once

#include "TrayIcon.h"
#include "forms.h"
#include "thread.h"

// The message the shell posts for an icon: wParam its identifier, lParam the mouse message.
constexpr os::UINT WM_TRAYNOTIFY = os::WM_USER + 200;

class TCallbackWindow : public classlib::TWinControl {
public:
  static constexpr const char* StaticClassName = "TCallbackWindow";
  const char* ClassName() const override { return StaticClassName; }
  // A visible child of `form`, of zero width and height.
  explicit TCallbackWindow(classlib::TCustomForm* form);
  ~TCallbackWindow() override;

  os::LRESULT WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  // The end of a single-click delay, on the GUI thread.
  void SingleClickDone(classlib::TObject* Sender);
  // `icon` is going away.
  void Forget(TTrayIcon* icon);

private:
  void TrayNotify(os::WPARAM wParam, os::LPARAM lParam);
  void TaskbarCreated();
  void PopupFor(classlib::TPopupMenu* TTrayIcon::*menu, int X, int Y);
  void SingleClickStep();

  // The icon of the latest notification that named a live icon, enabled or not.
  TTrayIcon* FTrayIcon = nullptr;
  // The shell tells every top-level window, not this child, that its notification
  // area was created anew; the application window hears it for us.
  const os::UINT FTaskbarCreated;
  const classlib::TWindowHook FShellWatch;
};

// The window of the first tray icon's owner form; none until the first one exists.
extern TCallbackWindow* CallbackWindow;

// Sleeps the double-click time and 50 ms more, then reports its end and frees itself.
class TSingleClick : public classlib::TThread {
public:
  explicit TSingleClick(classlib::TNotifyEvent onTerminate);

protected:
  void Execute() override;
};

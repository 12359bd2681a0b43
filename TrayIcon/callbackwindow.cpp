#include "callbackwindow.h"

#include "forms.h"

using namespace classlib;

TCallbackWindow* CallbackWindow = nullptr;

TCallbackWindow::TCallbackWindow(TCustomForm* form)
    : TWinControl(form), FTaskbarCreated(os::RegisterWindowMessageA("TaskbarCreated")),
      FShellWatch([this](os::UINT message, os::WPARAM, os::LPARAM) {
        if (message == FTaskbarCreated) TaskbarCreated();
      }) {
  SetBounds(0, 0, 0, 0);
  SetParent(form);
  Application->HookMainWindow(&FShellWatch);
}

TCallbackWindow::~TCallbackWindow() {
  Application->UnhookMainWindow(&FShellWatch);
  if (CallbackWindow == this) CallbackWindow = nullptr;
}

// Explorer restarted, or started after the program: the icons it held are gone, and a
// visible icon whose add was refused can now be added.
void TCallbackWindow::TaskbarCreated() {
  for (int i = 0; i < TrayIconList->Count(); ++i)
    static_cast<TTrayIcon*>(TrayIconList->Objects(i))->AddAgain();
}

void TCallbackWindow::Forget(TTrayIcon* icon) {
  if (FTrayIcon == icon) FTrayIcon = nullptr;
}

os::LRESULT TCallbackWindow::WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message != WM_TRAYNOTIFY) return TWinControl::WndProc(message, wParam, lParam);
  TrayNotify(wParam, lParam);
  return 0;
}

void TCallbackWindow::TrayNotify(os::WPARAM wParam, os::LPARAM lParam) {
  const int index = TrayIconList->IndexOf(IntToStr(static_cast<long long>(wParam)));
  if (index < 0) return;
  FTrayIcon = static_cast<TTrayIcon*>(TrayIconList->Objects(index));
  if (!FTrayIcon->FEnabled) return;
  os::POINT at;
  os::GetCursorPos(&at);
  TTrayIcon& icon = *FTrayIcon;
  switch (lParam) {
  case os::WM_MOUSEMOVE:
    if (icon.OnMouseMove) icon.OnMouseMove(&icon, 0, at.x, at.y);
    break;
  case os::WM_LBUTTONDOWN:
    if (icon.FLBPopupMenu && icon.FAutoPopup)
      PopupFor(&TTrayIcon::FLBPopupMenu, at.x, at.y);
    else if (icon.OnMouseDown)
      icon.OnMouseDown(&icon, TMouseButton::mbLeft, ssLeft, at.x, at.y);
    break;
  case os::WM_LBUTTONUP:
    if (icon.OnMouseUp)
      icon.OnMouseUp(&icon, TMouseButton::mbLeft, ssLeft, at.x, at.y);
    else
      SingleClickStep();
    break;
  case os::WM_LBUTTONDBLCLK:
    icon.FClickPending = true;
    if (icon.OnDblClick) icon.OnDblClick(&icon);
    break;
  case os::WM_RBUTTONDOWN:
    if (icon.FRBPopupMenu && icon.FAutoPopup)
      PopupFor(&TTrayIcon::FRBPopupMenu, at.x, at.y);
    else if (icon.OnMouseDown)
      icon.OnMouseDown(&icon, TMouseButton::mbRight, ssRight, at.x, at.y);
    break;
  case os::WM_RBUTTONUP:
    if (icon.OnMouseUp) icon.OnMouseUp(&icon, TMouseButton::mbRight, ssRight, at.x, at.y);
    break;
  case os::WM_MBUTTONDOWN:
    if (icon.OnMouseDown) icon.OnMouseDown(&icon, TMouseButton::mbMiddle, ssMiddle, at.x, at.y);
    break;
  case os::WM_MBUTTONUP:
    if (icon.OnMouseUp) icon.OnMouseUp(&icon, TMouseButton::mbMiddle, ssMiddle, at.x, at.y);
    break;
  default:
    break;
  }
}

// The owner form comes forward first, so the menu closes when the user clicks
// elsewhere. The menu opened is the one held after the pending messages ran.
void TCallbackWindow::PopupFor(TPopupMenu* TTrayIcon::*menu, int X, int Y) {
  if (auto* form = dynamic_cast<TCustomForm*>(FTrayIcon->Owner())) {
    os::SetForegroundWindow(form->Handle());
    Application->ProcessMessages();
  }
  if (FTrayIcon && FTrayIcon->*menu) (FTrayIcon->*menu)->Popup(X, Y);
}

void TCallbackWindow::SingleClickStep() {
  TTrayIcon& icon = *FTrayIcon;
  if (!icon.OnClick) {
    icon.FClickPending = false;
  } else if (icon.FClickPending) {
    icon.FClickPending = false; // this release ends a double click
  } else {
    icon.FClickPending = true;
    // The handler finds the callback window when it runs, which may be gone by then.
    new TSingleClick([](TObject* Sender) {
      if (CallbackWindow) CallbackWindow->SingleClickDone(Sender);
    });
  }
}

void TCallbackWindow::SingleClickDone(TObject*) {
  TTrayIcon* icon = FTrayIcon;
  if (!icon) return;
  if (icon->OnClick && icon->FClickPending) icon->OnClick(icon);
  if (FTrayIcon == icon) icon->FClickPending = false;
}

TSingleClick::TSingleClick(TNotifyEvent onTerminate) {
  FreeOnTerminate = true;
  OnTerminate = std::move(onTerminate);
  Start();
}

void TSingleClick::Execute() {
  os::Sleep(os::GetDoubleClickTime() + 50);
}

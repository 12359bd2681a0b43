#include "forms.h"

#include "formreader.h"
#include "resources.h"
#include "stdctrls.h"

#include <algorithm>

namespace classlib {

// ---- TCustomForm ----------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
}

TCustomForm::~TCustomForm() {
  MarkDestroying();
  DestroyComponents();
}

void TCustomForm::Create() {
  FormReader::ReadRoot(this, ResourceBytes(ClassName()));
  try {
    if (OnCreate) OnCreate(this);
  } catch (const Exception& e) {
    Application->HandleException(e);
  }
}

os::DWORD TCustomForm::WindowStyle() const {
  const os::DWORD systemMenu = BorderIconsSystemMenu ? os::WS_SYSMENU : 0;
  switch (BorderStyle) {
  case TFormBorderStyle::bsNone:
    return os::WS_POPUP;
  case TFormBorderStyle::bsSingle:
    return os::WS_CAPTION | systemMenu;
  case TFormBorderStyle::bsDialog:
    return os::WS_POPUP | os::WS_CAPTION | systemMenu;
  case TFormBorderStyle::bsSizeable:
    break;
  }
  return os::WS_CAPTION | os::WS_THICKFRAME | systemMenu;
}

os::DWORD TCustomForm::WindowExStyle() const {
  os::DWORD exStyle = FFormStyle == TFormStyle::fsStayOnTop ? os::WS_EX_TOPMOST : 0;
  if (BorderStyle == TFormBorderStyle::bsDialog) exStyle |= os::WS_EX_DLGMODALFRAME;
  return exStyle;
}

void TCustomForm::MakeCreateParams(CreateParams& params) {
  TWinControl::MakeCreateParams(params);
  params.style = WindowStyle() | os::WS_CLIPCHILDREN;
  params.exStyle = WindowExStyle();
  params.parent = Application->Handle(); // forms are owned by the application window
}

void TCustomForm::SetClientWidth(int value) {
  os::RECT r{0, 0, value, 0};
  os::AdjustWindowRectEx(&r, WindowStyle(), os::FALSE, WindowExStyle());
  SetWidth(r.right - r.left);
}

void TCustomForm::SetClientHeight(int value) {
  os::RECT r{0, 0, 0, value};
  os::AdjustWindowRectEx(&r, WindowStyle(), os::FALSE, WindowExStyle());
  SetHeight(r.bottom - r.top);
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  FFormStyle = value;
  if (HandleAllocated())
    os::SetWindowPos(Handle(),
                     value == TFormStyle::fsStayOnTop ? os::HWND_TOPMOST : os::HWND_NOTOPMOST, 0, 0,
                     0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE | os::SWP_NOACTIVATE);
}

// OnShow runs before the window appears, so it can still move it unseen.
void TCustomForm::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (value) {
    HandleNeeded();
    if (OnShow) OnShow(this);
    os::ShowWindow(Handle(), os::SW_SHOWNORMAL);
    if (ActiveControl) ActiveControl->SetFocus();
  } else {
    if (OnHide) OnHide(this);
    if (HandleAllocated()) os::ShowWindow(Handle(), os::SW_HIDE);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  os::SetWindowPos(Handle(), os::NoWindow, 0, 0, 0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE);
}

void TCustomForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application->MainForm() == this)
    Application->Terminate();
  else
    Hide();
}

os::LRESULT TCustomForm::WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
  case CM_DIALOGKEY:
    return DialogKey(static_cast<int>(wParam));
  case os::WM_CLOSE:
    Close();
    return 0;
  default:
    return TWinControl::WndProc(message, wParam, lParam);
  }
}

bool TCustomForm::DialogKey(int key) {
  TWinControl* focused = ChildWithHandle(os::GetFocus());
  if (key == os::VK_TAB) {
    // The stop after the focused one in tab order (before it with Shift), wrapping
    // round: the nearest order beyond, else the farthest one back.
    const bool back = os::GetKeyState(os::VK_SHIFT) < 0;
    const int from = focused ? focused->TabOrder : (back ? 0x7FFFFFFF : -1);
    auto beyond = [back, from](int order) { return back ? order < from : order > from; };
    auto nearer = [back](int a, int b) { return back ? a > b : a < b; };
    TWinControl *next = nullptr, *wrap = nullptr;
    for (TControl* c : Controls()) {
      auto* w = dynamic_cast<TWinControl*>(c);
      if (!w || !w->TabStop || !w->Visible() || !w->Enabled()) continue;
      if (beyond(w->TabOrder) && (!next || nearer(w->TabOrder, next->TabOrder))) next = w;
      if (!wrap || nearer(w->TabOrder, wrap->TabOrder)) wrap = w;
    }
    if (!wrap) return false;
    (next ? next : wrap)->SetFocus();
    return true;
  }
  if (key == os::VK_RETURN) {
    auto* button = dynamic_cast<TButton*>(focused);
    for (TControl* c : Controls())
      if (auto* b = dynamic_cast<TButton*>(c); !button && b && b->Default) button = b;
    if (!button || !button->Visible() || !button->Enabled()) return false;
    button->Click();
    return true;
  }
  return false;
}

bool TCustomForm::SetProperty(std::string_view name, const PropertyValue& value,
                              FormReader& reader) {
  if (name == "BorderStyle") {
    const std::string& style = value.Ident();
    if (style == "bsNone")
      BorderStyle = TFormBorderStyle::bsNone;
    else if (style == "bsSingle")
      BorderStyle = TFormBorderStyle::bsSingle;
    else if (style == "bsSizeable")
      BorderStyle = TFormBorderStyle::bsSizeable;
    else if (style == "bsDialog")
      BorderStyle = TFormBorderStyle::bsDialog;
    else
      throw EReadError("Invalid property value");
  } else if (name == "BorderIcons") {
    BorderIconsSystemMenu = false;
    for (const std::string& icon : value.Set()) {
      if (icon == "biSystemMenu")
        BorderIconsSystemMenu = true;
      else if (icon != "biMinimize" && icon != "biMaximize")
        throw EReadError("Invalid property value");
    }
  } else if (name == "FormStyle") {
    const std::string& style = value.Ident();
    if (style == "fsNormal")
      SetFormStyle(TFormStyle::fsNormal);
    else if (style == "fsStayOnTop")
      SetFormStyle(TFormStyle::fsStayOnTop);
    else
      throw EReadError("Invalid property value");
  } else if (name == "ClientWidth")
    SetClientWidth(value.Int());
  else if (name == "ClientHeight")
    SetClientHeight(value.Int());
  else if (name == "Icon.Resource")
    Icon.LoadFromResourceName(value.Str());
  else if (name == "Scaled")
    Scaled = value.Bool();
  else if (name == "PixelsPerInch")
    PixelsPerInch = value.Int();
  else if (name == "TextHeight")
    TextHeight = value.Int();
  else if (name == "ActiveControl")
    reader.Reference(value.Ident(), [this](TComponent* c) {
      ActiveControl = dynamic_cast<TWinControl*>(c);
      if (!ActiveControl) throw EReadError("Invalid property value");
    });
  else if (name == "OnCreate")
    OnCreate = reader.Method<TNotifyEvent>(value.Ident());
  else if (name == "OnShow")
    OnShow = reader.Method<TNotifyEvent>(value.Ident());
  else if (name == "OnHide")
    OnHide = reader.Method<TNotifyEvent>(value.Ident());
  else if (name == "OnClose")
    OnClose = reader.Method<TCloseEvent>(value.Ident());
  else
    return TWinControl::SetProperty(name, value, reader);
  return true;
}

// ---- TApplication ---------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  DestroyComponents();
  if (FHandle != os::NoWindow) {
    ForgetTargetWindow(FHandle);
    os::DestroyWindow(FHandle);
  }
}

void TApplication::DestroyForms() {
  MarkDestroying();
  DestroyComponents();
}

void TApplication::Initialize() {
  if (FHandle != os::NoWindow) return;
  FHandle = CreateTargetWindow(this, 0, StaticClassName, FTitle,
                               os::WS_POPUP | os::WS_CAPTION | os::WS_CLIPSIBLINGS |
                                   os::WS_SYSMENU | os::WS_MINIMIZEBOX,
                               os::GetSystemMetrics(os::SM_CXSCREEN) / 2,
                               os::GetSystemMetrics(os::SM_CYSCREEN) / 2, 0, 0, os::NoWindow);
  os::ShowWindow(FHandle, os::SW_SHOWNORMAL);
}

void TApplication::SetTitle(const std::string& value) {
  FTitle = value;
  if (FHandle != os::NoWindow) os::SetWindowTextA(FHandle, value.c_str());
}

void TApplication::Run() {
  if (FMainForm && ShowMainForm) FMainForm->SetVisible(true);
  while (!FTerminated) HandleMessage();
}

// When the queue is empty the idle handler runs; unless it asks to be called again at
// once, the thread then sleeps in GetMessage until the next message arrives. Without
// an idle handler nobody needs to know when the queue empties: it just sleeps.
void TApplication::HandleMessage() {
  os::MSG msg;
  if (!OnIdle || !os::PeekMessageA(&msg, os::NoWindow, 0, 0, os::PM_REMOVE | os::PM_NOYIELD)) {
    bool done = true;
    if (const TIdleEvent idle = OnIdle) idle(this, done); // the handler may replace itself
    if (!done) return;
    os::GetMessageA(&msg, os::NoWindow, 0, 0);
  }
  Dispatch(msg);
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

// The form a window belongs to: the form's own window or one of its controls'.
TCustomForm* TApplication::FormOf(os::HWND window) {
  for (TComponent* c : Components())
    if (auto* form = dynamic_cast<TCustomForm*>(c); form && form->HandleAllocated())
      if (form->Handle() == window || form->ChildWithHandle(window)) return form;
  return nullptr;
}

// A key goes to its form first, so Tab and Enter work as in a dialog box.
bool TApplication::IsDialogKey(const os::MSG& msg) {
  if (msg.message != os::WM_KEYDOWN) return false;
  TCustomForm* form = FormOf(msg.hwnd);
  return form && os::SendMessageA(form->Handle(), TCustomForm::CM_DIALOGKEY, msg.wParam, 0);
}

bool TApplication::ProcessMessage() {
  os::MSG msg;
  if (!os::PeekMessageA(&msg, os::NoWindow, 0, 0, os::PM_REMOVE | os::PM_NOYIELD)) return false;
  Dispatch(msg);
  return true;
}

void TApplication::Dispatch(const os::MSG& msg) {
  if (msg.message == os::WM_QUIT) {
    FTerminated = true;
  } else if (!IsDialogKey(msg)) {
    os::TranslateMessage(&msg);
    os::DispatchMessageA(&msg);
  }
}

void TApplication::Terminate() {
  os::PostQuitMessage(0);
}

// Modal for the whole program: the forms are disabled while the box is shown.
int TApplication::MessageBox(const std::string& text, const std::string& caption, os::UINT flags) {
  std::vector<os::HWND> disabled;
  for (TComponent* c : Components())
    if (auto* form = dynamic_cast<TCustomForm*>(c); form && form->HandleAllocated())
      if (os::IsWindowEnabled(form->Handle())) {
        os::EnableWindow(form->Handle(), os::FALSE);
        disabled.push_back(form->Handle());
      }
  const int result = os::MessageBoxA(FHandle, text.c_str(), caption.c_str(), flags);
  for (os::HWND window : disabled) os::EnableWindow(window, os::TRUE);
  return result;
}

void TApplication::ShowException(const Exception& e) {
  MessageBox(e.Message() + ".", FTitle, os::MB_OK | os::MB_ICONSTOP);
}

os::UINT TApplication::AddTimer(std::function<void()> onTimer) {
  FTimers.push_back({FNextTimerId, std::move(onTimer)});
  return FNextTimerId++;
}

void TApplication::RemoveTimer(os::UINT id) {
  std::erase_if(FTimers, [id](const Timer& t) { return t.id == id; });
}

os::LRESULT TApplication::WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  for (const TWindowHook* hook : FWindowHooks) (*hook)(message, wParam, lParam);
  switch (message) {
  case os::WM_TIMER:
    for (const Timer& timer : FTimers)
      if (timer.id == wParam) {
        const auto onTimer = timer.onTimer; // the handler may remove its timer
        onTimer();
        break;
      }
    return 0;
  case os::WM_QUERYENDSESSION:
    return 1;
  case os::WM_ENDSESSION:
    if (wParam) os::exit(0);
    return 0;
  case os::WM_CLOSE:
    if (FMainForm) FMainForm->Close();
    return 0;
  case WM_EXECPROC:
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  default:
    return os::DefWindowProcA(FHandle, message, wParam, lParam);
  }
}

} // namespace classlib

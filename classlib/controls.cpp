#include "controls.h"

#include "formreader.h"
#include "forms.h"
#include "menus.h"

#include <algorithm>
#include <new>

namespace classlib {

namespace {

// The windows of the program with their targets: a handful, so a list does. Never
// destroyed: windows still get messages while the exit procedures run, after the
// destructors of function-local statics created later than their registration.
struct Target {
  os::HWND window;
  TWindowTarget* target;
};
std::vector<Target>& Targets() {
  static auto* targets = new std::vector<Target>;
  return *targets;
}

TWindowTarget* FindTarget(os::HWND window) {
  for (const Target& t : Targets())
    if (t.window == window) return t.target;
  return nullptr;
}

// The target of the window being created: its first messages arrive before
// CreateWindowExA has returned the handle.
TWindowTarget* CreationTarget = nullptr;

int SignedLow(os::LPARAM lParam) {
  return static_cast<std::int16_t>(lParam & 0xFFFF);
}
int SignedHigh(os::LPARAM lParam) {
  return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
}

TShiftState ShiftFromKeys(os::WPARAM keys) {
  TShiftState shift = 0;
  if (keys & os::MK_SHIFT) shift |= ssShift;
  if (keys & os::MK_CONTROL) shift |= ssCtrl;
  if (keys & os::MK_LBUTTON) shift |= ssLeft;
  if (keys & os::MK_RBUTTON) shift |= ssRight;
  if (keys & os::MK_MBUTTON) shift |= ssMiddle;
  return shift;
}

} // namespace

os::LRESULT WindowProc(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  TWindowTarget* target = FindTarget(window);
  if (!target && CreationTarget) {
    target = CreationTarget;
    target->FHandle = window;
    Targets().push_back({window, target});
    CreationTarget = nullptr;
  }
  if (!target) return os::DefWindowProcA(window, message, wParam, lParam);
  // Failures of handlers run from messages are shown, and the program goes on.
  try {
    return target->WndProc(message, wParam, lParam);
  } catch (const Exception& e) {
    Application->HandleException(e);
  } catch (const std::bad_alloc&) {
    Application->HandleException(EOutOfMemory("Out of memory"));
  }
  return 0;
}

// Registering again is refused by the system and harmless.
void RegisterWindowClass(const std::string& className) {
  os::WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hbrBackground = static_cast<os::HBRUSH>(os::COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className.c_str();
  os::RegisterClassA(&windowClass);
}

os::HWND CreateTargetWindow(TWindowTarget* target, os::DWORD exStyle, const std::string& className,
                            const std::string& caption, os::DWORD style, int x, int y, int width,
                            int height, os::HWND parent) {
  RegisterWindowClass(className);
  CreationTarget = target;
  const os::HWND window = os::CreateWindowExA(exStyle, className.c_str(), caption.c_str(), style, x,
                                              y, width, height, parent);
  CreationTarget = nullptr;
  if (window != os::NoWindow && !FindTarget(window)) Targets().push_back({window, target});
  return window;
}

void ForgetTargetWindow(os::HWND window) {
  std::erase_if(Targets(), [window](const Target& t) { return t.window == window; });
}

// ---- TControl -------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  Invalidate();
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Invalidate();
  BoundsChanged();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (FParent) FParent->Invalidate();
}

void TControl::SetEnabled(bool value) {
  FEnabled = value;
}

void TControl::SetCaption(const std::string& value) {
  FCaption = value;
  Invalidate();
}

void TControl::SetPopupMenu(TPopupMenu* value) {
  FPopupMenu = value;
  if (value) value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

os::POINT TControl::ClientToScreen(os::POINT point) const {
  for (const TControl* c = this; c; c = c->FParent) {
    if (auto* window = dynamic_cast<const TWinControl*>(c)) {
      os::ClientToScreen(const_cast<TWinControl*>(window)->Handle(), &point);
      return point;
    }
    point.x += c->FLeft;
    point.y += c->FTop;
  }
  return point;
}

void TControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated()) return;
  const os::RECT area{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
  os::InvalidateRect(FParent->Handle(), &area, os::FALSE);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Paint(os::HDC) {}

const TFont& TControl::EffectiveFont() const {
  return ParentFont && FParent ? FParent->EffectiveFont() : Font;
}

bool TControl::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Left")
    SetLeft(value.Int());
  else if (name == "Top")
    SetTop(value.Int());
  else if (name == "Width")
    SetWidth(value.Int());
  else if (name == "Height")
    SetHeight(value.Int());
  else if (name == "Visible")
    SetVisible(value.Bool());
  else if (name == "Enabled")
    SetEnabled(value.Bool());
  else if (name == "Caption")
    SetCaption(value.Str());
  else if (name.substr(0, 5) == "Font.") {
    if (!Font.SetProperty(name.substr(5), value)) return false;
    ParentFont = false;
  } else if (name == "ParentFont")
    ParentFont = value.Bool();
  else if (name == "ShowHint")
    ShowHint = value.Bool();
  else if (name == "ParentShowHint")
    ParentShowHint = value.Bool();
  else if (name == "PopupMenu")
    reader.Reference(value.Ident(), [this](TComponent* c) {
      auto* menu = dynamic_cast<TPopupMenu*>(c);
      if (!menu) throw EReadError("Invalid property value");
      SetPopupMenu(menu);
    });
  else if (name == "OnMouseDown")
    OnMouseDown = reader.Method<TMouseEvent>(value.Ident());
  else if (name == "OnMouseUp")
    OnMouseUp = reader.Method<TMouseEvent>(value.Ident());
  else if (name == "OnMouseMove")
    OnMouseMove = reader.Method<TMouseMoveEvent>(value.Ident());
  else if (name == "OnClick")
    OnClick = reader.Method<TNotifyEvent>(value.Ident());
  else
    return TComponent::SetProperty(name, value, reader);
  return true;
}

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* window = dynamic_cast<TWinControl*>(parent)) SetParent(window);
}

// ---- TWinControl ----------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  // Owned components may still refer to this window; they go first.
  MarkDestroying();
  DestroyComponents();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  DestroyHandle();
}

os::HWND TWinControl::Handle() {
  if (!HandleAllocated()) CreateHandle();
  return FHandle;
}

void TWinControl::MakeCreateParams(CreateParams& params) {
  params.className = ClassName();
  params.caption = FCaption;
  params.style = os::WS_CHILD | os::WS_CLIPSIBLINGS | (FVisible ? os::WS_VISIBLE : 0);
  params.x = FLeft;
  params.y = FTop;
  params.width = FWidth;
  params.height = FHeight;
  params.parent = FParent ? FParent->Handle() : os::NoWindow;
}

void TWinControl::CreateHandle() {
  CreateParams params;
  MakeCreateParams(params);
  // Making the parent's window makes this one with the parent's other children.
  if (HandleAllocated()) return;
  if (TabStop) params.style |= os::WS_TABSTOP;
  if (params.systemClass) {
    FHandle = os::CreateWindowExA(params.exStyle, params.className.c_str(), params.caption.c_str(),
                                  params.style, params.x, params.y, params.width, params.height,
                                  params.parent);
    if (FHandle != os::NoWindow)
      os::SendMessageA(
          FHandle, os::WM_SETFONT,
          static_cast<os::WPARAM>(static_cast<std::uint32_t>(EffectiveFont().Handle())), 0);
  } else {
    FHandle =
        CreateTargetWindow(this, params.exStyle, params.className, params.caption, params.style,
                           params.x, params.y, params.width, params.height, params.parent);
  }
  if (FHandle == os::NoWindow) throw Exception("Error creating window");
  for (TControl* c : FControls)
    if (auto* child = dynamic_cast<TWinControl*>(c)) child->HandleNeeded();
}

void TWinControl::DestroyHandle() {
  if (!HandleAllocated()) return;
  const os::HWND window = FHandle;
  FHandle = os::NoWindow;
  ForgetTargetWindow(window);
  os::DestroyWindow(window);
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  if (auto* child = dynamic_cast<TWinControl*>(control); child && HandleAllocated())
    child->HandleNeeded();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  if (FCaptureControl == control) FCaptureControl = nullptr;
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  control->FParent = nullptr;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (HandleAllocated())
    os::SetWindowPos(FHandle, os::NoWindow, FLeft, FTop, FWidth, FHeight,
                     os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  BoundsChanged();
}

void TWinControl::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (HandleAllocated()) os::ShowWindow(FHandle, value ? os::SW_SHOWNOACTIVATE : os::SW_HIDE);
}

void TWinControl::SetCaption(const std::string& value) {
  FCaption = value;
  if (HandleAllocated()) os::SetWindowTextA(FHandle, value.c_str());
}

void TWinControl::Invalidate() {
  if (HandleAllocated()) os::InvalidateRect(FHandle, nullptr, os::FALSE);
}

bool TWinControl::Focused() const {
  return HandleAllocated() && os::GetFocus() == FHandle;
}

void TWinControl::SetFocus() {
  os::SetFocus(Handle());
}

TWinControl* TWinControl::ChildWithHandle(os::HWND window) {
  for (TControl* c : FControls)
    if (auto* child = dynamic_cast<TWinControl*>(c)) {
      if (child->HandleAllocated() && child->FHandle == window) return child;
      if (TWinControl* deeper = child->ChildWithHandle(window)) return deeper;
    }
  return nullptr;
}

void TWinControl::CommandNotify(os::UINT) {}

void TWinControl::DrawItem(const os::DRAWITEMSTRUCT&) {}

bool TWinControl::SetProperty(std::string_view name, const PropertyValue& value,
                              FormReader& reader) {
  if (name == "TabOrder")
    TabOrder = value.Int();
  else if (name == "TabStop")
    TabStop = value.Bool();
  else
    return TControl::SetProperty(name, value, reader);
  return true;
}

os::LRESULT TWinControl::DefaultHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::DefWindowProcA(FHandle, message, wParam, lParam);
}

os::LRESULT TWinControl::WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
  case os::WM_PAINT:
    PaintControls();
    return 0;
  case os::WM_MOUSEMOVE:
  case os::WM_LBUTTONDOWN:
  case os::WM_LBUTTONDBLCLK:
  case os::WM_LBUTTONUP:
  case os::WM_RBUTTONDOWN:
  case os::WM_RBUTTONUP:
  case os::WM_MBUTTONDOWN:
  case os::WM_MBUTTONUP:
    DispatchMouse(message, wParam, lParam);
    return 0;
  case os::WM_COMMAND:
    if (TWinControl* child =
            ChildWithHandle(static_cast<os::HWND>(static_cast<std::uint32_t>(lParam))))
      child->CommandNotify(static_cast<os::UINT>(wParam >> 16 & 0xFFFF));
    return 0;
  case os::WM_DRAWITEM: {
    const auto& item = *reinterpret_cast<const os::DRAWITEMSTRUCT*>(lParam);
    if (TWinControl* child = ChildWithHandle(item.hwndItem)) child->DrawItem(item);
    return 1;
  }
  case os::WM_CAPTURECHANGED:
    if (static_cast<os::HWND>(static_cast<std::uint32_t>(lParam)) != FHandle)
      FCaptureControl = nullptr;
    return 0;
  default:
    return DefaultHandler(message, wParam, lParam);
  }
}

void TWinControl::PaintControls() {
  os::PAINTSTRUCT paint{};
  const os::HDC dc = os::BeginPaint(FHandle, &paint);
  Paint(dc);
  for (TControl* c : FControls)
    if (c->Visible() && !dynamic_cast<TWinControl*>(c)) c->Paint(dc);
  os::EndPaint(FHandle, &paint);
}

TControl* TWinControl::ControlAt(int x, int y) {
  for (auto c = FControls.rbegin(); c != FControls.rend(); ++c) {
    TControl* control = *c;
    if (dynamic_cast<TWinControl*>(control) || !control->Visible() || !control->Enabled()) continue;
    if (x >= control->Left() && x < control->Left() + control->Width() && y >= control->Top() &&
        y < control->Top() + control->Height())
      return control;
  }
  return this;
}

// A left press captures the mouse for the control under the pointer, so the release
// reaches that control wherever the pointer is by then. A right release runs the
// control's handler and then opens its popup menu at the release point.
void TWinControl::DispatchMouse(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  const int x = SignedLow(lParam), y = SignedHigh(lParam);
  TControl* target = FCaptureControl ? FCaptureControl : ControlAt(x, y);
  const int cx = target == this ? x : x - target->Left();
  const int cy = target == this ? y : y - target->Top();
  const TShiftState shift = ShiftFromKeys(wParam);
  switch (message) {
  case os::WM_MOUSEMOVE:
    target->MouseMove(shift, cx, cy);
    break;
  case os::WM_LBUTTONDOWN:
  case os::WM_LBUTTONDBLCLK:
    FCaptureControl = target;
    os::SetCapture(FHandle);
    target->MouseDown(TMouseButton::mbLeft,
                      shift | (message == os::WM_LBUTTONDBLCLK ? ssDouble : 0), cx, cy);
    break;
  case os::WM_LBUTTONUP:
    if (FCaptureControl) {
      FCaptureControl = nullptr;
      os::ReleaseCapture();
    }
    target->MouseUp(TMouseButton::mbLeft, shift, cx, cy);
    break;
  case os::WM_RBUTTONDOWN:
    target->MouseDown(TMouseButton::mbRight, shift, cx, cy);
    break;
  case os::WM_RBUTTONUP:
    target->MouseUp(TMouseButton::mbRight, shift, cx, cy);
    if (TPopupMenu* menu = target->PopupMenu(); menu && menu->AutoPopup) {
      const os::POINT at = target->ClientToScreen({cx, cy});
      menu->PopupComponent = target;
      menu->Popup(at.x, at.y);
    }
    break;
  case os::WM_MBUTTONDOWN:
    target->MouseDown(TMouseButton::mbMiddle, shift, cx, cy);
    break;
  case os::WM_MBUTTONUP:
    target->MouseUp(TMouseButton::mbMiddle, shift, cx, cy);
    break;
  }
}

} // namespace classlib

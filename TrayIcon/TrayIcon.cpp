#include "TrayIcon.h"

#include "callbackwindow.h"
#include "formreader.h"
#include "forms.h"
#include "program.h"

using namespace classlib;

TStringList* TrayIconList = nullptr;

namespace {

classlib::UnitRegistration trayIconUnit([] { TrayIconList = new TStringList; },
                                        [] {
                                          delete TrayIconList;
                                          TrayIconList = nullptr;
                                        });

constexpr int MaxInstances = 100;
constexpr std::size_t MaxTip = 62;

// "The icon cannot be registered in the task tray", in Shift-JIS.
const char* const RegisterFailed =
    "\x83\x5e\x83\x58\x83\x4e\x83\x67\x83\x8c\x83\x43\x82\xc9\x83\x41\x83\x43\x83\x52"
    "\x83\x93\x82\xf0\x93\x6f\x98\x5e\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42";

// Identifiers only grow at the end of the list, so the last one is the largest alive.
int NextIconID() {
  const int count = TrayIconList->Count();
  if (count == 0) return 1;
  return StrToInt(TrayIconList->Strings(count - 1)) + 1;
}

} // namespace

// A refused instance has touched nothing yet: the list keeps only live instances.
TTrayIcon::TTrayIcon(TComponent* AOwner) : TComponent(AOwner) {
  FIconID = NextIconID();
  if (TrayIconList->Count() >= MaxInstances) throw EOutOfMemory(RegisterFailed);
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  if (!Designing() && !CallbackWindow && !form)
    throw Exception("A tray icon needs a form as its owner");
  TrayIconList->AddObject(IntToStr(FIconID), this);
  FIcon = new TIcon(true);
  if (Designing()) return;
  FIcon->OnChange = [this](TObject* Sender) { IconChanged(Sender); };
  if (!CallbackWindow) CallbackWindow = new TCallbackWindow(form);
  FIconData = new os::NOTIFYICONDATAA{};
  FIconData->cbSize = sizeof(os::NOTIFYICONDATAA);
  FIconData->uCallbackMessage = WM_TRAYNOTIFY;
  FIconData->uID = static_cast<os::UINT>(FIconID);
}

TTrayIcon::~TTrayIcon() {
  if (!Designing()) {
    if (FRegistered) UpdateIcon(Action::Delete);
    delete FIconData;
    if (CallbackWindow) CallbackWindow->Forget(this);
  }
  const int index = TrayIconList->IndexOf(IntToStr(FIconID));
  if (index >= 0) TrayIconList->Delete(index);
  delete FIcon;
}

void TTrayIcon::Loaded() {
  if (!Designing()) UpdateIcon(Action::Add);
  TComponent::Loaded();
}

// Compared, not inspected: the removed component is already being destroyed. One menu
// on both buttons is cleared from both.
void TTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FLBPopupMenu) FLBPopupMenu = nullptr;
  if (AComponent == FRBPopupMenu) FRBPopupMenu = nullptr;
  if (AComponent == FAnimateIcons) FAnimateIcons = nullptr;
}

void TTrayIcon::SetAnimateIcons(TImageList* value) {
  if (value == FAnimateIcons) return;
  FAnimateIcons = value;
  if (value) value->FreeNotification(this);
}

void TTrayIcon::SetAnimateRate(int value) {
  if (value != FAnimateRate) FAnimateRate = value > 100 ? value : 100;
}

void TTrayIcon::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (!value) FClickPending = false;
}

void TTrayIcon::SetIcon(const TIcon* value) {
  if (value == FIcon) return;
  FIcon->Assign(value); // a registered icon is modified to show it, or no icon
  if (!value) SetVisible(false);
}

void TTrayIcon::SetLBPopupMenu(TPopupMenu* value) {
  FLBPopupMenu = value;
  if (value) value->FreeNotification(this);
}

void TTrayIcon::SetRBPopupMenu(TPopupMenu* value) {
  FRBPopupMenu = value;
  if (value) value->FreeNotification(this);
}

void TTrayIcon::SetTipHelp(const std::string& value) {
  const std::string tip = value.substr(0, MaxTip);
  if (tip == FTipHelp) return;
  FTipHelp = tip;
  if (!Designing() && FRegistered) UpdateIcon(Action::Modify);
}

// An icon without an image cannot be shown.
void TTrayIcon::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value && !FIcon->Empty();
  if (Designing() || Loading()) return; // Loaded adds it
  if (FVisible)
    UpdateIcon(Action::Add);
  else if (FRegistered)
    UpdateIcon(Action::Delete);
}

void TTrayIcon::IconChanged(TObject*) {
  if (FRegistered) UpdateIcon(Action::Modify);
}

// Only an add names the window; modify and delete resend the record as the last add
// left it, with the current icon, tip and flags.
void TTrayIcon::UpdateIcon(Action action) {
  FillRecord();
  switch (action) {
  case Action::Add:
    if (FVisible && !Add()) throw EOutOfMemory(RegisterFailed);
    break;
  case Action::Modify:
    if (!os::Shell_NotifyIconA(os::NIM_MODIFY, FIconData)) throw EOutOfMemory(RegisterFailed);
    break;
  case Action::Delete:
    os::Shell_NotifyIconA(os::NIM_DELETE, FIconData);
    FRegistered = false;
    break;
  }
}

void TTrayIcon::FillRecord() {
  FIconData->hIcon = FIcon->Handle();
  std::fill(std::begin(FIconData->szTip), std::end(FIconData->szTip), '\0');
  FTipHelp.copy(FIconData->szTip, MaxTip);
  FIconData->uFlags = os::NIF_MESSAGE | os::NIF_ICON | (FTipHelp.empty() ? 0 : os::NIF_TIP);
}

bool TTrayIcon::Add() {
  FIconData->hWnd = CallbackWindow->Handle();
  if (!os::Shell_NotifyIconA(os::NIM_ADD, FIconData)) return false;
  FRegistered = true;
  return true;
}

void TTrayIcon::AddAgain() {
  if (Designing() || !FVisible) return;
  FillRecord();
  Add();
}

bool TTrayIcon::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  auto menu = [&reader, &value](void (TTrayIcon::*set)(TPopupMenu*), TTrayIcon* self) {
    reader.Reference(value.Ident(), [self, set](TComponent* c) {
      auto* popup = dynamic_cast<TPopupMenu*>(c);
      if (!popup) throw EReadError("Invalid property value");
      (self->*set)(popup);
    });
  };
  if (name == "AnimateIcons")
    reader.Reference(value.Ident(), [this](TComponent* c) {
      auto* list = dynamic_cast<TImageList*>(c);
      if (!list) throw EReadError("Invalid property value");
      SetAnimateIcons(list);
    });
  else if (name == "AnimateRate")
    SetAnimateRate(value.Int());
  else if (name == "AutoPopup")
    SetAutoPopup(value.Bool());
  else if (name == "Enabled")
    SetEnabled(value.Bool());
  else if (name == "Icon.Resource")
    FIcon->LoadFromResourceName(value.Str());
  else if (name == "LBPopupMenu")
    menu(&TTrayIcon::SetLBPopupMenu, this);
  else if (name == "RBPopupMenu")
    menu(&TTrayIcon::SetRBPopupMenu, this);
  else if (name == "TipHelp")
    SetTipHelp(value.Str());
  else if (name == "Visible")
    SetVisible(value.Bool());
  else if (name == "OnClick")
    OnClick = reader.Method<TNotifyEvent>(value.Ident());
  else if (name == "OnDblClick")
    OnDblClick = reader.Method<TNotifyEvent>(value.Ident());
  else if (name == "OnMouseDown")
    OnMouseDown = reader.Method<TMouseEvent>(value.Ident());
  else if (name == "OnMouseMove")
    OnMouseMove = reader.Method<TMouseMoveEvent>(value.Ident());
  else if (name == "OnMouseUp")
    OnMouseUp = reader.Method<TMouseEvent>(value.Ident());
  else
    return TComponent::SetProperty(name, value, reader);
  return true;
}

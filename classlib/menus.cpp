#include "menus.h"

#include "formreader.h"
#include "forms.h"
#include "os.h"

#include <algorithm>

namespace classlib {

TMenuItem::~TMenuItem() {
  // Items die with their menu, as they do on screen.
  while (!FItems.empty()) delete FItems.back();
  if (FParent) FParent->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->FParent) item->FParent->Remove(item);
  FItems.push_back(item);
  item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
  item->FParent = nullptr;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

bool TMenuItem::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Caption")
    Caption = value.Str();
  else if (name == "OnClick")
    OnClick = reader.Method<TNotifyEvent>(value.Ident());
  else
    return TComponent::SetProperty(name, value, reader);
  return true;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(parent))
    item->Add(this);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {}

TPopupMenu::~TPopupMenu() {
  delete FItems;
}

void TPopupMenu::Popup(int X, int Y) {
  const os::HMENU menu = os::CreatePopupMenu();
  const auto& items = FItems->Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i]->IsSeparator())
      os::AppendMenuA(menu, os::MF_SEPARATOR, 0, nullptr);
    else
      os::AppendMenuA(menu, os::MF_STRING, static_cast<os::UINT>(i + 1), items[i]->Caption.c_str());
  }
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  const os::HWND window = form ? form->Handle() : Application->Handle();
  const int chosen = os::TrackPopupMenu(
      menu, os::TPM_LEFTALIGN | os::TPM_RIGHTBUTTON | os::TPM_RETURNCMD | os::TPM_NONOTIFY, X, Y, 0,
      window, nullptr);
  // Lets the menu's owner see a message, so a menu opened from the tray closes
  // properly when the user clicks elsewhere the next time.
  os::PostMessageA(window, os::WM_NULL, 0, 0);
  os::DestroyMenu(menu);
  if (chosen > 0 && static_cast<std::size_t>(chosen) <= items.size()) items[chosen - 1]->Click();
}

bool TPopupMenu::SetProperty(std::string_view name, const PropertyValue& value,
                             FormReader& reader) {
  if (name == "AutoPopup")
    AutoPopup = value.Bool();
  else
    return TComponent::SetProperty(name, value, reader);
  return true;
}

} // namespace classlib

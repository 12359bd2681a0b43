#include "stdctrls.h"

#include "formreader.h"

namespace classlib {

void TLabel::Paint(os::HDC dc) {
  const TFont& font = EffectiveFont();
  const os::HFONT previous = os::SelectObject(dc, font.Handle());
  os::SetBkMode(dc, os::TRANSPARENT);
  os::SetTextColor(dc, font.ColorRef());
  os::RECT area{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
  os::DrawTextA(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &area,
                os::DT_LEFT | os::DT_EXPANDTABS | os::DT_NOPREFIX);
  os::SelectObject(dc, previous);
}

bool TLabel::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name != "AutoSize") return TGraphicControl::SetProperty(name, value, reader);
  if (value.Bool()) throw EReadError("A label cannot size itself");
  return true;
}

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  TabStop = true;
}

void TButtonControl::MakeCreateParams(CreateParams& params) {
  TWinControl::MakeCreateParams(params);
  params.className = "BUTTON";
  params.systemClass = true;
  params.style |= os::BS_NOTIFY;
}

void TButtonControl::CommandNotify(os::UINT code) {
  if (code == os::BN_CLICKED) Click();
  // Whether the default button answers Enter depends on where the focus is: it
  // shows that with its frame.
  if (code == os::BN_SETFOCUS && FParent)
    for (TControl* c : FParent->Controls())
      if (auto* button = dynamic_cast<TButton*>(c); button && button->Default) button->Invalidate();
}

void TButton::MakeCreateParams(CreateParams& params) {
  TButtonControl::MakeCreateParams(params);
  params.style |= Default ? os::BS_DEFPUSHBUTTON : os::BS_PUSHBUTTON;
}

bool TButton::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Default")
    Default = value.Bool();
  else
    return TButtonControl::SetProperty(name, value, reader);
  return true;
}

void TCheckBox::MakeCreateParams(CreateParams& params) {
  TButtonControl::MakeCreateParams(params);
  params.style |= os::BS_AUTOCHECKBOX;
}

void TCheckBox::CreateHandle() {
  TButtonControl::CreateHandle();
  os::SendMessageA(Handle(), os::BM_SETCHECK, FChecked ? os::BST_CHECKED : os::BST_UNCHECKED, 0);
}

// The window holds the state once it exists: a click changes it there.
bool TCheckBox::Checked() const {
  if (!HandleAllocated()) return FChecked;
  return os::SendMessageA(const_cast<TCheckBox*>(this)->Handle(), os::BM_GETCHECK, 0, 0) ==
         os::BST_CHECKED;
}

void TCheckBox::SetChecked(bool value) {
  FChecked = value;
  if (HandleAllocated())
    os::SendMessageA(Handle(), os::BM_SETCHECK, value ? os::BST_CHECKED : os::BST_UNCHECKED, 0);
}

bool TCheckBox::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Checked")
    SetChecked(value.Bool());
  else
    return TButtonControl::SetProperty(name, value, reader);
  return true;
}

} // namespace classlib

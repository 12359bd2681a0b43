#include "extctrls.h"

#include "formreader.h"
#include "forms.h"

namespace classlib {

void TImage::SetPicture(const TBitmap& picture) {
  FPicture = picture;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (AutoSize && !Loading()) {
    if (!FPicture.Empty())
      SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
    else if (!FIcon.Empty())
      SetBounds(FLeft, FTop, FIcon.Size(), FIcon.Size());
  }
  Invalidate();
}

void TImage::Loaded() {
  TGraphicControl::Loaded();
  PictureChanged();
}

void TImage::Paint(os::HDC dc) {
  if (!FIcon.Empty())
    os::DrawIconEx(dc, FLeft, FTop, FIcon.Handle(), FIcon.Size(), FIcon.Size(), 0, os::DI_NORMAL);
  if (FPicture.Empty()) return;
  os::SetDIBitsToDevice(dc, FLeft, FTop, static_cast<os::DWORD>(FPicture.Width()),
                        static_cast<os::DWORD>(FPicture.Height()), 0, 0, 0,
                        static_cast<os::UINT>(FPicture.Height()), FPicture.Bits().data(),
                        FPicture.Info().data(), os::DIB_RGB_COLORS);
}

bool TImage::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "AutoSize")
    AutoSize = value.Bool();
  else if (name == "Picture.Resource") {
    TBitmap picture;
    picture.LoadFromResourceName(value.Str());
    SetPicture(picture);
  } else if (name == "Picture.Icon.Resource") {
    FIcon.LoadFromResourceName(value.Str());
    PictureChanged();
  } else
    return TGraphicControl::SetProperty(name, value, reader);
  return true;
}

TTimer::~TTimer() {
  KillTimer();
}

void TTimer::KillTimer() {
  if (FId == 0) return;
  os::KillTimer(Application->Handle(), FId);
  Application->RemoveTimer(FId);
  FId = 0;
}

// A timer ticks while it is enabled, has an interval and a handler.
void TTimer::UpdateTimer() {
  KillTimer();
  if (Loading() || !FEnabled || FInterval == 0 || !FOnTimer) return;
  FId = Application->AddTimer([this] { FOnTimer(this); });
  os::SetTimer(Application->Handle(), FId, FInterval, nullptr);
}

void TTimer::SetInterval(os::UINT value) {
  FInterval = value;
  UpdateTimer();
}

void TTimer::SetEnabled(bool value) {
  FEnabled = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value) {
  FOnTimer = std::move(value);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

bool TTimer::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Interval")
    SetInterval(static_cast<os::UINT>(value.Int()));
  else if (name == "Enabled")
    SetEnabled(value.Bool());
  else if (name == "OnTimer")
    SetOnTimer(reader.Method<TNotifyEvent>(value.Ident()));
  else
    return TComponent::SetProperty(name, value, reader);
  return true;
}

} // namespace classlib

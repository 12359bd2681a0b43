// The image control and the timer.
#pragma once

#include "controls.h"
#include "graphics.h"

namespace classlib {

class TImage : public TGraphicControl {
public:
  static constexpr const char* StaticClassName = "TImage";
  const char* ClassName() const override { return StaticClassName; }
  using TGraphicControl::TGraphicControl;

  const TBitmap& Picture() const { return FPicture; }
  // The image shows a copy of `picture`; with AutoSize it takes the picture's size.
  void SetPicture(const TBitmap& picture);
  // Or an icon, at the system's icon size.
  const TIcon& PictureIcon() const { return FIcon; }
  bool AutoSize = false;

  // Drawn pixel for pixel: no stretching, smoothing or dithering.
  void Paint(os::HDC dc) override;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
  void Loaded() override;

private:
  void PictureChanged();
  TBitmap FPicture;
  TIcon FIcon;
};

class TTimer : public TComponent {
public:
  static constexpr const char* StaticClassName = "TTimer";
  const char* ClassName() const override { return StaticClassName; }
  using TComponent::TComponent;
  ~TTimer() override;

  void SetInterval(os::UINT value);
  void SetEnabled(bool value);
  void SetOnTimer(TNotifyEvent value);

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
  void Loaded() override;

private:
  void UpdateTimer();
  void KillTimer();

  os::UINT FInterval = 1000;
  bool FEnabled = true;
  TNotifyEvent FOnTimer;
  os::UINT FId = 0;
};

} // namespace classlib

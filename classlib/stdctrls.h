// Labels, push buttons and check boxes.
#pragma once

#include "controls.h"

namespace classlib {

// Text drawn on its parent window, in its own rectangle.
class TLabel : public TGraphicControl {
public:
  static constexpr const char* StaticClassName = "TLabel";
  const char* ClassName() const override { return StaticClassName; }
  using TGraphicControl::TGraphicControl;

  // Labels keep the size they are given: a description must say AutoSize = False.
  void Paint(os::HDC dc) override;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
};

// A window of the system's BUTTON class, which reports its clicks to its parent.
class TButtonControl : public TWinControl {
public:
  explicit TButtonControl(TComponent* AOwner);
  void CommandNotify(os::UINT code) override;

protected:
  void MakeCreateParams(CreateParams& params) override;
};

// A push button; the default one answers Enter when no other push button has the focus.
class TButton : public TButtonControl {
public:
  static constexpr const char* StaticClassName = "TButton";
  const char* ClassName() const override { return StaticClassName; }
  using TButtonControl::TButtonControl;

  bool Default = false;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  void MakeCreateParams(CreateParams& params) override;
};

class TCheckBox : public TButtonControl {
public:
  static constexpr const char* StaticClassName = "TCheckBox";
  const char* ClassName() const override { return StaticClassName; }
  using TButtonControl::TButtonControl;

  bool Checked() const;
  void SetChecked(bool value);
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  void MakeCreateParams(CreateParams& params) override;
  void CreateHandle() override;

private:
  bool FChecked = false;
};

} // namespace classlib

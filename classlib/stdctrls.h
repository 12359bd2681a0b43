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

// A push button; the default one answers Enter when no other push button has the focus.
class TButton : public TWinControl {
public:
  static constexpr const char* StaticClassName = "TButton";
  const char* ClassName() const override { return StaticClassName; }
  explicit TButton(TComponent* AOwner);

  bool Default = false;
  void CommandNotify(os::UINT code) override;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  void MakeCreateParams(CreateParams& params) override;
};

class TCheckBox : public TWinControl {
public:
  static constexpr const char* StaticClassName = "TCheckBox";
  const char* ClassName() const override { return StaticClassName; }
  explicit TCheckBox(TComponent* AOwner);

  bool Checked() const;
  void SetChecked(bool value);
  void CommandNotify(os::UINT code) override;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  void MakeCreateParams(CreateParams& params) override;
  void CreateHandle() override;

private:
  bool FChecked = false;
};

} // namespace classlib

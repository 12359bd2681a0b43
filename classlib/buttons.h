// A push button with a picture (its glyph) beside its caption.
#pragma once

#include "graphics.h"
#include "stdctrls.h"

namespace classlib {

class TBitBtn : public TButton {
public:
  static constexpr const char* StaticClassName = "TBitBtn";
  const char* ClassName() const override { return StaticClassName; }
  using TButton::TButton;

  // The standard OK button: caption "OK", a check mark, the default button.
  void SetKindOK();
  // The glyph holds NumGlyphs images side by side: normal, then disabled. Its
  // bottom-left pixel's colour is transparent.
  TBitmap Glyph;
  int NumGlyphs = 1;

  void DrawItem(const os::DRAWITEMSTRUCT& item) override;
  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  void MakeCreateParams(CreateParams& params) override;

private:
  void DrawGlyph(os::HDC dc, int x, int y, bool disabled) const;
};

} // namespace classlib

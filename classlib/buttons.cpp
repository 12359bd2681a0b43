#include "buttons.h"

#include "formreader.h"

#include <vector>

namespace classlib {

namespace {
constexpr int Spacing = 4; // between glyph and caption
}

void TBitBtn::SetKindOK() {
  SetCaption("OK");
  Glyph.LoadFromResourceName("BBOK");
  NumGlyphs = 2;
  Default = true;
}

void TBitBtn::MakeCreateParams(CreateParams& params) {
  TButton::MakeCreateParams(params);
  params.style = (params.style & ~os::BS_TYPEMASK) | os::BS_OWNERDRAW;
}

// The classic raised face, a black frame when Enter would press it, and the focus
// rectangle when it has the focus; glyph and caption centred together.
void TBitBtn::DrawItem(const os::DRAWITEMSTRUCT& item) {
  const os::HDC dc = item.hDC;
  os::RECT face = item.rcItem;
  const bool pressed = item.itemState & os::ODS_SELECTED;
  const bool focused = item.itemState & os::ODS_FOCUS;
  const bool disabled = item.itemState & os::ODS_DISABLED;
  TWinControl* focus = FParent ? FParent->ChildWithHandle(os::GetFocus()) : nullptr;
  const bool active = focused || (Default && !dynamic_cast<TButton*>(focus));
  if (active) {
    os::FrameRect(dc, &face, os::GetSysColorBrush(os::COLOR_WINDOWFRAME));
    face = {face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  }
  os::DrawFrameControl(dc, &face, os::DFC_BUTTON,
                       os::DFCS_BUTTONPUSH | (pressed ? os::DFCS_PUSHED : 0));

  const os::HFONT previous = os::SelectObject(dc, EffectiveFont().Handle());
  os::RECT text{0, 0, 0, 0};
  os::DrawTextA(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &text,
                os::DT_CALCRECT | os::DT_SINGLELINE | os::DT_NOPREFIX);
  const int glyphWidth = Glyph.Empty() ? 0 : Glyph.Width() / NumGlyphs;
  const int gap = glyphWidth > 0 && !FCaption.empty() ? Spacing : 0;
  const int total = glyphWidth + gap + (text.right - text.left);
  const int shift = pressed ? 1 : 0;
  const int left = (item.rcItem.left + item.rcItem.right - total) / 2 + shift;
  const int middle = (item.rcItem.top + item.rcItem.bottom) / 2 + shift;
  if (glyphWidth > 0) DrawGlyph(dc, left, middle - Glyph.Height() / 2, disabled);
  os::RECT caption{left + glyphWidth + gap, item.rcItem.top + shift, item.rcItem.right,
                   item.rcItem.bottom + shift};
  os::SetBkMode(dc, os::TRANSPARENT);
  os::SetTextColor(dc, os::GetSysColor(disabled ? os::COLOR_GRAYTEXT : os::COLOR_BTNTEXT));
  os::DrawTextA(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &caption,
                os::DT_LEFT | os::DT_VCENTER | os::DT_SINGLELINE | os::DT_NOPREFIX);
  os::SelectObject(dc, previous);
  if (focused) {
    const os::RECT ring{face.left + 3, face.top + 3, face.right - 3, face.bottom - 3};
    os::DrawFocusRect(dc, &ring);
  }
}

// One image of the glyph over the button face, pixel for pixel, as a 32-bit bitmap.
void TBitBtn::DrawGlyph(os::HDC dc, int x, int y, bool disabled) const {
  const int width = Glyph.Width() / NumGlyphs, height = Glyph.Height();
  const int image = disabled && NumGlyphs > 1 ? 1 : 0;
  const TBitmap::Rgb transparent = Glyph.Pixel(0, height - 1);
  const os::DWORD face = os::GetSysColor(os::COLOR_BTNFACE);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height * 4);
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) {
      const TBitmap::Rgb pixel = Glyph.Pixel(image * width + column, row);
      std::uint8_t* out = &bits[(static_cast<std::size_t>(height - 1 - row) * width + column) * 4];
      if (pixel == transparent) {
        out[0] = face >> 16 & 0xFF;
        out[1] = face >> 8 & 0xFF;
        out[2] = face & 0xFF;
      } else {
        out[0] = pixel.b;
        out[1] = pixel.g;
        out[2] = pixel.r;
      }
    }
  os::BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  os::SetDIBitsToDevice(dc, x, y, static_cast<os::DWORD>(width), static_cast<os::DWORD>(height), 0,
                        0, 0, static_cast<os::UINT>(height), bits.data(), &info,
                        os::DIB_RGB_COLORS);
}

bool TBitBtn::SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) {
  if (name == "Kind") {
    if (value.Ident() != "bkOK") throw EReadError("Invalid property value");
    SetKindOK();
  } else if (name == "Glyph.Resource") {
    Glyph.LoadFromResourceName(value.Str());
  } else if (name == "NumGlyphs") {
    NumGlyphs = value.Int();
    if (NumGlyphs < 1) throw EReadError("Invalid property value");
  } else {
    return TButton::SetProperty(name, value, reader);
  }
  return true;
}

} // namespace classlib

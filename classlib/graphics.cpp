#include "graphics.h"

#include "formreader.h"
#include "resources.h"
#include "sysutils.h"

#include <cstring>

namespace classlib {

namespace {

int CharsetByName(const std::string& name) {
  if (name == "ANSI_CHARSET") return 0;
  if (name == "DEFAULT_CHARSET") return 1;
  if (name == "SHIFTJIS_CHARSET") return 128;
  throw EReadError("Invalid property value");
}

std::uint32_t ColorByName(const std::string& name) {
  if (name == "clBlack") return 0x000000;
  if (name == "clWindowText") return 0x80000008; // the system's window text colour
  if (name == "clBtnFace") return 0x8000000F;
  throw EReadError("Invalid property value");
}

std::uint32_t Le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

} // namespace

TFont::~TFont() {
  Changed();
}

void TFont::Changed() {
  if (FHandle != os::HFONT{}) os::DeleteObject(FHandle);
  FHandle = {};
}

os::HFONT TFont::Handle() const {
  if (FHandle == os::HFONT{})
    FHandle =
        os::CreateFontA(Height, 0, 0, 0, Bold ? os::FW_BOLD : os::FW_NORMAL, Italic, Underline,
                        StrikeOut, static_cast<os::DWORD>(Charset), 0, 0, 0, 0, Name.c_str());
  return FHandle;
}

os::DWORD TFont::ColorRef() const {
  return (Color & 0x80000000u) ? os::GetSysColor(static_cast<int>(Color & 0xFF)) : Color;
}

bool TFont::SetProperty(std::string_view name, const PropertyValue& value) {
  Changed();
  if (name == "Charset")
    Charset = CharsetByName(value.Ident());
  else if (name == "Color")
    Color = value.kind == PropertyValue::Kind::Integer ? static_cast<std::uint32_t>(value.Int())
                                                       : ColorByName(value.Ident());
  else if (name == "Height")
    Height = value.Int();
  else if (name == "Name")
    Name = value.Str();
  else if (name == "Style") {
    Bold = Italic = Underline = StrikeOut = false;
    for (const std::string& style : value.Set()) {
      if (style == "fsBold")
        Bold = true;
      else if (style == "fsItalic")
        Italic = true;
      else if (style == "fsUnderline")
        Underline = true;
      else if (style == "fsStrikeOut")
        StrikeOut = true;
      else
        throw EReadError("Invalid property value");
    }
  } else
    return false;
  return true;
}

TIcon::~TIcon() {
  Release();
}

void TIcon::Release() {
  if (!Empty()) os::DestroyIcon(FHandle);
  FHandle = {};
  FResourceName.clear();
}

void TIcon::Changed() {
  if (OnChange) OnChange(this);
}

int TIcon::Size() const {
  return os::GetSystemMetrics(FSmall ? os::SM_CXSMICON : os::SM_CXICON);
}

void TIcon::LoadFromResourceName(const std::string& name) {
  const int size = Size();
  const os::HANDLE handle =
      os::LoadImageA(os::GetModuleHandleA(nullptr), name.c_str(), os::IMAGE_ICON, size, size, 0);
  if (handle == os::NoHandle) throw EResNotFound("Resource " + name + " not found");
  Release();
  FHandle = static_cast<os::HICON>(handle);
  FResourceName = name;
  Changed();
}

void TIcon::Assign(const TIcon* source) {
  if (source == this) return;
  if (source && !source->Empty()) {
    LoadFromResourceName(source->FResourceName);
  } else {
    Release();
    Changed();
  }
}

void TBitmap::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  auto invalid = [] { return EReadError("Bitmap image is not valid"); };
  if (size < 54 || data[0] != 'B' || data[1] != 'M') throw invalid();
  const std::uint32_t bitsOffset = Le(data + 10, 4);
  const std::uint32_t headerSize = Le(data + 14, 4);
  const auto width = static_cast<std::int32_t>(Le(data + 18, 4));
  const auto height = static_cast<std::int32_t>(Le(data + 22, 4));
  const int bitCount = static_cast<int>(Le(data + 28, 2));
  const std::uint32_t compression = Le(data + 30, 4);
  std::uint32_t colours = Le(data + 46, 4);
  if (headerSize != 40 || width <= 0 || height <= 0 || width > 4096 || height > 4096 ||
      compression != 0 || (bitCount != 1 && bitCount != 4 && bitCount != 8))
    throw invalid();
  if (colours == 0) colours = 1u << bitCount;
  if (colours > (1u << bitCount)) throw invalid();
  const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  const std::size_t paletteEnd = 14 + headerSize + colours * 4;
  if (paletteEnd > bitsOffset || bitsOffset + stride * height > size) throw invalid();

  FWidth = width;
  FHeight = height;
  FBitCount = bitCount;
  FStride = stride;
  FPalette.clear();
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::uint8_t* q = data + 14 + headerSize + i * 4;
    FPalette.push_back({q[2], q[1], q[0]});
  }
  FInfo.assign(data + 14, data + paletteEnd);
  FBits.assign(data + bitsOffset, data + bitsOffset + stride * height);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (static_cast<std::size_t>(PaletteIndex(x, y)) >= FPalette.size()) throw invalid();
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  const std::string_view bytes = ResourceBytes(name);
  LoadFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

int TBitmap::PaletteIndex(int X, int Y) const {
  const std::uint8_t* row = FBits.data() + (FHeight - 1 - Y) * FStride;
  const int bit = X * FBitCount;
  const int shift = 8 - FBitCount - bit % 8;
  return row[bit / 8] >> shift & ((1 << FBitCount) - 1);
}

} // namespace classlib

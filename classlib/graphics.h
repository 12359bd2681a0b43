// Fonts, icons and bitmaps.
#pragma once

#include "classes.h"
#include "os.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace classlib {

class FormReader;
struct PropertyValue;

class TFont {
public:
  TFont() = default;
  ~TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  int Charset = 1;                  // DEFAULT_CHARSET
  std::uint32_t Color = 0x80000008; // the system's window text colour
  int Height = -11;
  std::string Name = "MS Sans Serif";
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;

  bool SetProperty(std::string_view name, const PropertyValue& value);
  // The system font for these settings, made when first asked for.
  os::HFONT Handle() const;
  // The colour as the system's colour value (system colours resolved).
  os::DWORD ColorRef() const;

private:
  void Changed();
  mutable os::HFONT FHandle{};
};

// An icon of the program file, loaded at one size.
class TIcon : public TObject {
public:
  // `small` picks the system's small icon size instead of the normal one.
  explicit TIcon(bool small = false) : FSmall(small) {}
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  bool Empty() const { return FHandle == os::HICON{}; }
  os::HICON Handle() const { return FHandle; }
  int Size() const;
  const std::string& ResourceName() const { return FResourceName; }

  void LoadFromResourceName(const std::string& name);
  // Takes over the image of `source`; an empty or missing source empties this icon.
  void Assign(const TIcon* source);

  TNotifyEvent OnChange;

private:
  void Release();
  void Changed();

  bool FSmall;
  std::string FResourceName;
  os::HICON FHandle{};
};

// A device-independent bitmap of 1, 4 or 8 bits per pixel with its palette, decoded
// from BMP file bytes. What the program paints is what this decodes.
class TBitmap {
public:
  struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
  };

  void LoadFromBytes(const std::uint8_t* data, std::size_t size);
  void LoadFromResourceName(const std::string& name);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0; }
  // Pixel at X, Y counted from the top-left corner.
  int PaletteIndex(int X, int Y) const;
  Rgb Pixel(int X, int Y) const { return FPalette[PaletteIndex(X, Y)]; }

  // The BITMAPINFO (header and palette) and the rows, bottom row first, as the
  // system's device-independent bitmap calls take them.
  const std::vector<std::uint8_t>& Info() const { return FInfo; }
  const std::vector<std::uint8_t>& Bits() const { return FBits; }

  bool operator==(const TBitmap&) const = default;

private:
  int FWidth = 0, FHeight = 0, FBitCount = 0;
  std::size_t FStride = 0;
  std::vector<Rgb> FPalette;
  std::vector<std::uint8_t> FInfo, FBits;
};

} // namespace classlib

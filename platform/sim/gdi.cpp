// Drawing on the simulated machine: it has no display, so drawing goes nowhere. Fonts
// are handles without a face.
#include "state.h"

namespace os {

using sim::Current;
using Held = std::unique_lock<std::mutex>;

DWORD GetSysColor(int index) {
  return index == COLOR_BTNFACE ? 0xC0C0C0 : 0;
}
HBRUSH GetSysColorBrush(int index) {
  return HBRUSH{static_cast<std::uint32_t>(index) + 1};
}

HFONT CreateFontA(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  const char*) {
  auto& s = Current();
  Held held(s.lock);
  return HFONT{s.NewHandle()};
}

BOOL DeleteObject(HFONT) {
  return TRUE;
}
HFONT SelectObject(HDC, HFONT) {
  return HFONT{};
}
int SetBkMode(HDC, int) {
  return 0;
}
DWORD SetTextColor(HDC, DWORD) {
  return 0;
}
int DrawTextA(HDC, const char*, int, RECT*, UINT) {
  return 0;
}
BOOL DrawFrameControl(HDC, RECT*, UINT, UINT) {
  return TRUE;
}
BOOL DrawFocusRect(HDC, const RECT*) {
  return TRUE;
}
int FrameRect(HDC, const RECT*, HBRUSH) {
  return 1;
}
BOOL DrawIconEx(HDC, int, int, HICON, int, int, UINT, UINT) {
  return TRUE;
}

} // namespace os

// The system services, forwarded to Windows. Our handles are the 32-bit Windows
// handles themselves, and our records have the Windows layout.
#include "os.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>

static_assert(sizeof(void*) == 4, "the program is a 32-bit Windows program");
static_assert(sizeof(os::MSG) == sizeof(::MSG));
static_assert(sizeof(os::PAINTSTRUCT) == sizeof(::PAINTSTRUCT));
static_assert(sizeof(os::SECURITY_ATTRIBUTES) == sizeof(::SECURITY_ATTRIBUTES));
static_assert(sizeof(os::OSVERSIONINFOA) == sizeof(::OSVERSIONINFOA));
static_assert(sizeof(os::TOKEN_PRIVILEGES) == sizeof(::TOKEN_PRIVILEGES));
static_assert(sizeof(os::DRAWITEMSTRUCT) == sizeof(::DRAWITEMSTRUCT));

namespace {

template <class W, class E> W Win(E handle) {
  return reinterpret_cast<W>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(handle)));
}
template <class E, class W> E Ours(W handle) {
  return static_cast<E>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)));
}

// Windows calls this for every window of a class registered here and it calls the
// class's procedure. No C++ exception may cross back into Windows.
struct ClassProcedure {
  ATOM atom;
  os::WNDPROC procedure;
};
ClassProcedure classProcedures[16];
int classCount = 0;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
  for (int i = 0; i < classCount; ++i)
    if (classProcedures[i].atom == atom) {
      try {
        return classProcedures[i].procedure(Ours<os::HWND>(window), message, wParam, lParam);
      } catch (...) {
        std::abort();
      }
    }
  return DefWindowProcA(window, message, wParam, lParam);
}

struct ThreadStart {
  os::THREAD_START_ROUTINE start;
  void* parameter;
};

DWORD WINAPI ThreadProcedure(void* parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  try {
    return start.start(start.parameter);
  } catch (...) {
    std::abort();
  }
}

} // namespace

namespace os {

// ---- kernel ----

HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, const char* name) {
  return Ours<HANDLE>(::OpenMutexA(desiredAccess, inheritHandle, name));
}
HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, const char* name) {
  return Ours<HANDLE>(::CreateMutexA(
      reinterpret_cast<LPSECURITY_ATTRIBUTES>(const_cast<SECURITY_ATTRIBUTES*>(attributes)),
      initialOwner, name));
}
BOOL ReleaseMutex(HANDLE mutex) {
  return ::ReleaseMutex(Win<::HANDLE>(mutex));
}
BOOL CloseHandle(HANDLE object) {
  return ::CloseHandle(Win<::HANDLE>(object));
}
BOOL GetVersionExA(OSVERSIONINFOA* info) {
  return ::GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(info));
}
HANDLE GetCurrentProcess() {
  return Ours<HANDLE>(::GetCurrentProcess());
}
DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) {
  return ::GetModuleFileNameA(Win<::HMODULE>(module), buffer, size);
}
const char* GetCommandLineA() {
  return ::GetCommandLineA();
}
UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName);
}
void Sleep(DWORD milliseconds) {
  ::Sleep(milliseconds);
}
HANDLE CreateThread(THREAD_START_ROUTINE start, void* parameter, DWORD* threadId) {
  ::DWORD id;
  ::HANDLE thread =
      ::CreateThread(nullptr, 0, &ThreadProcedure, new ThreadStart{start, parameter}, 0, &id);
  if (threadId) *threadId = id;
  return Ours<HANDLE>(thread);
}
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return ::WaitForSingleObject(Win<::HANDLE>(object), milliseconds);
}
HINSTANCE GetModuleHandleA(const char* moduleName) {
  return Ours<HINSTANCE>(::GetModuleHandleA(moduleName));
}
HRSRC FindResourceA(HINSTANCE module, const char* name, const char* type) {
  return Ours<HRSRC>(::FindResourceA(Win<::HMODULE>(module), name, type));
}
HGLOBAL LoadResource(HINSTANCE module, HRSRC resource) {
  return Ours<HGLOBAL>(::LoadResource(Win<::HMODULE>(module), Win<::HRSRC>(resource)));
}
const void* LockResource(HGLOBAL data) {
  return ::LockResource(Win<::HGLOBAL>(data));
}
DWORD SizeofResource(HINSTANCE module, HRSRC resource) {
  return ::SizeofResource(Win<::HMODULE>(module), Win<::HRSRC>(resource));
}
HANDLE LoadImageA(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags) {
  return Ours<HANDLE>(::LoadImageA(Win<::HINSTANCE>(module), name, type, cx, cy, flags));
}
BOOL DestroyIcon(HICON icon) {
  return ::DestroyIcon(Win<::HICON>(icon));
}

// ---- security ----

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
  ::HANDLE result = nullptr;
  const BOOL ok = ::OpenProcessToken(Win<::HANDLE>(process), desiredAccess, &result);
  *token = Ours<HANDLE>(result);
  return ok;
}
BOOL LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid) {
  return ::LookupPrivilegeValueA(systemName, name, reinterpret_cast<PLUID>(luid));
}
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, const TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previousState,
                           DWORD* returnLength) {
  return ::AdjustTokenPrivileges(
      Win<::HANDLE>(token), disableAll,
      reinterpret_cast<PTOKEN_PRIVILEGES>(const_cast<TOKEN_PRIVILEGES*>(newState)), bufferLength,
      reinterpret_cast<PTOKEN_PRIVILEGES>(previousState), reinterpret_cast<PDWORD>(returnLength));
}

// ---- windows ----

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  ::WNDCLASSA c{};
  c.style = windowClass->style;
  c.lpfnWndProc = &WindowProcedure;
  c.hInstance = ::GetModuleHandleA(nullptr);
  c.hIcon = Win<::HICON>(windowClass->hIcon);
  c.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  c.hbrBackground = Win<::HBRUSH>(windowClass->hbrBackground);
  c.lpszClassName = windowClass->lpszClassName;
  const ATOM atom = ::RegisterClassA(&c);
  if (atom && classCount < 16) classProcedures[classCount++] = {atom, windowClass->lpfnWndProc};
  return atom;
}
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent) {
  return Ours<HWND>(::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                      Win<::HWND>(parent), nullptr, ::GetModuleHandleA(nullptr),
                                      nullptr));
}
BOOL DestroyWindow(HWND window) {
  return ::DestroyWindow(Win<::HWND>(window));
}
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(Win<::HWND>(window), message, wParam, lParam);
}
BOOL ShowWindow(HWND window, int command) {
  return ::ShowWindow(Win<::HWND>(window), command);
}
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(Win<::HWND>(window), Win<::HWND>(insertAfter), x, y, cx, cy, flags);
}
BOOL SetWindowTextA(HWND window, const char* text) {
  return ::SetWindowTextA(Win<::HWND>(window), text);
}
BOOL ShowOwnedPopups(HWND owner, BOOL show) {
  return ::ShowOwnedPopups(Win<::HWND>(owner), show);
}
BOOL SetForegroundWindow(HWND window) {
  return ::SetForegroundWindow(Win<::HWND>(window));
}
HWND SetFocus(HWND window) {
  return Ours<HWND>(::SetFocus(Win<::HWND>(window)));
}
HWND GetFocus() {
  return Ours<HWND>(::GetFocus());
}
short GetKeyState(int key) {
  return ::GetKeyState(key);
}
BOOL EnableWindow(HWND window, BOOL enable) {
  return ::EnableWindow(Win<::HWND>(window), enable);
}
BOOL IsWindowEnabled(HWND window) {
  return ::IsWindowEnabled(Win<::HWND>(window));
}
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  return ::AdjustWindowRectEx(reinterpret_cast<LPRECT>(rect), style, menu, exStyle);
}
UINT SetTimer(HWND window, UINT id, UINT elapse, void*) {
  return static_cast<UINT>(::SetTimer(Win<::HWND>(window), id, elapse, nullptr));
}
BOOL KillTimer(HWND window, UINT id) {
  return ::KillTimer(Win<::HWND>(window), id);
}
int GetSystemMetrics(int index) {
  return ::GetSystemMetrics(index);
}
BOOL GetCursorPos(POINT* point) {
  return ::GetCursorPos(reinterpret_cast<LPPOINT>(point));
}
UINT GetDoubleClickTime() {
  return ::GetDoubleClickTime();
}
HWND SetCapture(HWND window) {
  return Ours<HWND>(::SetCapture(Win<::HWND>(window)));
}
BOOL ReleaseCapture() {
  return ::ReleaseCapture();
}
BOOL ClientToScreen(HWND window, POINT* point) {
  return ::ClientToScreen(Win<::HWND>(window), reinterpret_cast<LPPOINT>(point));
}
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  return ::InvalidateRect(Win<::HWND>(window), reinterpret_cast<const ::RECT*>(rect), erase);
}
HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  return Ours<HDC>(::BeginPaint(Win<::HWND>(window), reinterpret_cast<LPPAINTSTRUCT>(paint)));
}
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  return ::EndPaint(Win<::HWND>(window), reinterpret_cast<const ::PAINTSTRUCT*>(paint));
}
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  return ::PeekMessageA(reinterpret_cast<LPMSG>(message), Win<::HWND>(window), filterMin, filterMax,
                        remove);
}
BOOL TranslateMessage(const MSG* message) {
  return ::TranslateMessage(reinterpret_cast<const ::MSG*>(message));
}
LRESULT DispatchMessageA(const MSG* message) {
  return ::DispatchMessageA(reinterpret_cast<const ::MSG*>(message));
}
BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
  return ::GetMessageA(reinterpret_cast<LPMSG>(message), Win<::HWND>(window), filterMin, filterMax);
}
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(Win<::HWND>(window), message, wParam, lParam);
}
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(Win<::HWND>(window), message, wParam, lParam);
}
void PostQuitMessage(int exitCode) {
  ::PostQuitMessage(exitCode);
}
UINT RegisterWindowMessageA(const char* name) {
  return ::RegisterWindowMessageA(name);
}
HMENU CreatePopupMenu() {
  return Ours<HMENU>(::CreatePopupMenu());
}
BOOL AppendMenuA(HMENU menu, UINT flags, UINT id, const char* text) {
  return ::AppendMenuA(Win<::HMENU>(menu), flags, id, text);
}
BOOL DestroyMenu(HMENU menu) {
  return ::DestroyMenu(Win<::HMENU>(menu));
}
int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                   const RECT* reserved2) {
  return ::TrackPopupMenu(Win<::HMENU>(menu), flags, x, y, reserved, Win<::HWND>(owner),
                          reinterpret_cast<const ::RECT*>(reserved2));
}
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(Win<::HWND>(owner), text, caption, type);
}
BOOL ExitWindowsEx(UINT flags, DWORD reason) {
  return ::ExitWindowsEx(flags, reason);
}

// ---- painting and shell ----

DWORD GetSysColor(int index) {
  return ::GetSysColor(index);
}
HBRUSH GetSysColorBrush(int index) {
  return Ours<HBRUSH>(::GetSysColorBrush(index));
}
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charset, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName) {
  return Ours<HFONT>(::CreateFontA(height, width, escapement, orientation, weight, italic,
                                   underline, strikeOut, charset, outPrecision, clipPrecision,
                                   quality, pitchAndFamily, faceName));
}
BOOL DeleteObject(HFONT font) {
  return ::DeleteObject(Win<::HFONT>(font));
}
HFONT SelectObject(HDC dc, HFONT font) {
  return Ours<HFONT>(::SelectObject(Win<::HDC>(dc), Win<::HFONT>(font)));
}
int SetBkMode(HDC dc, int mode) {
  return ::SetBkMode(Win<::HDC>(dc), mode);
}
DWORD SetTextColor(HDC dc, DWORD color) {
  return ::SetTextColor(Win<::HDC>(dc), color);
}
int DrawTextA(HDC dc, const char* text, int length, RECT* rect, UINT format) {
  return ::DrawTextA(Win<::HDC>(dc), text, length, reinterpret_cast<LPRECT>(rect), format);
}
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  return ::DrawFrameControl(Win<::HDC>(dc), reinterpret_cast<LPRECT>(rect), type, state);
}
BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  return ::DrawFocusRect(Win<::HDC>(dc), reinterpret_cast<const ::RECT*>(rect));
}
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  return ::FrameRect(Win<::HDC>(dc), reinterpret_cast<const ::RECT*>(rect), Win<::HBRUSH>(brush));
}
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, UINT flags) {
  return ::DrawIconEx(Win<::HDC>(dc), x, y, Win<::HICON>(icon), width, height, step, nullptr,
                      flags);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const void* info, UINT usage) {
  return ::SetDIBitsToDevice(Win<::HDC>(dc), xDest, yDest, width, height, xSrc, ySrc, startScan,
                             lines, bits, static_cast<const BITMAPINFO*>(info), usage);
}
BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
  return ::Shell_NotifyIconA(message, reinterpret_cast<PNOTIFYICONDATAA>(data));
}

// ---- run-time library ----

void exit(int status) {
  std::exit(status);
}
int atexit(void (*procedure)()) {
  return std::atexit(procedure);
}

} // namespace os

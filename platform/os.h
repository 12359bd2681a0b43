// The system services the program and the class library call, by their Win32 names.
// These are our own declarations: platform/win32 forwards them to Windows, platform/sim
// implements them on the simulated machine. Handles are 32-bit values on every build, so
// the records below have their 32-bit Windows layout everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using PTR32 = std::uint32_t; // a pointer member that this program always leaves null

enum class HANDLE : std::uint32_t {};
enum class HWND : std::uint32_t {};
enum class HMENU : std::uint32_t {};
enum class HICON : std::uint32_t {};
enum class HDC : std::uint32_t {};
enum class HGDIOBJ : std::uint32_t {};
enum class HINSTANCE : std::uint32_t {};
enum class HBRUSH : std::uint32_t {};
enum class HRSRC : std::uint32_t {};
enum class HGLOBAL : std::uint32_t {};

constexpr HANDLE NoHandle{};
constexpr HWND NoWindow{};
constexpr HWND HWND_TOPMOST{0xFFFFFFFFu};
constexpr HWND HWND_NOTOPMOST{0xFFFFFFFEu};

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// ---- kernel -------------------------------------------------------------------------------

constexpr DWORD MUTEX_ALL_ACCESS = 0x1F0001;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD MAX_PATH = 260;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  PTR32 lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, const char* name);
HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);
BOOL CloseHandle(HANDLE object);
BOOL GetVersionExA(OSVERSIONINFOA* info);
HANDLE GetCurrentProcess();
DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size);
const char* GetCommandLineA();
UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName);
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);
void Sleep(DWORD milliseconds);

using THREAD_START_ROUTINE = DWORD (*)(void* parameter);
HANDLE CreateThread(THREAD_START_ROUTINE start, void* parameter, DWORD* threadId);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

HINSTANCE GetModuleHandleA(const char* moduleName);

// Resources of the program file: RCDATA entries and icons by name.
inline const char* const RT_RCDATA = reinterpret_cast<const char*>(10);
HRSRC FindResourceA(HINSTANCE module, const char* name, const char* type);
HGLOBAL LoadResource(HINSTANCE module, HRSRC resource);
const void* LockResource(HGLOBAL data);
DWORD SizeofResource(HINSTANCE module, HRSRC resource);

constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
HANDLE LoadImageA(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags);
BOOL DestroyIcon(HICON icon);

// ---- security -----------------------------------------------------------------------------

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
};

constexpr DWORD STANDARD_RIGHTS_REQUIRED = 0xF0000;
constexpr DWORD TOKEN_ASSIGN_PRIMARY = 0x01;
constexpr DWORD TOKEN_ADJUST_DEFAULT = 0x80;
constexpr DWORD SE_PRIVILEGE_ENABLED = 2;

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);
BOOL LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, const TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previousState,
                           DWORD* returnLength);

// ---- windows ------------------------------------------------------------------------------

struct POINT {
  LONG x;
  LONG y;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The members of the Win32 record that this program sets.
struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  HICON hIcon;
  HBRUSH hbrBackground;
  const char* lpszClassName;
};

constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  PTR32 itemData;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

constexpr int COLOR_BTNFACE = 15;

constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_OWNERDRAW = 0x000B;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD BS_NOTIFY = 0x4000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BN_CLICKED = 0;
constexpr UINT BN_SETFOCUS = 6;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_USER = 0x0400;

constexpr WPARAM MK_LBUTTON = 0x01;
constexpr WPARAM MK_RBUTTON = 0x02;
constexpr WPARAM MK_SHIFT = 0x04;
constexpr WPARAM MK_CONTROL = 0x08;
constexpr WPARAM MK_MBUTTON = 0x10;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONSTOP = 0x00000010;
constexpr int IDOK = 1;

constexpr UINT EWX_LOGOFF = 0;
constexpr UINT EWX_SHUTDOWN = 1;
constexpr UINT EWX_REBOOT = 2;

ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ShowWindow(HWND window, int command);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL SetWindowTextA(HWND window, const char* text);
BOOL ShowOwnedPopups(HWND owner, BOOL show);
BOOL SetForegroundWindow(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();
short GetKeyState(int key);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
UINT SetTimer(HWND window, UINT id, UINT elapse, void* reserved);
BOOL KillTimer(HWND window, UINT id);
int GetSystemMetrics(int index);
BOOL GetCursorPos(POINT* point);
UINT GetDoubleClickTime();

HWND SetCapture(HWND window);
BOOL ReleaseCapture();
BOOL ClientToScreen(HWND window, POINT* point);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
// Waits for the next message; FALSE for WM_QUIT.
BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// The same number for the same name (letter case aside) in every program of the session.
UINT RegisterWindowMessageA(const char* name);

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreatePopupMenu();
BOOL AppendMenuA(HMENU menu, UINT flags, UINT id, const char* text);
BOOL DestroyMenu(HMENU menu);
// With TPM_RETURNCMD: the chosen item's id, or 0 when the menu was dismissed.
int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                   const RECT* reserved2);

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
BOOL ExitWindowsEx(UINT flags, DWORD reason);

// ---- painting ----------------------------------------------------------------------------

enum class HFONT : std::uint32_t {};

constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int TRANSPARENT = 1;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DI_NORMAL = 0x0003;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

DWORD GetSysColor(int index);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charset, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName);
BOOL DeleteObject(HFONT font);
HFONT SelectObject(HDC dc, HFONT font);
int SetBkMode(HDC dc, int mode);
DWORD SetTextColor(HDC dc, DWORD color);
int DrawTextA(HDC dc, const char* text, int length, RECT* rect, UINT format);
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
constexpr int COLOR_WINDOWFRAME = 6;
HBRUSH GetSysColorBrush(int index);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, UINT flags);

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

constexpr UINT DIB_RGB_COLORS = 0;
// `info` is a BITMAPINFOHEADER followed by its palette.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const void* info, UINT usage);

// ---- shell --------------------------------------------------------------------------------

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 1;
constexpr UINT NIF_ICON = 2;
constexpr UINT NIF_TIP = 4;

struct NOTIFYICONDATAA {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  char szTip[64];
};
static_assert(sizeof(NOTIFYICONDATAA) == 88);

BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data);

// ---- run-time library ---------------------------------------------------------------------

// Ends the program with `status` after running the procedures registered with atexit.
[[noreturn]] void exit(int status);
int atexit(void (*procedure)());

} // namespace os

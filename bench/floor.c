/*
 * floor.exe: the least a Win32 program can do to show the corner button.
 *
 * One 16 x 14 frameless popup at the top-right corner of the screen, a 500 ms
 * timer that puts it back at the right edge, a blocking message loop, and a
 * left click that requests the session end with ExitWindowsEx(1, 0).  The
 * benchmark compares ruvok95.exe against it; it must stay this small.
 */
#include <windows.h>

enum { WIDTH = 16, HEIGHT = 14, PLACE_TIMER = 1 };

/* Moves only when the screen width has changed, as a timer tick usually finds it in place. */
static void place(HWND window) {
  RECT r;
  const int left = GetSystemMetrics(SM_CXSCREEN) - WIDTH;
  if (GetWindowRect(window, &r) && r.left != left)
    SetWindowPos(window, NULL, left, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_TIMER:
    place(window);
    return 0;
  case WM_LBUTTONUP:
    ExitWindowsEx(1, 0);
    PostQuitMessage(0);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)commandLine;
  (void)show;
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  /* The class brush paints it: the light grey of a button face. */
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = "FloorButton";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP,
                                GetSystemMetrics(SM_CXSCREEN) - WIDTH, 0, WIDTH, HEIGHT, NULL,
                                NULL, instance, NULL);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  SetTimer(window, PLACE_TIMER, 500, NULL);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
  return (int)msg.wParam;
}

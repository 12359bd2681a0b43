#include "exitsession.h"

#include "forms.h"

using classlib::Application;

void ExitSession(SessionAction action) {
  switch (GetPlatformKind()) {
  case 2:
    // The NT family needs the privilege anew for every request.
    if (EnableShutdownPrivilege() == 1)
      os::ExitWindowsEx(static_cast<os::UINT>(action), 0);
    else
      Application->MessageBox("Don't gave the SE_SHUTDOWN_NAME privilege",
                              "Ruvok for Win95 Message!", 0);
    os::exit(0);
  case 1:
    os::ExitWindowsEx(static_cast<os::UINT>(action), 0);
    os::exit(0);
  default:
    return;
  }
}

int GetPlatformKind() {
  os::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!os::GetVersionExA(&version)) return 0;
  switch (version.dwPlatformId) {
  case os::VER_PLATFORM_WIN32_WINDOWS:
    return 1;
  case os::VER_PLATFORM_WIN32_NT:
    return 2;
  default:
    return 0;
  }
}

int EnableShutdownPrivilege() {
  // The standard rights and the eight token rights from assign-primary to adjust-default.
  constexpr os::DWORD access = os::STANDARD_RIGHTS_REQUIRED | 0xFF;
  static_assert(os::TOKEN_ASSIGN_PRIMARY == 0x01 && os::TOKEN_ADJUST_DEFAULT == 0x80);
  os::HANDLE token;
  if (!os::OpenProcessToken(os::GetCurrentProcess(), access, &token)) return 0;
  os::TOKEN_PRIVILEGES privileges{1, {{{0, 0}, os::SE_PRIVILEGE_ENABLED}}};
  if (!os::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return 0;
  os::AdjustTokenPrivileges(token, os::FALSE, &privileges, 0, nullptr, nullptr);
  return 1;
}

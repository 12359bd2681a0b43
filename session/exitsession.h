// The one way a Shut Down, Restart or Log Off leaves the program.
#pragma once

#include "os.h"

// The flag word handed to ExitWindowsEx; nothing (force, power-off) is ever added.
enum class SessionAction : os::UINT {
  LogOff = os::EWX_LOGOFF,
  ShutDown = os::EWX_SHUTDOWN,
  Restart = os::EWX_REBOOT,
};

// Asks Windows to end the session and ends the program (status 0) on the 9x and NT
// families; on any other platform it returns and nothing is requested.
void ExitSession(SessionAction action);

// 0 other (or the version query failed), 1 the Windows 95/98 family, 2 the NT family.
int GetPlatformKind();

// 1 when the token could be opened and the privilege looked up; else 0.
int EnableShutdownPrivilege();

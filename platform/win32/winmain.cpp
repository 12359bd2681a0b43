// The Windows GUI entry point; none of its arguments is read.
#include "program.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return classlib::RunProgram(&ProgramMain);
}

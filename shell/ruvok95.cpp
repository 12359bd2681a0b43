// The program entry: one copy at a time, the two windows, the message loop.
#include "form1.h"
#include "form2.h"
#include "program.h"

using namespace classlib;

// Held by the first copy from its start until the message loop returns.
os::HANDLE InstanceMutex;

int ProgramMain() {
  InstanceMutex = os::OpenMutexA(os::MUTEX_ALL_ACCESS, os::FALSE, "HogeHoge");
  if (InstanceMutex != os::NoHandle) {
    os::CloseHandle(InstanceMutex);
    return 1;
  }
  const os::SECURITY_ATTRIBUTES attributes{sizeof attributes, 0, os::TRUE};
  InstanceMutex = os::CreateMutexA(&attributes, os::TRUE, "HogeHoge");
  try {
    Application->Initialize();
    Application->SetTitle("RUVOK for Win32");
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->Run();
    os::ReleaseMutex(InstanceMutex);
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}

#include "thread.h"

#include "forms.h"

namespace classlib {

TThread::~TThread() {
  if (FHandle == os::HANDLE{}) return;
  os::WaitForSingleObject(FHandle, os::INFINITE);
  os::CloseHandle(FHandle);
}

void TThread::Start() {
  // The window is looked up now: the thread must not touch the application object,
  // which may be gone by the time it ends.
  FSyncWindow = Application->Handle();
  const os::HANDLE handle = os::CreateThread(&ThreadProc, this, nullptr);
  if (FreeOnTerminate)
    os::CloseHandle(handle); // nobody waits for it
  else
    FHandle = handle;
}

// Sent, so the thread waits; a window that is gone by then runs nothing.
void TThread::Synchronize(const std::function<void()>& procedure) {
  os::SendMessageA(FSyncWindow, TApplication::WM_EXECPROC, 0,
                   reinterpret_cast<os::LPARAM>(&procedure));
}

os::DWORD TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  try {
    thread->Execute();
  } catch (...) {
    // A failing body ends the thread like a finished one.
  }
  if (thread->OnTerminate) thread->Synchronize([thread] { thread->OnTerminate(thread); });
  if (thread->FreeOnTerminate) delete thread;
  return 0;
}

} // namespace classlib

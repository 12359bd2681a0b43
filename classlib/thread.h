// A thread of its own, whose end is reported on the GUI thread.
#pragma once

#include "classes.h"
#include "os.h"

#include <functional>

namespace classlib {

class TThread : public TObject {
public:
  TThread() = default;
  // A thread that does not free itself is waited for.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // The thread frees itself once OnTerminate has run.
  bool FreeOnTerminate = false;
  // Runs on the GUI thread when Execute has returned; the thread waits for it.
  TNotifyEvent OnTerminate;

protected:
  // Starts Execute on the new thread; the most derived constructor calls it last.
  void Start();
  virtual void Execute() = 0;
  // Runs `procedure` on the GUI thread and waits until it has returned.
  void Synchronize(const std::function<void()>& procedure);

private:
  static os::DWORD ThreadProc(void* self);
  os::HANDLE FHandle{}; // kept only for a thread that does not free itself
  os::HWND FSyncWindow{};
};

} // namespace classlib

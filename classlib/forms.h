// Forms, the application object and the screen object.
#pragma once

#include "controls.h"
#include "graphics.h"
#include "sysutils.h"

#include <functional>
#include <string>
#include <vector>

namespace classlib {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TWindowHook = std::function<void(os::UINT message, os::WPARAM wParam, os::LPARAM lParam)>;

class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Reads the form's description (the resource named after its class) and runs
  // OnCreate; failures of OnCreate are shown and skip the rest of the handler only.
  void Create();

  TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
  bool BorderIconsSystemMenu = true;
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  TIcon Icon;
  bool Scaled = true;
  int PixelsPerInch = 96;
  int TextHeight = 13;
  TWinControl* ActiveControl = nullptr;

  void SetClientWidth(int value);
  void SetClientHeight(int value);

  void SetVisible(bool value) override;
  // Visible and in front of the other windows.
  void Show();
  void Hide() { SetVisible(false); }
  // Runs OnClose and acts on its answer (the main form ends the application).
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
  os::LRESULT WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;

  // Tab moves the focus in tab order; Enter presses the focused push button, or
  // else the default one. True when the key was used.
  bool DialogKey(int key);
  // Sent to a form for a key pressed in it, before the key reaches the focused window.
  static constexpr os::UINT CM_DIALOGKEY = os::WM_USER + 0x7F01;

protected:
  void MakeCreateParams(CreateParams& params) override;

private:
  os::DWORD WindowStyle() const;
  os::DWORD WindowExStyle() const;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
};

class TForm : public TCustomForm {
public:
  using TCustomForm::TCustomForm;
};

class TApplication : public TComponent, public TWindowTarget {
public:
  static constexpr const char* StaticClassName = "TApplication";
  const char* ClassName() const override { return StaticClassName; }
  TApplication();
  ~TApplication() override;

  // Creates the application window: visible, of size 0 x 0, carrying the taskbar button.
  void Initialize();
  os::HWND Handle() const { return FHandle; }

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value);

  TCustomForm* MainForm() const { return FMainForm; }
  bool ShowMainForm = true;
  TIdleEvent OnIdle;

  // Creates a form owned by the application: `reference` is set before the form's
  // own creation runs, and set back to null when constructing it fails.
  template <class T> void CreateForm(T*& reference) {
    reference = new T(this);
    try {
      reference->Create();
    } catch (...) {
      delete reference;
      reference = nullptr;
      throw;
    }
    if (!FMainForm) FMainForm = reference;
  }

  // Shows the main form and processes messages until the application terminates.
  void Run();
  // One message, or the idle step when the queue is empty.
  void HandleMessage();
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  int MessageBox(const std::string& text, const std::string& caption, os::UINT flags);
  // The standard display of a failure: the message with "." appended, stop icon, OK.
  void ShowException(const Exception& e);
  void HandleException(const Exception& e) { ShowException(e); }

  // Sent by other threads to the application window: lParam points to a
  // std::function<void()> to run on the GUI thread.
  static constexpr os::UINT WM_EXECPROC = os::WM_USER + 0x7F00;

  os::LRESULT WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;

  // At program end: marks the application and its forms as being destroyed, then
  // destroys the forms, last created first.
  void DestroyForms();

  // Messages for every top-level window reach the application window, which is always
  // there; a hook hears each of them before the application handles it. A hook must not
  // hook or unhook while it runs.
  void HookMainWindow(const TWindowHook* hook) { FWindowHooks.push_back(hook); }
  void UnhookMainWindow(const TWindowHook* hook) { std::erase(FWindowHooks, hook); }

  // Timers post to the application window; each has an identifier of its own.
  os::UINT AddTimer(std::function<void()> onTimer);
  void RemoveTimer(os::UINT id);

private:
  bool ProcessMessage();
  void Dispatch(const os::MSG& msg);
  bool IsDialogKey(const os::MSG& msg);
  TCustomForm* FormOf(os::HWND window);

  std::string FTitle;
  TCustomForm* FMainForm = nullptr;
  bool FTerminated = false;
  struct Timer {
    os::UINT id;
    std::function<void()> onTimer;
  };
  std::vector<Timer> FTimers;
  std::vector<const TWindowHook*> FWindowHooks;
  os::UINT FNextTimerId = 1;
};

class TScreen {
public:
  int Width() const { return os::GetSystemMetrics(os::SM_CXSCREEN); }
  int Height() const { return os::GetSystemMetrics(os::SM_CYSCREEN); }
};

extern TApplication* Application;
extern TScreen* Screen;

} // namespace classlib

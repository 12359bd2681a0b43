// Visual controls: the control base, windowed controls with their window procedure,
// and graphic controls painted by their parent window.
#pragma once

#include "classes.h"
#include "graphics.h"
#include "os.h"

#include <functional>
#include <string>
#include <vector>

namespace classlib {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of shift flags.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                      ssDouble = 64;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

class TWinControl;
class TPopupMenu;

// Anything with a window procedure: the application window and windowed controls.
class TWindowTarget {
public:
  virtual ~TWindowTarget() = default;
  virtual os::LRESULT WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) = 0;

protected:
  // Set by the first message of the window, which may arrive before it is created.
  os::HWND FHandle = os::NoWindow;
  friend os::LRESULT WindowProc(os::HWND, os::UINT, os::WPARAM, os::LPARAM);
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  const std::string& Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& value);

  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);

  os::POINT ClientToScreen(os::POINT point) const;
  // Repaints the control's area of its window.
  virtual void Invalidate();

  TFont Font;
  // Whether the parent's font is used instead of Font (until Font is set).
  bool ParentFont = true;
  const TFont& EffectiveFont() const;

  bool ShowHint = false;
  bool ParentShowHint = true;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnClick;

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
  void SetParentComponent(TComponent* parent) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Mouse input, in this control's coordinates; the window procedure calls these.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void MouseMove(TShiftState Shift, int X, int Y);
  virtual void Click();

  virtual void Paint(os::HDC dc);

protected:
  friend class TWinControl;
  virtual void BoundsChanged() {}

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FCaption;
  TPopupMenu* FPopupMenu = nullptr;
};

// A control without a window of its own, drawn on its parent's window.
class TGraphicControl : public TControl {
public:
  using TControl::TControl;
};

class TWinControl : public TControl, public TWindowTarget {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  os::HWND Handle();
  bool HandleAllocated() const { return FHandle != os::NoWindow; }
  void HandleNeeded() { Handle(); }

  const std::vector<TControl*>& Controls() const { return FControls; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool value) override;
  void SetCaption(const std::string& value) override;
  void Invalidate() override;

  os::LRESULT WndProc(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;

  int TabOrder = -1;
  // Whether Tab stops at this control.
  bool TabStop = false;
  bool Focused() const;
  void SetFocus();

  // The windowed control among this one's children (at any depth) with `window`.
  TWinControl* ChildWithHandle(os::HWND window);
  // A notification of this control's own system window to its parent.
  virtual void CommandNotify(os::UINT code);
  // Drawing asked for by the system for an owner-drawn control.
  virtual void DrawItem(const os::DRAWITEMSTRUCT& item);

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

protected:
  struct CreateParams {
    std::string className;
    std::string caption;
    os::DWORD style = 0;
    os::DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    os::HWND parent = os::NoWindow;
    bool systemClass = false; // a class of the system's, such as BUTTON
  };
  virtual void MakeCreateParams(CreateParams& params);
  virtual void CreateHandle();
  void DestroyHandle();
  os::LRESULT DefaultHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);

private:
  void PaintControls();
  void DispatchMouse(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
  TControl* ControlAt(int x, int y);

  std::vector<TControl*> FControls;
  TControl* FCaptureControl = nullptr;
};

// The one window procedure of every window class the library registers.
os::LRESULT WindowProc(os::HWND window, os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
// Registers `className` with the library's window procedure.
void RegisterWindowClass(const std::string& className);
// Creates a window whose messages go to `target`, including those sent while it is created.
os::HWND CreateTargetWindow(TWindowTarget* target, os::DWORD exStyle, const std::string& className,
                            const std::string& caption, os::DWORD style, int x, int y, int width,
                            int height, os::HWND parent);
void ForgetTargetWindow(os::HWND window);

} // namespace classlib

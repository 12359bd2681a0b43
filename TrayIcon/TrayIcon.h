// A component that keeps one icon in the taskbar's notification area and turns the
// shell's notifications into popup menus and mouse events.
#pragma once

#include "controls.h"
#include "graphics.h"
#include "imglist.h"
#include "menus.h"
#include "stringlist.h"

#include <string>

class TCallbackWindow;

class TTrayIcon : public classlib::TComponent {
public:
  static constexpr const char* StaticClassName = "TTrayIcon";
  const char* ClassName() const override { return StaticClassName; }
  // Raises EOutOfMemory when 100 instances exist already.
  explicit TTrayIcon(classlib::TComponent* AOwner);
  ~TTrayIcon() override;

  classlib::TImageList* AnimateIcons() const { return FAnimateIcons; }
  void SetAnimateIcons(classlib::TImageList* value);
  int AnimateRate() const { return FAnimateRate; }
  void SetAnimateRate(int value);
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  classlib::TIcon* Icon() const { return FIcon; }
  void SetIcon(const classlib::TIcon* value);
  classlib::TPopupMenu* LBPopupMenu() const { return FLBPopupMenu; }
  void SetLBPopupMenu(classlib::TPopupMenu* value);
  classlib::TPopupMenu* RBPopupMenu() const { return FRBPopupMenu; }
  void SetRBPopupMenu(classlib::TPopupMenu* value);
  const std::string& TipHelp() const { return FTipHelp; }
  void SetTipHelp(const std::string& value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);

  classlib::TNotifyEvent OnClick;
  classlib::TNotifyEvent OnDblClick;
  classlib::TMouseEvent OnMouseDown;
  classlib::TMouseMoveEvent OnMouseMove;
  classlib::TMouseEvent OnMouseUp;

  int IconID() const { return FIconID; }
  bool Registered() const { return FRegistered; }

  void Loaded() override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  bool SetProperty(std::string_view name, const classlib::PropertyValue& value,
                   classlib::FormReader& reader) override;

private:
  friend class TCallbackWindow;
  enum class Action { Add, Modify, Delete };
  void UpdateIcon(Action action);
  void FillRecord();
  bool Add();
  // After the shell lost its icons: a visible icon is added again. Quietly, as nobody
  // asked for it: a refusal leaves the icon to the next time the shell starts.
  void AddAgain();
  void IconChanged(classlib::TObject* Sender);

  classlib::TImageList* FAnimateIcons = nullptr;
  int FAnimateRate = 500;
  bool FAutoPopup = true;
  bool FEnabled = true;
  classlib::TIcon* FIcon = nullptr;
  classlib::TPopupMenu* FLBPopupMenu = nullptr;
  classlib::TPopupMenu* FRBPopupMenu = nullptr;
  std::string FTipHelp = "TipHelp";
  bool FVisible = false;

  int FIconID = 0;
  bool FRegistered = false;
  os::NOTIFYICONDATAA* FIconData = nullptr;
  bool FClickPending = false;
};

// The live instances by identifier, in creation order: text = the identifier in
// decimal, object = the instance.
extern classlib::TStringList* TrayIconList;

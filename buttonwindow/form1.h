// The corner button window, the program's main window.
#pragma once

#include "TrayIcon.h"
#include "exitsession.h"
#include "extctrls.h"
#include "forms.h"
#include "menus.h"

#include <string>

class TForm1 : public classlib::TForm {
public:
  static constexpr const char* StaticClassName = "TForm1";
  const char* ClassName() const override { return StaticClassName; }
  using TForm::TForm;

  classlib::TImage* Image1 = nullptr;
  classlib::TImage* Image2 = nullptr;
  classlib::TImage* Image3 = nullptr;
  classlib::TPopupMenu* PopupMenu1 = nullptr;
  classlib::TMenuItem* ShutDown1 = nullptr;
  classlib::TMenuItem* Restart1 = nullptr;
  classlib::TMenuItem* LogOff1 = nullptr;
  classlib::TPopupMenu* PopupMenu2 = nullptr;
  classlib::TMenuItem* Unload1 = nullptr;
  classlib::TMenuItem* Setup = nullptr;
  classlib::TTimer* Timer1 = nullptr;
  TTrayIcon* TrayIcon1 = nullptr;
  classlib::TPopupMenu* PopupMenu3 = nullptr;
  classlib::TMenuItem* ShutDown2 = nullptr;
  classlib::TMenuItem* Restart2 = nullptr;
  classlib::TMenuItem* LogOff2 = nullptr;
  classlib::TMenuItem* N1 = nullptr;
  classlib::TMenuItem* MenuItem1 = nullptr;
  classlib::TMenuItem* MenuItem2 = nullptr;

  void FormCreate(classlib::TObject* Sender);
  void FormShow(classlib::TObject* Sender);
  void Timer1Timer(classlib::TObject* Sender);
  void Image1MouseDown(classlib::TObject* Sender, classlib::TMouseButton Button,
                       classlib::TShiftState Shift, int X, int Y);
  void Image1MouseUp(classlib::TObject* Sender, classlib::TMouseButton Button,
                     classlib::TShiftState Shift, int X, int Y);
  void ShutDown1Click(classlib::TObject* Sender);
  void Restart1Click(classlib::TObject* Sender);
  void LogOff1Click(classlib::TObject* Sender);
  void Unload1Click(classlib::TObject* Sender);
  void SetupClick(classlib::TObject* Sender);
  void AppIdle(classlib::TObject* Sender, bool& Done);

  // The part of `path` up to and including its last backslash (byte 0x5C).
  std::string GetExeDirectory(const std::string& path);

  void Publish(classlib::Published& published) override;

private:
  void HideAndEndSession(SessionAction action);
};

extern TForm1* Form1;

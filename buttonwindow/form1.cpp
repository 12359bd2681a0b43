#include "form1.h"

#include "commandline.h"
#include "form2.h"
#include "formreader.h"
#include "settingsfile.h"

using namespace classlib;

TForm1* Form1 = nullptr;

void TForm1::Publish(Published& published) {
  published.Field("Image1", Image1);
  published.Field("Image2", Image2);
  published.Field("Image3", Image3);
  published.Field("PopupMenu1", PopupMenu1);
  published.Field("ShutDown1", ShutDown1);
  published.Field("Restart1", Restart1);
  published.Field("LogOff1", LogOff1);
  published.Field("PopupMenu2", PopupMenu2);
  published.Field("Unload1", Unload1);
  published.Field("Setup", Setup);
  published.Field("Timer1", Timer1);
  published.Field("TrayIcon1", TrayIcon1);
  published.Field("PopupMenu3", PopupMenu3);
  published.Field("ShutDown2", ShutDown2);
  published.Field("Restart2", Restart2);
  published.Field("LogOff2", LogOff2);
  published.Field("N1", N1);
  published.Field("MenuItem1", MenuItem1);
  published.Field("MenuItem2", MenuItem2);
  published.Method("FormCreate", &TForm1::FormCreate);
  published.Method("FormShow", &TForm1::FormShow);
  published.Method("Timer1Timer", &TForm1::Timer1Timer);
  published.Method("Image1MouseDown", &TForm1::Image1MouseDown);
  published.Method("Image1MouseUp", &TForm1::Image1MouseUp);
  published.Method("ShutDown1Click", &TForm1::ShutDown1Click);
  published.Method("Restart1Click", &TForm1::Restart1Click);
  published.Method("LogOff1Click", &TForm1::LogOff1Click);
  published.Method("Unload1Click", &TForm1::Unload1Click);
  published.Method("SetupClick", &TForm1::SetupClick);
}

std::string TForm1::GetExeDirectory(const std::string& path) {
  const auto last = path.rfind('\\');
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The window becomes as large as its picture and carries no taskbar button.
void TForm1::FormCreate(TObject*) {
  // A name that fills the buffer comes back unterminated from older systems and with the
  // terminator inside the count from newer ones: ending it here serves both.
  char path[os::MAX_PATH + 1];
  path[os::GetModuleFileNameA(os::HINSTANCE{}, path, os::MAX_PATH)] = '\0';
  IniFileName = GetExeDirectory(path) + "ruvok95.ini";
  Image1->SetBounds(0, 0, Image1->Width(), Image1->Height());
  Form1->SetWidth(Image1->Width());
  Form1->SetHeight(Image1->Height());
  os::ShowWindow(Application->Handle(), os::SW_HIDE);
  Application->OnIdle = [this](TObject* Sender, bool& Done) { AppIdle(Sender, Done); };
}

// Runs before the window appears, so it is never seen anywhere but at the corner.
void TForm1::FormShow(TObject*) {
  Form1->SetLeft(Screen->Width() - Form1->Width());
  Form1->SetTop(0);
}

// Keeps the button at the right edge when the screen width changes.
void TForm1::Timer1Timer(TObject*) {
  const int left = Screen->Width() - Form1->Width();
  if (left != Form1->Left()) Form1->SetLeft(left);
}

void TForm1::Image1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Image1->SetPicture(Image2->Picture());
}

// A left press captures the mouse, so every left release arrives here; it counts as a
// click up to one pixel past the right and bottom edges, with no lower bound.
void TForm1::Image1MouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  switch (Button) {
  case TMouseButton::mbLeft:
    Image1->SetPicture(Image3->Picture());
    if (X <= Form1->Width() && Y <= Form1->Height()) HideAndEndSession(SessionAction::ShutDown);
    break;
  case TMouseButton::mbRight: // the popup menu opens after this handler
    Image1->SetPicture(Image3->Picture());
    break;
  case TMouseButton::mbMiddle:
    break;
  }
}

void TForm1::ShutDown1Click(TObject*) {
  HideAndEndSession(SessionAction::ShutDown);
}
void TForm1::Restart1Click(TObject*) {
  HideAndEndSession(SessionAction::Restart);
}
void TForm1::LogOff1Click(TObject*) {
  HideAndEndSession(SessionAction::LogOff);
}

void TForm1::Unload1Click(TObject*) {
  os::exit(0);
}

void TForm1::SetupClick(TObject*) {
  Form1->Hide();
  Form2->Show();
}

// Started with a switch, the program ends the session at its first idle moment, and
// tries again at every later one where that cannot be done. Without a switch there is
// nothing to do at any idle moment: the handler goes, and with it the queue checks.
void TForm1::AppIdle(TObject*, bool&) {
  if (const auto action = CommandLineAction())
    HideAndEndSession(*action);
  else
    Application->OnIdle = nullptr;
}

void TForm1::HideAndEndSession(SessionAction action) {
  Form1->Hide();
  ExitSession(action);
}

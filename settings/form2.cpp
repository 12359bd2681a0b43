#include "form2.h"

#include "exitsession.h"
#include "form1.h"
#include "formreader.h"
#include "settingsfile.h"

using namespace classlib;

TForm2* Form2 = nullptr;

void TForm2::Publish(Published& published) {
  published.Field("Image1", Image1);
  published.Field("Label1", Label1);
  published.Field("Label2", Label2);
  published.Field("Label3", Label3);
  published.Field("Label4", Label4);
  published.Field("BitBtn1", BitBtn1);
  published.Field("Button_ShutDown", Button_ShutDown);
  published.Field("Button_Restart", Button_Restart);
  published.Field("Button_LogOff", Button_LogOff);
  published.Field("BitBtn2", BitBtn2);
  published.Field("CheckBox2", CheckBox2);
  published.Field("CheckBox1", CheckBox1);
  published.Method("FormCreate", &TForm2::FormCreate);
  published.Method("FormShow", &TForm2::FormShow);
  published.Method("FormClose", &TForm2::FormClose);
  published.Method("BitBtn1Click", &TForm2::BitBtn1Click);
  published.Method("Button_ShutDownClick", &TForm2::Button_ShutDownClick);
  published.Method("Button_RestartClick", &TForm2::Button_RestartClick);
  published.Method("Button_LogOffClick", &TForm2::Button_LogOffClick);
  published.Method("BitBtn2Click", &TForm2::BitBtn2Click);
}

// Reads the settings once and applies them to the button window; a refused tray icon
// is shown by the library and leaves the dialog uncentred.
void TForm2::FormCreate(TObject*) {
  CheckBox1->SetChecked(ReadSetting(StayOnTopSetting));
  Form1->SetFormStyle(CheckBox1->Checked() ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
  CheckBox2->SetChecked(ReadSetting(TrayIconVisibleSetting));
  Form1->TrayIcon1->SetVisible(CheckBox2->Checked());
  Form2->SetLeft((Screen->Width() - Form2->Width()) / 2);
  Form2->SetTop((Screen->Height() - Form2->Height()) / 2);
}

// The program has a taskbar button while the dialog is open.
void TForm2::FormShow(TObject*) {
  os::ShowWindow(Application->Handle(), os::SW_SHOW);
}

void TForm2::FormClose(TObject*, TCloseAction&) {
  os::ShowWindow(Application->Handle(), os::SW_HIDE);
}

// Saves, applies the stay-on-top choice to the application window (and so to every
// form it owns) and the tray icon, then brings the button back.
void TForm2::BitBtn1Click(TObject*) {
  WriteSetting(StayOnTopSetting, CheckBox1->Checked());
  WriteSetting(TrayIconVisibleSetting, CheckBox2->Checked());
  os::SetWindowPos(Application->Handle(),
                   CheckBox1->Checked() ? os::HWND_TOPMOST : os::HWND_NOTOPMOST, 0, 0, 0, 0,
                   os::SWP_NOMOVE | os::SWP_NOSIZE);
  Form1->TrayIcon1->SetVisible(CheckBox2->Checked());
  Form1->Show();
  Form2->Close();
}

void TForm2::Button_ShutDownClick(TObject*) {
  Form2->Hide();
  ExitSession(SessionAction::ShutDown);
}

void TForm2::Button_RestartClick(TObject*) {
  Form2->Hide();
  ExitSession(SessionAction::Restart);
}

void TForm2::Button_LogOffClick(TObject*) {
  Form2->Hide();
  ExitSession(SessionAction::LogOff);
}

// Ends the program; the check boxes are not saved.
void TForm2::BitBtn2Click(TObject*) {
  os::exit(0);
}

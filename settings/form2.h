// The About and setup dialog: it applies the settings at start and saves them on OK.
#pragma once

#include "buttons.h"
#include "extctrls.h"
#include "forms.h"
#include "stdctrls.h"

class TForm2 : public classlib::TForm {
public:
  static constexpr const char* StaticClassName = "TForm2";
  const char* ClassName() const override { return StaticClassName; }
  using TForm::TForm;

  classlib::TImage* Image1 = nullptr;
  classlib::TLabel* Label1 = nullptr;
  classlib::TLabel* Label2 = nullptr;
  classlib::TLabel* Label3 = nullptr;
  classlib::TLabel* Label4 = nullptr;
  classlib::TBitBtn* BitBtn1 = nullptr;
  classlib::TButton* Button_ShutDown = nullptr;
  classlib::TButton* Button_Restart = nullptr;
  classlib::TButton* Button_LogOff = nullptr;
  classlib::TBitBtn* BitBtn2 = nullptr;
  classlib::TCheckBox* CheckBox2 = nullptr;
  classlib::TCheckBox* CheckBox1 = nullptr;

  void FormCreate(classlib::TObject* Sender);
  void FormShow(classlib::TObject* Sender);
  void FormClose(classlib::TObject* Sender, classlib::TCloseAction& Action);
  void BitBtn1Click(classlib::TObject* Sender);
  void Button_ShutDownClick(classlib::TObject* Sender);
  void Button_RestartClick(classlib::TObject* Sender);
  void Button_LogOffClick(classlib::TObject* Sender);
  void BitBtn2Click(classlib::TObject* Sender);

  void Publish(classlib::Published& published) override;
};

extern TForm2* Form2;

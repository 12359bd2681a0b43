// The corner button window, the program's main window.
#pragma once

#include "forms.h"

class TForm1 : public classlib::TForm {
public:
  static constexpr const char* StaticClassName = "TForm1";
  const char* ClassName() const override { return StaticClassName; }
  using TForm::TForm;

  void FormCreate(classlib::TObject* Sender);
  void AppIdle(classlib::TObject* Sender, bool& Done);

  void Publish(classlib::Published& published) override;
};

extern TForm1* Form1;

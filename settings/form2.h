// The About and setup dialog.
#pragma once

#include "forms.h"

class TForm2 : public classlib::TForm {
public:
  static constexpr const char* StaticClassName = "TForm2";
  const char* ClassName() const override { return StaticClassName; }
  using TForm::TForm;
};

extern TForm2* Form2;

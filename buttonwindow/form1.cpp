#include "form1.h"

#include "commandline.h"
#include "formreader.h"

using namespace classlib;

TForm1* Form1 = nullptr;

void TForm1::Publish(Published& published) {
  published.Method("FormCreate", &TForm1::FormCreate);
}

void TForm1::FormCreate(TObject*) {
  Application->OnIdle = [this](TObject* Sender, bool& Done) { AppIdle(Sender, Done); };
}

// Started with a switch, the program ends the session at its first idle moment.
void TForm1::AppIdle(TObject*, bool&) {
  if (const auto action = CommandLineAction()) {
    Form1->Hide();
    ExitSession(*action);
  }
}

#include "program.h"

#include "forms.h"

#include <vector>

namespace classlib {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

struct Unit {
  void (*initialize)();
  void (*finalize)();
};

// Never destroyed, so the exit procedures can still walk it.
std::vector<Unit>& Units() {
  static auto* units = new std::vector<Unit>;
  return *units;
}

void ExitProcedures() {
  if (!Application) return;
  if (Application->Handle() != os::NoWindow) os::ShowOwnedPopups(Application->Handle(), os::FALSE);
  Application->DestroyForms();
  for (auto unit = Units().rbegin(); unit != Units().rend(); ++unit) unit->finalize();
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

} // namespace

UnitRegistration::UnitRegistration(void (*initialize)(), void (*finalize)()) {
  Units().push_back({initialize, finalize});
}

int RunProgram(EntryRoutine entry) {
  os::atexit(&ExitProcedures);
  Application = new TApplication;
  Screen = new TScreen;
  for (const Unit& unit : Units()) unit.initialize();
  return entry();
}

} // namespace classlib

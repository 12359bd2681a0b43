// How a program built on the library starts and ends.
#pragma once

namespace classlib {

// The program's entry routine; its result is the process exit status.
using EntryRoutine = int (*)();

// Creates the application and screen objects, runs the units' initialisation and
// then `entry`. The exit procedures registered here destroy the application's forms
// (last created first), then run the units' clean-up and destroy the application and
// screen objects, at every end of the program: `entry` returning, the run-time exit,
// or the end of the Windows session.
int RunProgram(EntryRoutine entry);

// A unit's initialisation and clean-up, run at program start and end.
struct UnitRegistration {
  UnitRegistration(void (*initialize)(), void (*finalize)());
};

} // namespace classlib

// Defined by the program.
int ProgramMain();

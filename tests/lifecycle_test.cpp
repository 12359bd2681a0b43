// Start-up order, the single-instance guard, failures at start and the ways the
// program ends.
#include "machine.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

TEST(Startup, FirstCopyTakesTheGuardAndShowsTheButtonWindow) {
  sim::Machine machine;
  machine.Start();
  ASSERT_TRUE(machine.Running());
  EXPECT_EQ(machine.Calls("OpenMutexA"), Calls{R"(OpenMutexA(0x1F0001, 0, "HogeHoge"))"});
  EXPECT_EQ(machine.Calls("CreateMutexA"), Calls{R"(CreateMutexA({12, null, 1}, 1, "HogeHoge"))"});
  EXPECT_TRUE(machine.Calls("ReleaseMutex").empty());
  const auto app = machine.FindWindow("TApplication");
  ASSERT_TRUE(app);
  EXPECT_EQ(app->text, "RUVOK for Win32");
  const auto form1 = machine.FindWindow("TForm1");
  const auto form2 = machine.FindWindow("TForm2");
  ASSERT_TRUE(form1);
  EXPECT_TRUE(form1->visible);
  EXPECT_EQ(form1->owner, app->handle);
  EXPECT_FALSE(form2 && form2->visible);
  EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST(Startup, SecondCopyEndsAtOnceWithStatusOneBeforeAnySwitch) {
  sim::Machine machine;
  machine.HoldMutex("HogeHoge");
  machine.Start("/S");
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 1);
  EXPECT_EQ(machine.Calls(),
            (Calls{R"(OpenMutexA(0x1F0001, 0, "HogeHoge"))", "CloseHandle(HogeHoge)"}));
  EXPECT_TRUE(machine.Windows().empty());
  EXPECT_TRUE(std::filesystem::is_empty(machine.HostPath("C:\\Program Files\\Ruvok")));
}

// Ended by a session request the guard is abandoned, not released; the next copy
// finds none and starts normally.
TEST(Startup, CopyAfterAnAbandonedGuardStartsNormally) {
  sim::Machine machine;
  machine.Start("/S");
  ASSERT_FALSE(machine.Running());
  EXPECT_TRUE(machine.Calls("ReleaseMutex").empty());
  machine.Start();
  EXPECT_TRUE(machine.Running());
  EXPECT_EQ(machine.Calls("CreateMutexA").size(), 2u);
}

// The exit procedures destroy the forms, each with its components last created first
// (the hidden dialog has no window yet), then the application window.
TEST(Ending, EveryEndRunsTheExitProcedures) {
  const Calls order{"DestroyWindow(TCallbackWindow)", "DestroyWindow(TForm1)",
                    "DestroyWindow(TApplication)"};
  {
    sim::Machine machine;
    machine.Start("/S");
    EXPECT_EQ(machine.Calls("DestroyWindow"), order);
  }
  {
    sim::Machine machine;
    machine.Start();
    machine.EndSession();
    ASSERT_FALSE(machine.Running());
    EXPECT_EQ(machine.ExitStatus(), 0);
    EXPECT_EQ(machine.Calls("DestroyWindow"), order);
    EXPECT_TRUE(machine.Calls("ReleaseMutex").empty());
  }
}

// Closing the application window ends the message loop: the guard is released.
TEST(Ending, MessageLoopReturningReleasesTheGuard) {
  sim::Machine machine;
  machine.Start();
  machine.Post(machine.FindWindow("TApplication")->handle, os::WM_CLOSE, 0, 0);
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_EQ(machine.Calls("ReleaseMutex"), Calls{"ReleaseMutex(HogeHoge)"});
}

// A form that cannot be constructed is shown with the standard exception display and
// the program ends with status 0 without entering the message loop.
TEST(Failures, FormConstructionFailureIsShownAndEndsTheProgram) {
  sim::Machine machine;
  machine.missingResources = {"TFORM2"};
  machine.Start("/S");
  const auto box = machine.MessageBoxShown();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "Resource TForm2 not found.");
  EXPECT_EQ(box->caption, "RUVOK for Win32");
  EXPECT_EQ(box->type, os::MB_OK | os::MB_ICONSTOP);
  EXPECT_EQ(box->owner, machine.FindWindow("TApplication")->handle);
  machine.AnswerMessageBox();
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_TRUE(machine.Calls("ExitWindowsEx").empty()); // the loop never ran
  EXPECT_TRUE(machine.Calls("ReleaseMutex").empty());
  EXPECT_FALSE(machine.FindWindow("TForm1").has_value());
}

} // namespace

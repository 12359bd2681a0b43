// Program start, the single-instance guard and the ways the program ends.
#include "machine.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

TEST(Startup, FirstCopyTakesTheGuardAndShowsTheButtonWindow) {
  sim::Machine machine;
  machine.Start();
  ASSERT_TRUE(machine.Running());
  EXPECT_EQ(machine.Calls("OpenMutexA").front(), R"(OpenMutexA(0x1F0001, 0, "HogeHoge"))");
  EXPECT_EQ(machine.Calls("CreateMutexA"), Calls{R"(CreateMutexA({12, null, 1}, 1, "HogeHoge"))"});
  const auto app = machine.FindWindow("TApplication");
  ASSERT_TRUE(app);
  EXPECT_EQ(app->text, "RUVOK for Win32");
  const auto form1 = machine.FindWindow("TForm1");
  for (auto& b : machine.MessageBoxes()) ADD_FAILURE() << b.text;
  ASSERT_TRUE(form1);
  EXPECT_TRUE(form1->visible);
  EXPECT_EQ(form1->owner, app->handle);
  const auto form2 = machine.FindWindow("TForm2");
  EXPECT_FALSE(form2 && form2->visible);
}

TEST(Startup, SecondCopyEndsAtOnceWithStatusOne) {
  sim::Machine machine;
  machine.HoldMutex("HogeHoge");
  machine.Start("/S");
  EXPECT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 1);
  EXPECT_EQ(machine.Calls(),
            (Calls{R"(OpenMutexA(0x1F0001, 0, "HogeHoge"))", "CloseHandle(HogeHoge)"}));
  EXPECT_TRUE(machine.Windows().empty());
}

} // namespace

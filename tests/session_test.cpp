// The session end request on each platform family, and its failures.
#include "expected.h"
#include "machine.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Calls = std::vector<std::string>;

const char* const version = "GetVersionExA(148)";
const char* const openToken = "OpenProcessToken(0xFFFFFFFF, 0xF00FF)";
const char* const lookup = R"(LookupPrivilegeValueA(null, "SeShutdownPrivilege"))";
const char* const adjust = "AdjustTokenPrivileges(token, 0, {1, {19, 0}, 0x2}, 0, null, null)";
const char* const shutDown = "ExitWindowsEx(1, 0)";

// The requests that concern ending the session, in order.
Calls SessionCalls(const sim::Machine& machine) {
  Calls result;
  for (const std::string& call : machine.Calls())
    for (const char* prefix : {"GetVersionExA", "OpenProcessToken", "LookupPrivilegeValueA",
                               "AdjustTokenPrivileges", "ExitWindowsEx", "MessageBoxA"})
      if (call.rfind(prefix, 0) == 0) result.push_back(call);
  return result;
}

// A machine set up one way, and the requests it should then see.
struct Case {
  const char* name;
  std::function<void(sim::Machine&)> setUp;
  Calls expected;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class SessionEnd : public testing::TestWithParam<Case> {};

TEST_P(SessionEnd, RequestsAndEndsTheProgram) {
  sim::Machine machine;
  GetParam().setUp(machine);
  machine.Start("/S");
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_EQ(SessionCalls(machine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Families, SessionEnd,
                         testing::Values(Case{"NT",
                                              [](sim::Machine&) {},
                                              {version, openToken, lookup, adjust, shutDown}},
                                         Case{"NT, request refused",
                                              [](sim::Machine& m) { m.sessionEndRefused = true; },
                                              {version, openToken, lookup, adjust, shutDown}},
                                         Case{"9x",
                                              [](sim::Machine& m) {
                                                m.platformId = os::VER_PLATFORM_WIN32_WINDOWS;
                                              },
                                              {version, shutDown}}));

class PrivilegeFailure : public testing::TestWithParam<Case> {};

TEST_P(PrivilegeFailure, ShowsTheMessageAndEndsWithoutARequest) {
  sim::Machine machine;
  GetParam().setUp(machine);
  machine.Start("/R");
  const auto box = machine.MessageBoxShown();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, NoPrivilegeMessage);
  EXPECT_EQ(box->caption, "Ruvok for Win95 Message!");
  EXPECT_EQ(box->type, 0u);
  EXPECT_EQ(box->owner, machine.FindWindow("TApplication")->handle);
  EXPECT_TRUE(machine.Running()); // until the user confirms
  machine.AnswerMessageBox();
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_EQ(SessionCalls(machine), GetParam().expected);
}

const std::string box =
    R"(MessageBoxA("Don't gave the SE_SHUTDOWN_NAME privilege", "Ruvok for Win95 Message!", 0))";

INSTANTIATE_TEST_SUITE_P(Failures, PrivilegeFailure,
                         testing::Values(Case{"token",
                                              [](sim::Machine& m) { m.tokenOpenFails = true; },
                                              {version, openToken, box}},
                                         Case{
                                             "lookup",
                                             [](sim::Machine& m) { m.privilegeLookupFails = true; },
                                             {version, openToken, lookup, box}}));

// Neither family: nothing is requested, the button stays hidden, and the same attempt
// is made at every later idle moment, with the program asleep in between.
TEST(SessionEnd, OnAnotherFamilyRetriesAtEachIdleMoment) {
  for (bool versionFails : {false, true}) {
    sim::Machine machine;
    machine.platformId = os::VER_PLATFORM_WIN32s;
    machine.versionQueryFails = versionFails;
    machine.Start("/L");
    ASSERT_TRUE(machine.Running());
    EXPECT_EQ(SessionCalls(machine), Calls{version});
    EXPECT_FALSE(machine.FindWindow("TForm1")->visible);
    machine.Post(machine.FindWindow("TApplication")->handle, os::WM_NULL, 0, 0);
    EXPECT_EQ(SessionCalls(machine), (Calls{version, version}));
    EXPECT_TRUE(machine.MessageBoxes().empty());
  }
}

} // namespace

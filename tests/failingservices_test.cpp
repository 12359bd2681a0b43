// Each service the program relies on, refused one at a time: what the user sees, whether
// the program goes on, what reaches the system, and that the stored settings survive.
#include "expected.h"
#include "machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace {

using sim::Button;
using Texts = std::vector<std::string>;

const char* const iniPath = "C:\\Program Files\\Ruvok\\ruvok95.ini";
const char* const stored = "[ExitButton]\r\nStayOnTop=1\r\n";
struct Service {
  const char* name;
  std::function<void(sim::Machine&)> refuse;
  const char* arguments;
  bool pressOK; // the user opens the setup dialog and presses OK
  // the outcome
  Texts boxes; // the messages shown, each confirmed with OK
  bool running;
  Texts requests; // the session-end requests
  std::size_t trayIcons;
};

void PrintTo(const Service& s, std::ostream* out) {
  *out << s.name;
}

class FailingService : public testing::TestWithParam<Service> {};

TEST_P(FailingService, HasItsOneOutcome) {
  const Service& c = GetParam();
  sim::Machine machine;
  const auto ini = machine.HostPath(iniPath);
  std::ofstream(ini, std::ios::binary) << stored;
  c.refuse(machine);
  machine.Start(c.arguments);
  Texts boxes;
  while (const auto box = machine.MessageBoxShown()) {
    boxes.push_back(box->text);
    machine.AnswerMessageBox();
  }
  if (c.pressOK) {
    machine.Click(Button::Right, machine.screenWidth - 8, 7);
    machine.ChooseMenuItem("Setup");
    machine.ClickWindow(machine.FindWindow("BUTTON", "OK")->handle);
  }
  EXPECT_EQ(boxes, c.boxes);
  EXPECT_EQ(machine.MessageBoxes().size(), c.boxes.size()); // none came up later
  ASSERT_EQ(machine.Running(), c.running);
  if (!c.running) {
    EXPECT_EQ(machine.ExitStatus(), 0);
  }
  EXPECT_EQ(machine.Calls("ExitWindowsEx"), c.requests);
  EXPECT_EQ(machine.TrayIconCount(), c.trayIcons);
  EXPECT_EQ(FileContents(ini), stored);
}

const auto readOnly = [](sim::Machine& m) {
  std::filesystem::permissions(m.HostPath(iniPath), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
};

INSTANTIATE_TEST_SUITE_P(
    OneAtATime, FailingService,
    testing::Values(
        // A guard that cannot be looked at reads as no other copy: this one runs.
        Service{"guard open",
                [](sim::Machine& m) {
                  m.HoldMutex("HogeHoge");
                  m.guardOpenRefused = true;
                },
                "",
                false,
                {},
                true,
                {},
                1},
        Service{"guard creation",
                [](sim::Machine& m) { m.guardCreateFails = true; },
                "",
                false,
                {},
                true,
                {},
                1},
        // Neither family: nothing is requested, and the program waits for the next try.
        Service{"version query",
                [](sim::Machine& m) { m.versionQueryFails = true; },
                "/S",
                false,
                {},
                true,
                {},
                1},
        Service{"token",
                [](sim::Machine& m) { m.tokenOpenFails = true; },
                "/S",
                false,
                {NoPrivilegeMessage},
                false,
                {},
                0},
        Service{"privilege lookup",
                [](sim::Machine& m) { m.privilegeLookupFails = true; },
                "/S",
                false,
                {NoPrivilegeMessage},
                false,
                {},
                0},
        // The program ends either way; the session goes on.
        Service{"session end",
                [](sim::Machine& m) { m.sessionEndRefused = true; },
                "/S",
                false,
                {},
                false,
                {"ExitWindowsEx(1, 0)"},
                0},
        Service{"tray add",
                [](sim::Machine& m) { m.trayRefusesAdd = true; },
                "",
                false,
                {TrayRefusedMessage},
                true,
                {},
                0},
        // The options still apply for this run; the file keeps what it held.
        Service{"read-only settings file", readOnly, "", true, {}, true, {}, 1},
        Service{"locked settings file",
                [](sim::Machine& m) { m.lockedFiles.push_back(iniPath); },
                "",
                true,
                {},
                true,
                {},
                1}));

} // namespace

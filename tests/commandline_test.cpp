// The command-line switches, through the whole program on the simulated machine.
#include "machine.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  std::string commandLine;
  const char* request; // the ExitWindowsEx call expected, or nullptr for none
};

// Control characters and bytes above 127 as \xNN, so every case has a readable name.
void PrintTo(const Case& c, std::ostream* out) {
  static const char digits[] = "0123456789ABCDEF";
  for (char ch : c.commandLine) {
    const auto code = static_cast<unsigned char>(ch);
    if (code >= 0x20 && code < 0x7F)
      *out << ch;
    else
      *out << "\\x" << digits[code >> 4] << digits[code & 15];
  }
}

class CommandLine : public testing::TestWithParam<Case> {};

TEST_P(CommandLine, EndsTheSessionOnlyForASwitchInArgumentOne) {
  sim::Machine machine;
  machine.StartWithCommandLine(GetParam().commandLine);
  const auto requests = machine.Calls("ExitWindowsEx");
  if (GetParam().request) {
    EXPECT_EQ(requests, std::vector<std::string>{GetParam().request});
    ASSERT_FALSE(machine.Running());
    EXPECT_EQ(machine.ExitStatus(), 0);
  } else {
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(machine.Running());
    EXPECT_TRUE(machine.FindWindow("TForm1")->visible);
  }
}

#define EXE "\"C:\\Program Files\\Ruvok\\ruvok95.exe\""

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLine,
    testing::Values(
        Case{EXE " /S", "ExitWindowsEx(1, 0)"}, Case{EXE " /R", "ExitWindowsEx(2, 0)"},
        Case{EXE " /L", "ExitWindowsEx(0, 0)"}, Case{EXE " /s", "ExitWindowsEx(1, 0)"},
        Case{EXE " /r", "ExitWindowsEx(2, 0)"}, Case{EXE " /l", "ExitWindowsEx(0, 0)"},
        Case{EXE " \"/S\"", "ExitWindowsEx(1, 0)"}, Case{EXE " \"/S", "ExitWindowsEx(1, 0)"},
        Case{EXE " /\"s\"", "ExitWindowsEx(1, 0)"}, Case{EXE " \"\" /S", "ExitWindowsEx(1, 0)"},
        Case{EXE "\t/S", "ExitWindowsEx(1, 0)"}, Case{EXE "\x01/R", "ExitWindowsEx(2, 0)"},
        Case{EXE " /S trailing words", "ExitWindowsEx(1, 0)"},
        Case{EXE "   /L  ", "ExitWindowsEx(0, 0)"}));

INSTANTIATE_TEST_SUITE_P(
    NoSwitch, CommandLine,
    testing::Values(Case{EXE, nullptr}, Case{EXE " \"/S \"", nullptr}, Case{EXE " -S", nullptr},
                    Case{EXE " /SHUTDOWN", nullptr}, Case{EXE " S", nullptr},
                    Case{EXE " /X", nullptr}, Case{EXE " first /S", nullptr},
                    Case{EXE " \"\" \"\"", nullptr},
                    // Unquoted, the path's blank separates: argument 1 is "Files\...".
                    Case{"C:\\Program Files\\Ruvok\\ruvok95.exe /S", nullptr}));

// Quotes in odd places, control characters and bytes above 127, and items longer than
// any buffer: each has one outcome, and nothing else happens.
const std::string longPath = "\"C:\\" + std::string(300, 'x') + "\\ruvok95.exe\"";

INSTANTIATE_TEST_SUITE_P(
    OddInput, CommandLine,
    testing::Values(Case{EXE " \"\"\"/S\"", "ExitWindowsEx(1, 0)"}, // a pair, then a quoted switch
                    Case{EXE " \"/S\"\"\"", "ExitWindowsEx(1, 0)"}, // an empty quoted stretch joins
                    Case{EXE " \"/\"s\"\"",
                         "ExitWindowsEx(1, 0)"},                   // quoted and bare stretches join
                    Case{EXE " /S\"", "ExitWindowsEx(1, 0)"},      // an unmatched quote at the end
                    Case{EXE "\x1F/L\x1F", "ExitWindowsEx(0, 0)"}, // any code 1 to 32 separates
                    Case{longPath + " /R", "ExitWindowsEx(2, 0)"}, // a path beyond 256 characters
                    Case{EXE " \"/S x\"y", nullptr}, Case{EXE " \"/S\t\"", nullptr},
                    Case{EXE " /S\x7F", nullptr}, Case{EXE " /\xA0S", nullptr},
                    Case{EXE " \xEF\xBB\xBF/S", nullptr},
                    Case{EXE " /S" + std::string(300, 'S'), nullptr}, // a long item is kept whole
                    Case{EXE " \"", nullptr}, Case{"", nullptr}, Case{" \t ", nullptr},
                    Case{"\"", nullptr}));

} // namespace

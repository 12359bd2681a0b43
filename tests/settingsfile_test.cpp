// Where the settings file is, and the rules for reading and writing its options.
#include "expected.h"
#include "form1.h"
#include "machine.h"
#include "settingsfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

struct Directory {
  std::string path, expected;
};

TEST(GetExeDirectory, KeepsEverythingUpToTheLastBackslashByte) {
  TForm1 form(nullptr);
  const Directory cases[] = {
      {"C:\\Program Files\\Ruvok\\ruvok95.exe", "C:\\Program Files\\Ruvok\\"},
      {"C:\\ruvok95.exe", "C:\\"},
      {"\\\\server\\share\\ruvok95.exe", "\\\\server\\share\\"},
      {"ruvok95.exe", ""},
      {"C:/Apps/ruvok95.exe", ""}, // only the backslash separates
      {"C:\\Apps\\", "C:\\Apps\\"},
      // A double-byte character whose second byte is 0x5C counts as a separator too.
      {"C:\\\x95\x5C\\ruvok95.exe", "C:\\\x95\x5C\\"},
      {"C:\\Apps\\\x95\x5C.exe", "C:\\Apps\\\x95\x5C"},
  };
  for (const Directory& c : cases) EXPECT_EQ(form.GetExeDirectory(c.path), c.expected) << c.path;
}

// The longest name the program asks for, and the names no real start gives: one cut at
// the buffer's end keeps its directory, one without a backslash has none.
TEST(IniFileName, ComesFromWhatTheModuleNameHolds) {
  const std::string dir249 = "C:\\" + std::string(245, 'd') + "\\";
  const Directory cases[] = {
      {dir249 + "ruvok95.exe", dir249 + "ruvok95.ini"}, // 260 characters
      {dir249 + "ruvok95-with-a-long-name.exe", dir249 + "ruvok95.ini"},
      {"ruvok95.exe", "ruvok95.ini"},
      {"C:\\Apps\\\x95\x5C.exe", "C:\\Apps\\\x95\x5Cruvok95.ini"},
  };
  for (const Directory& c : cases) {
    sim::Machine machine;
    machine.modulePath = c.path;
    machine.Start();
    ASSERT_TRUE(machine.Running());
    EXPECT_EQ(IniFileName, c.expected) << c.path.size();
  }
}

// The module's own path counts, not what the command line says.
TEST(IniFileName, IsBesideTheProgramFileWhateverTheCommandLine) {
  sim::Machine machine;
  machine.modulePath = "D:\\Tools\\Exit\\ruvok95.exe";
  machine.StartWithCommandLine("..\\elsewhere\\RUVOK95 /X");
  ASSERT_TRUE(machine.Running());
  EXPECT_EQ(IniFileName, "D:\\Tools\\Exit\\ruvok95.ini");
}

struct Profile : testing::Test {
  sim::Machine machine;
  std::filesystem::path file = machine.HostPath("C:\\Program Files\\Ruvok\\ruvok95.ini");
  void SetUp() override { IniFileName = "C:\\Program Files\\Ruvok\\ruvok95.ini"; }
  void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
};

struct Reading {
  const char* file; // nullptr: no file at all
  bool stayOnTop, trayIconVisible;
};

TEST_F(Profile, ReadsWithTheDefaultsAndTheIntegerRules) {
  const Reading cases[] = {
      {nullptr, false, true},
      {"", false, true},
      {"[Other]\r\nStayOnTop=1\r\nVisible=0\r\n", false, true},
      {"[ExitButton]\r\n[TrayIcon]\r\n", false, true},
      {"[ExitButton]\r\nStayOnTop=1\r\n[TrayIcon]\r\nVisible=0\r\n", true, false},
      {"[ExitButton]\r\nStayOnTop=2\r\n[TrayIcon]\r\nVisible=7\r\n", true, true},
      {"[ExitButton]\r\nStayOnTop=yes\r\n[TrayIcon]\r\nVisible=no\r\n", false, false},
      {"[ExitButton]\r\nStayOnTop=1x\r\n[TrayIcon]\r\nVisible=0abc\r\n", true, false},
      {"[ExitButton]\r\nStayOnTop=\r\n[TrayIcon]\r\nVisible=\r\n", false, true},
      {"[exitbutton]\nstayontop = 1\n[TRAYICON]\nVISIBLE = 0\n", true, false},
      {"[ExitButton]\r\nStayOnTop= 1\r\n[TrayIcon]\r\nVisible=abc\r\n", true, false},
      {"[ExitButton]\r\nStayOnTop=-1\r\n[TrayIcon]\r\nVisible=-0\r\n", true, false},
      {"[TrayIcon]\r\nStayOnTop=1\r\n[ExitButton]\r\nVisible=0\r\n", false, true},
  };
  for (const Reading& c : cases) {
    std::filesystem::remove(file);
    if (c.file) Write(c.file);
    EXPECT_EQ(ReadSetting(StayOnTopSetting), c.stayOnTop) << (c.file ? c.file : "no file");
    EXPECT_EQ(ReadSetting(TrayIconVisibleSetting), c.trayIconVisible)
        << (c.file ? c.file : "no file");
  }
}

// Whatever bytes the file holds, the sections and keys in it are read, and nothing
// else.
TEST_F(Profile, ReadsThroughGarbageAndHugeFiles) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  std::string huge;
  for (int i = 0; i < 200000; ++i) huge += "; line " + std::to_string(i) + "\r\n";
  const std::string valid = "\r\n[ExitButton]\r\nStayOnTop=1\r\n[TrayIcon]\r\nVisible=0\r\n";
  const struct {
    std::string file;
    bool stayOnTop, trayIconVisible;
  } cases[] = {{garbage, false, true}, {garbage + valid, true, false}, {huge + valid, true, false}};
  for (const auto& c : cases) {
    Write(c.file);
    EXPECT_EQ(ReadSetting(StayOnTopSetting), c.stayOnTop) << c.file.size();
    EXPECT_EQ(ReadSetting(TrayIconVisibleSetting), c.trayIconVisible) << c.file.size();
  }
}

// The values and damaged files that the system's own reader was seen to read, under
// Wine: every other test here relies on the simulated machine reading them alike.
TEST(ProfileReading, MatchesWhatTheSystemReads) {
  sim::Machine machine;
  const std::filesystem::path data = RUVOK_TEST_DATA;
  std::filesystem::copy(data / "profiles", machine.HostPath("C:\\Profiles"));
  std::ifstream listing(data / "profile_reading.txt");
  int cases = 0;
  for (std::string line; std::getline(listing, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream row(line);
    std::string file, section, key, whenMissing, read, what;
    for (std::string* field : {&file, &section, &key, &whenMissing, &read, &what})
      std::getline(row, *field, '\t');
    const std::string path = "C:\\Profiles\\" + file;
    EXPECT_EQ(os::GetPrivateProfileIntA(section.c_str(), key.c_str(), std::stoi(whenMissing),
                                        path.c_str()),
              std::stoul(read))
        << what;
    ++cases;
  }
  ASSERT_GT(cases, 0) << "no listing at " << data;
}

// The system keeps a UTF-16 file UTF-16 when it writes a key into it.
TEST_F(Profile, WritingKeepsAUtf16FileUtf16) {
  Write(std::string("\xFF\xFE[\0T\0r\0a\0y\0I\0c\0o\0n\0]\0\r\0\n\0", 26));
  WriteSetting(TrayIconVisibleSetting, false);
  EXPECT_FALSE(ReadSetting(TrayIconVisibleSetting));
  const std::string text = "[TrayIcon]\r\nVisible=0\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string{c, '\0'};
  EXPECT_EQ(FileContents(file), utf16);
}

TEST_F(Profile, FirstWriteCreatesTheFileAndItsSections) {
  WriteSetting(StayOnTopSetting, true);
  WriteSetting(TrayIconVisibleSetting, false);
  EXPECT_EQ(FileContents(file), "[ExitButton]\r\nStayOnTop=1\r\n[TrayIcon]\r\nVisible=0\r\n");
}

TEST_F(Profile, RewritesAKeyInPlaceAndKeepsTheRest) {
  Write("; mine\r\n[TrayIcon]\r\nVisible=2\r\nOther=x\r\n\r\n[ExitButton]\r\nStayOnTop=2\r\n");
  WriteSetting(StayOnTopSetting, true);
  WriteSetting(TrayIconVisibleSetting, true);
  EXPECT_EQ(FileContents(file),
            "; mine\r\n[TrayIcon]\r\nVisible=1\r\nOther=x\r\n\r\n[ExitButton]\r\nStayOnTop=1\r\n");
}

TEST_F(Profile, AddsAMissingKeyAtTheEndOfItsSection) {
  Write("[ExitButton]\r\nOther=x\r\n\r\n[TrayIcon]\r\nVisible=1\r\n");
  WriteSetting(StayOnTopSetting, false);
  EXPECT_EQ(FileContents(file),
            "[ExitButton]\r\nOther=x\r\nStayOnTop=0\r\n\r\n[TrayIcon]\r\nVisible=1\r\n");
}

TEST_F(Profile, AnUnwritableFileIsNotReported) {
  IniFileName = "C:\\Missing\\ruvok95.ini";
  WriteSetting(StayOnTopSetting, true);
  EXPECT_FALSE(std::filesystem::exists(machine.HostPath(IniFileName)));
  EXPECT_FALSE(ReadSetting(StayOnTopSetting));
}

} // namespace

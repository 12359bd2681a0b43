// The About and setup dialog: the settings applied at start, OK, the session and
// Unload buttons, the keyboard, and a tray icon the shell refuses.
#include "expected.h"
#include "form1.h"
#include "form2.h"
#include "machine.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using sim::Button;
using Calls = std::vector<std::string>;

constexpr int screenWidth = 1013, screenHeight = 677;
const char* const iniPath = "C:\\Program Files\\Ruvok\\ruvok95.ini";

struct Dialog : testing::Test {
  sim::Machine machine;
  std::filesystem::path ini = machine.HostPath(iniPath);

  void Start(const char* settings = nullptr) {
    machine.screenWidth = screenWidth;
    machine.screenHeight = screenHeight;
    if (settings) std::ofstream(ini, std::ios::binary) << settings;
    machine.Start();
    ASSERT_TRUE(machine.Running());
  }
  sim::Window Get(const std::string& className, const std::string& text = "") const {
    const auto w = machine.FindWindow(className, text);
    if (!w) throw std::logic_error("no window " + className + " " + text);
    return *w;
  }
  void OpenSetup() {
    machine.Click(Button::Right, screenWidth - 8, 7);
    machine.ChooseMenuItem("Setup");
  }
  void Press(const std::string& caption) { machine.ClickWindow(Get("BUTTON", caption).handle); }
  std::string Ini() const { return FileContents(ini); }
  bool TrayAdded() const {
    for (const sim::TrayCall& call : machine.TrayCalls())
      if (call.message == os::NIM_ADD && call.succeeded) return true;
    return false;
  }
};

struct StartCase {
  const char* settings; // nullptr: no file
  bool stayOnTop, trayIcon;
};

void PrintTo(const StartCase& c, std::ostream* out) {
  *out << (c.settings ? c.settings : "no file");
}

class SettingsAtStart : public Dialog, public testing::WithParamInterface<StartCase> {};

TEST_P(SettingsAtStart, AreAppliedToTheButtonWindowAndTheTray) {
  Start(GetParam().settings);
  EXPECT_EQ(Form2->CheckBox1->Checked(), GetParam().stayOnTop);
  EXPECT_EQ(Form2->CheckBox2->Checked(), GetParam().trayIcon);
  EXPECT_EQ(Get("TForm1").topmost(), GetParam().stayOnTop);
  EXPECT_EQ(TrayAdded(), GetParam().trayIcon);
  EXPECT_EQ(
      machine.Calls("GetPrivateProfileIntA"),
      (Calls{
          std::string(R"(GetPrivateProfileIntA("ExitButton", "StayOnTop", 0, ")") + iniPath + "\")",
          std::string(R"(GetPrivateProfileIntA("TrayIcon", "Visible", 1, ")") + iniPath + "\")"}));
  EXPECT_TRUE(machine.Calls("WritePrivateProfileStringA").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsAtStart,
    testing::Values(
        StartCase{nullptr, false, true},
        StartCase{"[ExitButton]\r\nStayOnTop=0\r\n[TrayIcon]\r\nVisible=0\r\n", false, false},
        StartCase{"[ExitButton]\r\nStayOnTop=1\r\n[TrayIcon]\r\nVisible=1\r\n", true, true},
        StartCase{"[ExitButton]\r\nStayOnTop=2\r\n[TrayIcon]\r\nVisible=2\r\n", true, true},
        StartCase{"[ExitButton]\r\nStayOnTop=on\r\n[TrayIcon]\r\nVisible=off\r\n", false, false}));

TEST_F(Dialog, AnUnreadableFileGivesTheDefaults) {
  std::filesystem::create_directory(ini); // a directory where the file should be
  Start();
  EXPECT_FALSE(Form2->CheckBox1->Checked());
  EXPECT_TRUE(Form2->CheckBox2->Checked());
  EXPECT_TRUE(TrayAdded());
}

TEST_F(Dialog, IsCentredOnceByItsOuterSize) {
  Start();
  OpenSetup();
  const sim::Window dialog = Get("TForm2");
  EXPECT_EQ(dialog.width, 277);  // 271 + the frame
  EXPECT_EQ(dialog.height, 159); // 134 + caption and frame
  EXPECT_EQ(dialog.x, (screenWidth - 277) / 2);
  EXPECT_EQ(dialog.y, (screenHeight - 159) / 2);
}

TEST_F(Dialog, CentringRoundsTowardZeroAndIsNotClamped) {
  machine.screenWidth = 200;
  machine.screenHeight = 100;
  machine.Start();
  EXPECT_EQ(Form2->Left(), -38); // (200 - 277) / 2
  EXPECT_EQ(Form2->Top(), -29);  // (100 - 159) / 2
}

TEST_F(Dialog, SetupShowsTheDialogWithATaskbarButtonAndTheFocusOnOK) {
  Start();
  OpenSetup();
  EXPECT_TRUE(Get("TForm2").visible);
  EXPECT_FALSE(Get("TForm1").visible);
  EXPECT_TRUE(Get("TApplication").TaskbarButton());
  EXPECT_EQ(machine.FocusWindow(), Get("BUTTON", "OK").handle);
  // Chosen again from the tray while open, it stays open and comes to the front.
  machine.Post(Get("TCallbackWindow").handle, 1224, 1, os::WM_RBUTTONDOWN);
  machine.ChooseMenuItem("Setup");
  EXPECT_TRUE(Get("TForm2").visible);
  EXPECT_FALSE(Get("TForm1").visible);
}

TEST_F(Dialog, OKSavesAndAppliesTheOptionsAndBringsTheButtonBack) {
  Start();
  OpenSetup();
  machine.ClickWindow(Get("BUTTON", "Stay On Top").handle);
  machine.ClickWindow(Get("BUTTON", "Stay in Tasktray").handle);
  Press("OK");
  EXPECT_EQ(machine.Calls("WritePrivateProfileStringA"),
            (Calls{std::string(R"(WritePrivateProfileStringA("ExitButton", "StayOnTop", "1", ")") +
                       iniPath + "\")",
                   std::string(R"(WritePrivateProfileStringA("TrayIcon", "Visible", "0", ")") +
                       iniPath + "\")"}));
  EXPECT_EQ(Ini(), "[ExitButton]\r\nStayOnTop=1\r\n[TrayIcon]\r\nVisible=0\r\n");
  // The application window is topmost, and the windows it owns with it.
  EXPECT_TRUE(Get("TApplication").topmost());
  EXPECT_TRUE(Get("TForm1").topmost());
  EXPECT_TRUE(Get("TForm2").topmost());
  EXPECT_EQ(machine.TrayCalls().back().message, os::NIM_DELETE);
  EXPECT_EQ(machine.TrayIconCount(), 0u);
  const sim::Window button = Get("TForm1");
  EXPECT_TRUE(button.visible);
  EXPECT_EQ(button.x, screenWidth - 16);
  EXPECT_EQ(button.y, 0);
  EXPECT_FALSE(Get("TForm2").visible);
  for (const sim::Window& w : machine.Windows()) EXPECT_FALSE(w.TaskbarButton()) << w.className;
}

TEST_F(Dialog, OKWithoutStayOnTopAsksTheApplicationWindowOnlyToLeaveTheTop) {
  Start("[ExitButton]\r\nStayOnTop=1\r\n");
  OpenSetup();
  machine.ClickWindow(Get("BUTTON", "Stay On Top").handle);
  Press("OK");
  EXPECT_EQ(Ini(), "[ExitButton]\r\nStayOnTop=0\r\n[TrayIcon]\r\nVisible=1\r\n");
  EXPECT_FALSE(Get("TApplication").topmost());
  EXPECT_TRUE(Get("TForm1").topmost()); // its style from the start stays until the next start
}

TEST_F(Dialog, NothingIsWrittenWithoutOK) {
  Start();
  OpenSetup();
  machine.ClickWindow(Get("BUTTON", "Stay On Top").handle);
  Press("Unload");
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_FALSE(std::filesystem::exists(ini));
  EXPECT_TRUE(machine.Calls("ExitWindowsEx").empty());
}

struct SessionButton {
  const char* caption;
  const char* request;
};

void PrintTo(const SessionButton& b, std::ostream* out) {
  *out << b.caption;
}

class DialogSessionButton : public Dialog, public testing::WithParamInterface<SessionButton> {};

TEST_P(DialogSessionButton, HidesTheDialogAndEndsTheSession) {
  Start();
  OpenSetup();
  Press(GetParam().caption);
  EXPECT_EQ(machine.Calls("ExitWindowsEx"), Calls{GetParam().request});
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.ExitStatus(), 0);
  EXPECT_FALSE(std::filesystem::exists(ini));
  // The dialog was hidden before the request; the button never came back.
  const Calls shown = machine.Calls("ShowWindow(TForm");
  EXPECT_EQ(shown.back().substr(0, 19), "ShowWindow(TForm2, ");
  EXPECT_EQ(shown.back()[19], '0');
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogSessionButton,
                         testing::Values(SessionButton{"Shut Down", "ExitWindowsEx(1, 0)"},
                                         SessionButton{"Restart", "ExitWindowsEx(2, 0)"},
                                         SessionButton{"Log Off", "ExitWindowsEx(0, 0)"}));

TEST_F(Dialog, EnterActsAsOKOnOKAndOnTheCheckBoxes) {
  Start();
  for (const char* focus : {"OK", "Stay in Tasktray", "Stay On Top"}) {
    OpenSetup(); // the focus starts on OK
    if (std::string(focus) != "OK") machine.ClickWindow(Get("BUTTON", focus).handle);
    EXPECT_EQ(machine.FocusWindow(), Get("BUTTON", focus).handle);
    machine.Key(os::VK_RETURN);
    EXPECT_FALSE(Get("TForm2").visible) << focus;
    EXPECT_TRUE(Get("TForm1").visible) << focus;
  }
  EXPECT_EQ(machine.Calls("WritePrivateProfileStringA").size(), 6u);
}

TEST_F(Dialog, EnterPressesTheFocusedButtonAndEscapeDoesNothing) {
  Start();
  OpenSetup();
  machine.Key(os::VK_ESCAPE);
  EXPECT_TRUE(Get("TForm2").visible);
  for (int i = 0; i < 3; ++i) machine.Key(os::VK_TAB); // OK, Shut Down, Restart, Log Off
  EXPECT_EQ(machine.FocusWindow(), Get("BUTTON", "Log Off").handle);
  machine.Key(os::VK_RETURN);
  EXPECT_EQ(machine.Calls("ExitWindowsEx"), Calls{"ExitWindowsEx(0, 0)"});
}

TEST_F(Dialog, TabFollowsTheTabOrderBothWays) {
  Start();
  OpenSetup();
  const std::vector<std::string> order{"OK",     "Shut Down",        "Restart",     "Log Off",
                                       "Unload", "Stay in Tasktray", "Stay On Top", "OK"};
  for (std::size_t i = 1; i < order.size(); ++i) {
    machine.Key(os::VK_TAB);
    EXPECT_EQ(machine.FocusWindow(), Get("BUTTON", order[i]).handle) << order[i];
  }
  machine.Key(os::VK_TAB, true);
  EXPECT_EQ(machine.FocusWindow(), Get("BUTTON", "Stay On Top").handle);
}

TEST_F(Dialog, ARefusedIconAtStartIsShownAndTheRestOfTheSetUpSkipped) {
  machine.trayRefusesAdd = true;
  Start();
  const auto box = machine.MessageBoxShown();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, TrayRefusedMessage);
  EXPECT_EQ(box->type, os::MB_OK | os::MB_ICONSTOP);
  machine.AnswerMessageBox();
  ASSERT_TRUE(machine.Running());
  EXPECT_TRUE(Get("TForm1").visible);
  EXPECT_EQ(Form2->Left(), 161); // never centred
  EXPECT_EQ(Form2->Top(), 324);
  // An OK with the box still checked does not try again.
  machine.trayRefusesAdd = false;
  OpenSetup();
  const std::size_t calls = machine.TrayCalls().size();
  Press("OK");
  EXPECT_EQ(machine.TrayCalls().size(), calls);
  EXPECT_FALSE(Get("TForm2").visible);
  EXPECT_TRUE(Get("TForm1").visible);
}

// Started before Explorer: the refused icon appears when the notification area does.
TEST_F(Dialog, AnIconRefusedAtStartAppearsWithTheNotificationArea) {
  machine.trayRefusesAdd = true;
  Start();
  machine.AnswerMessageBox();
  machine.trayRefusesAdd = false;
  machine.NotificationAreaCreated();
  EXPECT_EQ(machine.TrayIconCount(), 1u);
  EXPECT_EQ(machine.MessageBoxes().size(), 1u);
  machine.Click(Button::Right, screenWidth - 8, 7);
  machine.ChooseMenuItem("Unload");
  ASSERT_FALSE(machine.Running());
  EXPECT_EQ(machine.TrayCalls().back().message, os::NIM_DELETE);
  EXPECT_EQ(machine.TrayIconCount(), 0u);
}

TEST_F(Dialog, ARefusedIconAtOKLeavesTheDialogOpenAndTheButtonHidden) {
  Start("[TrayIcon]\r\nVisible=0\r\n");
  OpenSetup();
  machine.ClickWindow(Get("BUTTON", "Stay in Tasktray").handle);
  machine.trayRefusesAdd = true;
  Press("OK");
  const auto box = machine.MessageBoxShown();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, TrayRefusedMessage);
  machine.AnswerMessageBox();
  EXPECT_EQ(Ini(), "[TrayIcon]\r\nVisible=1\r\n[ExitButton]\r\nStayOnTop=0\r\n");
  EXPECT_TRUE(Get("TForm2").visible);
  EXPECT_FALSE(Get("TForm1").visible);
  EXPECT_TRUE(machine.Running());
}

TEST_F(Dialog, ExitDestroysTheDialogBeforeTheButtonWindow) {
  Start();
  OpenSetup();
  Press("Unload");
  const Calls destroyed = machine.Calls("DestroyWindow");
  const auto at = [&](const char* what) {
    return std::find(destroyed.begin(), destroyed.end(), what) - destroyed.begin();
  };
  EXPECT_LT(at("DestroyWindow(TForm2)"), at("DestroyWindow(TForm1)"));
  EXPECT_LT(at("DestroyWindow(TForm1)"), at("DestroyWindow(TApplication)"));
  EXPECT_LT(at("DestroyWindow(TApplication)"), static_cast<long>(destroyed.size()));
  EXPECT_EQ(machine.TrayCalls().back().message, os::NIM_DELETE);
  EXPECT_EQ(machine.TrayIconCount(), 0u);
}

} // namespace

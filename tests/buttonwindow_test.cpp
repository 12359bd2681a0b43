// The corner button: its window, placement, pictures, press-and-release and menu.
#include "form1.h"
#include "machine.h"

#include <gtest/gtest.h>

namespace {

using classlib::TBitmap;
using sim::Button;

constexpr int screenWidth = 1013, screenHeight = 677; // an odd size catches fixed corners

struct ButtonWindow : testing::Test {
  sim::Machine machine;
  void SetUp() override {
    machine.screenWidth = screenWidth;
    machine.screenHeight = screenHeight;
    machine.Start();
    ASSERT_TRUE(machine.Running());
  }
  sim::Window Form1Window() const { return *machine.FindWindow("TForm1"); }
  bool Pressed() const { return Form1->Image1->Picture() == Form1->Image2->Picture(); }
  bool Normal() const { return Form1->Image1->Picture() == Form1->Image3->Picture(); }
};

TEST_F(ButtonWindow, IsAFramelessSixteenByFourteenWindowAtTheTopRightCorner) {
  const sim::Window w = Form1Window();
  EXPECT_EQ(w.x, screenWidth - 16);
  EXPECT_EQ(w.y, 0);
  EXPECT_EQ(w.width, 16);
  EXPECT_EQ(w.height, 14);
  EXPECT_EQ(w.style & (os::WS_POPUP | os::WS_CAPTION | os::WS_BORDER | os::WS_THICKFRAME),
            os::WS_POPUP);
  EXPECT_TRUE(w.visible);
  // It was placed before it was first seen.
  EXPECT_EQ(machine.Calls("ShowWindow(TForm1").front(),
            "ShowWindow(TForm1, 1) at " + std::to_string(screenWidth - 16) + ",0 16x14");
  for (const sim::Window& window : machine.Windows())
    EXPECT_FALSE(window.TaskbarButton()) << window.className;
}

TEST_F(ButtonWindow, FollowsTheRightEdgeWithinHalfASecondButNeverCorrectsTheTop) {
  machine.SetScreenSize(800, 600);
  Form1->SetTop(5);
  machine.AdvanceClock(499);
  EXPECT_EQ(Form1Window().x, screenWidth - 16);
  machine.AdvanceClock(1);
  EXPECT_EQ(Form1Window().x, 784);
  EXPECT_EQ(Form1Window().y, 5);
}

TEST_F(ButtonWindow, KeepsFollowingTheEdgeWhileHidden) {
  machine.Click(Button::Right, screenWidth - 8, 7);
  machine.ChooseMenuItem("Setup");
  ASSERT_FALSE(Form1Window().visible);
  machine.SetScreenSize(1280, 1024);
  machine.AdvanceClock(500);
  EXPECT_EQ(Form1Window().x, 1264);
}

// The pictures, one row per string, one hex digit per pixel (a palette index).
const char* const normalRows[] = {"fffffffffffffff0", "f777777777777780", "f777777777777780",
                                  "f777007777007780", "f777700770077780", "f777770000777780",
                                  "f777777007777780", "f777770000777780", "f777700770077780",
                                  "f777007777007780", "f777777777777780", "f777777777777780",
                                  "f888888888888880", "0000000000000000"};
const char* const pressedRows[] = {"000000000000000f", "088888888888887f", "087777777777777f",
                                   "087777777777777f", "087770077770077f", "087777007700777f",
                                   "087777700007777f", "087777770077777f", "087777700007777f",
                                   "087777007700777f", "087770077770077f", "087777777777777f",
                                   "077777777777777f", "ffffffffffffffff"};

void ExpectPicture(const TBitmap& picture, const char* const (&rows)[14]) {
  const TBitmap::Rgb colours[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  ASSERT_EQ(picture.Width(), 16);
  ASSERT_EQ(picture.Height(), 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) {
      const int digit = std::stoi(std::string(1, rows[y][x]), nullptr, 16);
      EXPECT_EQ(picture.PaletteIndex(x, y), digit) << x << "," << y;
      EXPECT_TRUE(picture.Pixel(x, y) == colours[digit]) << x << "," << y;
    }
}

TEST_F(ButtonWindow, ShowsTheNormalPictureAndKeepsThePressedOne) {
  ExpectPicture(Form1->Image1->Picture(), normalRows);
  ExpectPicture(Form1->Image2->Picture(), pressedRows);
  ExpectPicture(Form1->Image3->Picture(), normalRows);
}

// Press and release, in the window's own coordinates (the window sits at left
// screenWidth - 16, top 0).
struct Gesture {
  const char* name;
  Button button;
  int pressX, pressY;
  int releaseX, releaseY;
  bool shutsDown;
  bool menu;
  bool staysPressed;
};

void PrintTo(const Gesture& g, std::ostream* out) {
  *out << g.name;
}

class PressAndRelease : public ButtonWindow, public testing::WithParamInterface<Gesture> {};

TEST_P(PressAndRelease, ActsOnTheRelease) {
  const Gesture& g = GetParam();
  const int left = screenWidth - 16;
  machine.Press(g.button, left + g.pressX, g.pressY);
  machine.Release(g.button, left + g.releaseX, g.releaseY);
  EXPECT_EQ(!machine.Calls("ExitWindowsEx").empty(), g.shutsDown);
  if (g.shutsDown) {
    EXPECT_EQ(machine.Calls("ExitWindowsEx"), std::vector<std::string>{"ExitWindowsEx(1, 0)"});
    EXPECT_FALSE(machine.Running());
    return;
  }
  const auto menu = machine.MenuShown();
  ASSERT_EQ(menu.has_value(), g.menu);
  if (menu) {
    EXPECT_EQ(menu->x, left + g.releaseX);
    EXPECT_EQ(menu->y, g.releaseY);
    EXPECT_TRUE(Normal()); // restored before the menu opened
    machine.DismissMenu();
  }
  EXPECT_EQ(Pressed(), g.staysPressed);
  EXPECT_EQ(Normal(), !g.staysPressed);
  EXPECT_TRUE(Form1Window().visible);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, PressAndRelease,
    testing::Values(
        Gesture{"left inside", Button::Left, 5, 5, 8, 7, true, false, false},
        Gesture{"left at the right edge plus one", Button::Left, 5, 5, 16, 3, true, false, false},
        Gesture{"left at the bottom edge plus one", Button::Left, 5, 5, 3, 14, true, false, false},
        Gesture{"left below the button", Button::Left, 5, 5, 3, 15, false, false, false},
        Gesture{"left far to the left along the top", Button::Left, 5, 5, -700, 14, true, false,
                false},
        Gesture{"left far to the left below the top rows", Button::Left, 5, 5, -700, 15, false,
                false, false},
        Gesture{"right over the button", Button::Right, 5, 5, 9, 4, false, true, false},
        Gesture{"right released off the button", Button::Right, 5, 5, -40, 40, false, false, true},
        Gesture{"right pressed elsewhere, released over", Button::Right, -300, 200, 2, 2, false,
                true, false},
        Gesture{"middle over the button", Button::Middle, 5, 5, 5, 5, false, false, true}));

TEST_F(ButtonWindow, StaysPressedWhileTheHeldPointerWandersOffAndBack) {
  const int left = screenWidth - 16;
  machine.Press(Button::Left, left + 4, 4);
  EXPECT_TRUE(Pressed());
  machine.MoveTo(left - 200, 300);
  EXPECT_TRUE(Pressed());
  machine.MoveTo(left + 4, 4);
  EXPECT_TRUE(Pressed());
  machine.Release(Button::Left, left + 4, 300);
  EXPECT_TRUE(Normal());
  EXPECT_TRUE(machine.Calls("ExitWindowsEx").empty());
}

TEST_F(ButtonWindow, MiddlePressStaysUntilTheNextLeftOrRightRelease) {
  const int left = screenWidth - 16;
  machine.Click(Button::Middle, left + 4, 4);
  EXPECT_TRUE(Pressed());
  machine.Press(Button::Left, left + 4, 4);
  machine.Release(Button::Left, left + 4, 40);
  EXPECT_TRUE(Normal());
}

TEST_F(ButtonWindow, RightClickMenuOffersTheFiveCommands) {
  machine.Click(Button::Right, screenWidth - 8, 7);
  const auto menu = machine.MenuShown();
  ASSERT_TRUE(menu);
  std::vector<std::string> captions;
  for (const sim::MenuEntry& item : menu->items)
    captions.push_back(item.separator ? "-" : item.caption);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"Shut Down", "Restart", "Log Off", "-", "Unload", "Setup"}));
  EXPECT_TRUE(menu->flags & os::TPM_RIGHTBUTTON); // either button chooses
}

struct Command {
  const char* item;
  const char* request; // the ExitWindowsEx call, or nullptr
  bool ends;
};

void PrintTo(const Command& c, std::ostream* out) {
  *out << c.item;
}

class MenuCommand : public ButtonWindow, public testing::WithParamInterface<Command> {};

TEST_P(MenuCommand, ReachesTheMachineWithoutConfirmation) {
  machine.Click(Button::Right, screenWidth - 8, 7);
  machine.ChooseMenuItem(GetParam().item);
  EXPECT_TRUE(machine.MessageBoxes().empty());
  EXPECT_EQ(machine.Calls("ExitWindowsEx"), GetParam().request
                                                ? std::vector<std::string>{GetParam().request}
                                                : std::vector<std::string>{});
  EXPECT_EQ(machine.Running(), !GetParam().ends);
  if (GetParam().ends) {
    EXPECT_EQ(machine.ExitStatus(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Items, MenuCommand,
                         testing::Values(Command{"Shut Down", "ExitWindowsEx(1, 0)", true},
                                         Command{"Restart", "ExitWindowsEx(2, 0)", true},
                                         Command{"Log Off", "ExitWindowsEx(0, 0)", true},
                                         Command{"Unload", nullptr, true}));

TEST_F(ButtonWindow, SetupHidesTheButtonAndShowsTheDialog) {
  machine.Click(Button::Right, screenWidth - 8, 7);
  machine.ChooseMenuItem("Setup");
  EXPECT_FALSE(Form1Window().visible);
  EXPECT_TRUE(machine.FindWindow("TForm2")->visible);
  EXPECT_TRUE(machine.Running());
}

} // namespace

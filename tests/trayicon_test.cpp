// The tray icon component: identifiers, the records it sends, its property rules,
// removal notifications, and the notifications its callback window turns into menus
// and events.
#include "callbackwindow.h"
#include "form1.h"
#include "machine.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using classlib::TMouseButton;
using classlib::TObject;
using classlib::TShiftState;

constexpr os::UINT WM_TRAYNOTIFY = 1224;

struct Record {
  os::DWORD cbSize;
  os::HWND hWnd;
  os::UINT uID, uFlags, uCallbackMessage;
  os::HICON hIcon;
  std::string tip;
  std::string tail; // the bytes of szTip after its terminator
};

Record Decode(const sim::TrayCall& call) {
  os::NOTIFYICONDATAA data;
  EXPECT_EQ(call.record.size(), 88u);
  std::memcpy(&data, call.record.data(), sizeof data);
  const std::size_t length = strnlen(data.szTip, sizeof data.szTip);
  return {data.cbSize,
          data.hWnd,
          data.uID,
          data.uFlags,
          data.uCallbackMessage,
          data.hIcon,
          std::string(data.szTip, length),
          std::string(data.szTip + length, data.szTip + 64)};
}

struct TrayIcons : testing::Test {
  sim::Machine machine;
  std::vector<TTrayIcon*> made;
  void SetUp() override {
    machine.doubleClickTime = 200;
    machine.Start();
    ASSERT_TRUE(machine.Running());
  }
  void TearDown() override {
    if (machine.Running())
      machine.Run([&] {
        for (TTrayIcon* icon : made) delete icon;
      });
  }
  TTrayIcon* Make() {
    TTrayIcon* icon = nullptr;
    machine.Run([&] { icon = new TTrayIcon(Form1); });
    made.push_back(icon);
    return icon;
  }
  void Destroy(TTrayIcon* icon) {
    machine.Run([&] { delete icon; });
    std::erase(made, icon);
  }
  // A visible icon showing the program icon.
  TTrayIcon* Shown(const std::string& tip = "tip") {
    TTrayIcon* icon = Make();
    machine.Run([&] {
      icon->SetIcon(Form1->TrayIcon1->Icon());
      icon->SetTipHelp(tip);
      icon->SetVisible(true);
    });
    return icon;
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (int i = 0; i < TrayIconList->Count(); ++i)
      ids.push_back(static_cast<TTrayIcon*>(TrayIconList->Objects(i))->IconID());
    return ids;
  }
  void Notify(TTrayIcon* icon, os::LPARAM message) {
    machine.Post(CallbackWindow->Handle(), WM_TRAYNOTIFY, static_cast<os::WPARAM>(icon->IconID()),
                 message);
  }
};

TEST_F(TrayIcons, IdentifiersGrowFromTheLastAndAreNeverReusedWhileAlive) {
  machine.Run([] {
    delete Form1->TrayIcon1;
    Form1->TrayIcon1 = nullptr;
  });
  TTrayIcon* first = Make();
  TTrayIcon* second = Make();
  EXPECT_EQ(first->IconID(), 1);
  EXPECT_EQ(second->IconID(), 2);
  Destroy(second);
  EXPECT_EQ(Make()->IconID(), 2);
  Destroy(first);
  EXPECT_EQ(Make()->IconID(), 3);
  EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
}

TEST_F(TrayIcons, TheHundredAndFirstIsRefusedWithoutDisturbingTheOthers) {
  while (TrayIconList->Count() < 100) Make();
  const std::vector<int> before = Ids();
  try {
    Make();
    ADD_FAILURE() << "the 101st instance was made";
  } catch (const classlib::EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "\x83\x5e\x83\x58\x83\x4e\x83\x67\x83\x8c\x83\x43\x82\xc9\x83\x41\x83"
                           "\x43\x83\x52\x83\x93\x82\xf0\x93\x6f\x98\x5e\x82\xc5\x82\xab\x82\xdc"
                           "\x82\xb9\x82\xf1\x81\x42");
    EXPECT_EQ(e.Message().size(), 40u);
  }
  made.pop_back();
  EXPECT_EQ(Ids(), before);
  EXPECT_EQ(before.back(), 100);
}

TEST_F(TrayIcons, AddSendsTheWholeRecordToTheCallbackWindow) {
  TTrayIcon* icon = Shown("RUVOK for WIN32");
  const auto calls = machine.TrayCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().message, os::NIM_ADD);
  const Record r = Decode(calls.back());
  EXPECT_EQ(r.cbSize, 88u);
  EXPECT_EQ(r.hWnd, machine.FindWindow("TCallbackWindow")->handle);
  EXPECT_EQ(r.uID, static_cast<os::UINT>(icon->IconID()));
  EXPECT_EQ(r.uFlags, 7u);
  EXPECT_EQ(r.uCallbackMessage, WM_TRAYNOTIFY);
  EXPECT_EQ(r.hIcon, icon->Icon()->Handle());
  EXPECT_NE(r.hIcon, os::HICON{});
  EXPECT_EQ(r.tip, "RUVOK for WIN32");
  EXPECT_EQ(r.tail, std::string(64 - 15, '\0'));
  EXPECT_TRUE(icon->Registered());
}

TEST_F(TrayIcons, TipIsCutTo62BytesAndAnUnchangedTipSendsNothing) {
  TTrayIcon* icon = Shown();
  const std::size_t before = machine.TrayCalls().size();
  const std::string seventy(70, 'x');
  machine.Run([&] { icon->SetTipHelp(seventy); });
  auto calls = machine.TrayCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().message, os::NIM_MODIFY);
  EXPECT_EQ(Decode(calls.back()).tip, std::string(62, 'x'));
  EXPECT_EQ(icon->TipHelp(), std::string(62, 'x'));
  machine.Run([&] { icon->SetTipHelp(std::string(62, 'x')); });
  EXPECT_EQ(machine.TrayCalls().size(), before + 1);
  machine.Run([&] { icon->SetTipHelp(""); });
  calls = machine.TrayCalls();
  EXPECT_EQ(Decode(calls.back()).uFlags, 3u);
  EXPECT_EQ(Decode(calls.back()).tail, std::string(64, '\0'));
}

TEST_F(TrayIcons, AnEmptyTipAddsWithoutOne) {
  Shown("");
  const Record r = Decode(machine.TrayCalls().back());
  EXPECT_EQ(machine.TrayCalls().back().message, os::NIM_ADD);
  EXPECT_EQ(r.uFlags, 3u);
}

TEST_F(TrayIcons, HidingDeletesWithTheRecordOfTheAdd) {
  TTrayIcon* icon = Shown();
  const Record added = Decode(machine.TrayCalls().back());
  machine.Run([&] { icon->SetVisible(false); });
  const auto last = machine.TrayCalls().back();
  EXPECT_EQ(last.message, os::NIM_DELETE);
  EXPECT_EQ(Decode(last).hWnd, added.hWnd);
  EXPECT_EQ(Decode(last).uID, added.uID);
  EXPECT_FALSE(icon->Registered());
  EXPECT_EQ(machine.TrayIconCount(), Form1->TrayIcon1->Registered() ? 1u : 0u);
}

TEST_F(TrayIcons, WithoutAnImageItStaysInvisibleAndAddsNothing) {
  TTrayIcon* icon = Make();
  const std::size_t before = machine.TrayCalls().size();
  machine.Run([&] { icon->SetVisible(true); });
  EXPECT_FALSE(icon->Visible());
  EXPECT_EQ(machine.TrayCalls().size(), before);
}

TEST_F(TrayIcons, ARefusedAddRaisesAndIsNotRetriedUntilHiddenAgain) {
  TTrayIcon* icon = Make();
  machine.Run([&] { icon->SetIcon(Form1->TrayIcon1->Icon()); });
  machine.trayRefusesAdd = true;
  EXPECT_THROW(machine.Run([&] { icon->SetVisible(true); }), classlib::EOutOfMemory);
  EXPECT_TRUE(icon->Visible());
  EXPECT_FALSE(icon->Registered());
  machine.trayRefusesAdd = false;
  const std::size_t before = machine.TrayCalls().size();
  machine.Run([&] { icon->SetVisible(true); });
  EXPECT_EQ(machine.TrayCalls().size(), before);
  machine.Run([&] {
    icon->SetVisible(false);
    icon->SetVisible(true);
  });
  EXPECT_EQ(machine.TrayCalls().size(), before + 1); // no delete: it was never there
  EXPECT_TRUE(icon->Registered());
}

// Explorer restarting takes every icon with it; the shell then tells the top-level
// windows, and each visible icon comes back, one whose add was refused included.
TEST_F(TrayIcons, ANewNotificationAreaGetsEveryVisibleIconBack) {
  TTrayIcon* shown = Shown("shown");
  TTrayIcon* hidden = Make();
  machine.Run([&] { hidden->SetIcon(Form1->TrayIcon1->Icon()); });
  TTrayIcon* refused = Make();
  machine.Run([&] { refused->SetIcon(Form1->TrayIcon1->Icon()); });
  machine.trayRefusesAdd = true;
  EXPECT_THROW(machine.Run([&] { refused->SetVisible(true); }), classlib::EOutOfMemory);
  machine.trayRefusesAdd = false;
  const std::size_t before = machine.TrayCalls().size();

  machine.NotificationAreaCreated();

  const auto calls = machine.TrayCalls();
  std::vector<std::pair<os::UINT, std::string>> added;
  for (std::size_t i = before; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].message, os::NIM_ADD);
    EXPECT_TRUE(calls[i].succeeded);
    const Record r = Decode(calls[i]);
    EXPECT_EQ(r.hWnd, CallbackWindow->Handle());
    added.emplace_back(r.uID, r.tip);
  }
  const std::vector<std::pair<os::UINT, std::string>> expected = {
      {1, "RUVOK for WIN32"}, {shown->IconID(), "shown"}, {refused->IconID(), "TipHelp"}};
  EXPECT_EQ(added, expected);
  EXPECT_EQ(machine.TrayIconCount(), 3u);
  EXPECT_TRUE(refused->Registered());
  EXPECT_FALSE(hidden->Registered());
  EXPECT_TRUE(machine.MessageBoxes().empty());
}

// Nobody asked for the new add, so a refusal is not reported; the icon stays visible
// and comes back with the next notification area.
TEST_F(TrayIcons, ARefusalAfterTheShellRestartedIsQuietAndWaitsForTheNextStart) {
  TTrayIcon* icon = Shown();
  machine.trayRefusesAdd = true;
  machine.NotificationAreaCreated();
  EXPECT_TRUE(machine.Running());
  EXPECT_TRUE(machine.MessageBoxes().empty());
  EXPECT_TRUE(icon->Visible());
  EXPECT_EQ(machine.TrayIconCount(), 0u);
  machine.trayRefusesAdd = false;
  machine.NotificationAreaCreated();
  EXPECT_EQ(machine.TrayIconCount(), 2u);
  Destroy(icon);
  EXPECT_EQ(machine.TrayIconCount(), 1u);
}

TEST_F(TrayIcons, TakingTheIconAwayModifiesThenDeletes) {
  TTrayIcon* icon = Shown();
  const std::size_t before = machine.TrayCalls().size();
  machine.Run([&] { icon->SetIcon(nullptr); });
  const auto calls = machine.TrayCalls();
  ASSERT_EQ(calls.size(), before + 2);
  EXPECT_EQ(calls[before].message, os::NIM_MODIFY);
  EXPECT_EQ(Decode(calls[before]).hIcon, os::HICON{});
  EXPECT_EQ(calls[before + 1].message, os::NIM_DELETE);
  EXPECT_FALSE(icon->Visible());
}

TEST_F(TrayIcons, ARefusedModifyRaisesAndLeavesTheIconShown) {
  TTrayIcon* icon = Shown();
  machine.trayRefusesModify = true;
  EXPECT_THROW(machine.Run([&] { icon->SetIcon(nullptr); }), classlib::EOutOfMemory);
  EXPECT_TRUE(icon->Visible());
  EXPECT_TRUE(icon->Registered());
}

TEST_F(TrayIcons, DestroyingARegisteredIconDeletesIt) {
  TTrayIcon* icon = Shown();
  const std::size_t before = machine.TrayIconCount();
  Destroy(icon);
  EXPECT_EQ(machine.TrayCalls().back().message, os::NIM_DELETE);
  EXPECT_EQ(machine.TrayIconCount(), before - 1);
}

TEST_F(TrayIcons, AnimateRateIsAtLeast100) {
  TTrayIcon* icon = Make();
  for (const auto& [written, read] :
       std::vector<std::pair<int, int>>{{20, 100}, {100, 100}, {250, 250}, {-5, 100}}) {
    machine.Run([&] { icon->SetAnimateRate(written); });
    EXPECT_EQ(icon->AnimateRate(), read) << written;
  }
}

TEST_F(TrayIcons, DestroyedMenusAndImageListsAreLetGo) {
  TTrayIcon* icon = Make();
  classlib::TPopupMenu *left = nullptr, *right = nullptr, *both = nullptr;
  classlib::TImageList* frames = nullptr;
  machine.Run([&] {
    left = new classlib::TPopupMenu(Form1);
    right = new classlib::TPopupMenu(Form1);
    frames = new classlib::TImageList(Form1);
    icon->SetLBPopupMenu(left);
    icon->SetRBPopupMenu(right);
    icon->SetAnimateIcons(frames);
    delete left;
    delete frames;
  });
  EXPECT_EQ(icon->LBPopupMenu(), nullptr);
  EXPECT_EQ(icon->RBPopupMenu(), right);
  EXPECT_EQ(icon->AnimateIcons(), nullptr);
  machine.Run([&] {
    delete right;
    both = new classlib::TPopupMenu(Form1);
    icon->SetLBPopupMenu(both);
    icon->SetRBPopupMenu(both);
    delete both;
  });
  EXPECT_EQ(icon->LBPopupMenu(), nullptr);
  EXPECT_EQ(icon->RBPopupMenu(), nullptr);
}

// Records every event of an icon, in order.
struct Recorder {
  std::vector<std::string> events;
  void Attach(TTrayIcon* icon, const std::string& name = "") {
    icon->OnClick = [this, name](TObject*) { events.push_back(name + "click"); };
    icon->OnDblClick = [this, name](TObject*) { events.push_back(name + "dbl"); };
  }
  void AttachMouse(TTrayIcon* icon) {
    auto button = [](TMouseButton b) {
      return b == TMouseButton::mbLeft ? "left" : b == TMouseButton::mbRight ? "right" : "middle";
    };
    icon->OnMouseDown = [this, button](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      events.push_back(std::string("down ") + button(b) + " " + std::to_string(s) + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    icon->OnMouseUp = [this, button](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      events.push_back(std::string("up ") + button(b) + " " + std::to_string(s) + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    icon->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) {
      events.push_back("move " + std::to_string(s) + " " + std::to_string(x) + "," +
                       std::to_string(y));
    };
  }
};

using Events = std::vector<std::string>;

TEST_F(TrayIcons, MouseMessagesBecomeEventsAtThePointer) {
  TTrayIcon* icon = Shown();
  Recorder r;
  machine.Run([&] { r.AttachMouse(icon); });
  machine.MoveTo(300, 200);
  for (os::LPARAM message : {512, 513, 514, 516, 517, 518, 519, 520}) Notify(icon, message);
  const std::string l = std::to_string(classlib::ssLeft), rt = std::to_string(classlib::ssRight),
                    m = std::to_string(classlib::ssMiddle);
  EXPECT_EQ(r.events,
            (Events{"move 0 300,200", "down left " + l + " 300,200", "up left " + l + " 300,200",
                    "down right " + rt + " 300,200", "up right " + rt + " 300,200",
                    "down middle " + m + " 300,200", "up middle " + m + " 300,200"}));
  EXPECT_FALSE(machine.MenuShown());
}

TEST_F(TrayIcons, UnknownIdentifiersAndDisabledIconsAreIgnored) {
  TTrayIcon* icon = Shown();
  Recorder r;
  machine.Run([&] {
    r.AttachMouse(icon);
    r.Attach(icon);
  });
  machine.Post(CallbackWindow->Handle(), WM_TRAYNOTIFY, 999, 513);
  machine.Run([&] { icon->SetEnabled(false); });
  for (os::LPARAM message : {512, 513, 514, 515, 516}) Notify(icon, message);
  EXPECT_TRUE(r.events.empty());
  EXPECT_EQ(machine.LiveThreads(), 0);
}

TEST_F(TrayIcons, APressOpensItsMenuAfterBringingTheOwnerForward) {
  TTrayIcon* icon = Shown();
  Recorder r;
  machine.Run([&] {
    r.AttachMouse(icon);
    icon->SetLBPopupMenu(Form1->PopupMenu1);
    icon->SetRBPopupMenu(Form1->PopupMenu2);
  });
  machine.MoveTo(40, 30);
  Notify(icon, 513);
  auto menu = machine.MenuShown();
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->items.size(), 3u);
  EXPECT_EQ(menu->items[0].caption, "Shut Down");
  EXPECT_EQ(menu->x, 40);
  EXPECT_EQ(menu->y, 30);
  const auto calls = machine.Calls();
  const auto foreground = std::find(calls.begin(), calls.end(), "SetForegroundWindow(TForm1)");
  ASSERT_NE(foreground, calls.end());
  EXPECT_EQ(*(calls.end() - 1), "TrackPopupMenu(40, 30)");
  machine.DismissMenu();
  Notify(icon, 516);
  menu = machine.MenuShown();
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->items[0].caption, "Unload");
  machine.DismissMenu();
  EXPECT_TRUE(r.events.empty()); // the menus take the presses
  machine.Run([&] { icon->SetAutoPopup(false); });
  Notify(icon, 513);
  EXPECT_FALSE(machine.MenuShown());
  EXPECT_EQ(r.events.size(), 1u);
}

// Real delay threads: the double-click time is 200 ms, so each delay is 250 ms.
struct Clicks : TrayIcons {
  Recorder r;
  TTrayIcon* icon = nullptr;
  void SetUp() override {
    TrayIcons::SetUp();
    icon = Shown();
    machine.Run([&] { r.Attach(icon); });
  }
  void Send(std::initializer_list<os::LPARAM> messages) {
    for (os::LPARAM message : messages) Notify(icon, message);
  }
  void WaitForTheDelays() { ASSERT_TRUE(machine.WaitForThreads(std::chrono::seconds(10))); }
};

TEST_F(Clicks, ASingleClickFiresOnceAfterTheDelay) {
  Send({513, 514});
  EXPECT_TRUE(r.events.empty());
  WaitForTheDelays();
  EXPECT_EQ(r.events, Events{"click"});
}

TEST_F(Clicks, ADoubleClickFiresOnlyTheDoubleClick) {
  Send({513, 514, 515, 514});
  WaitForTheDelays();
  EXPECT_EQ(r.events, Events{"dbl"});
}

TEST_F(Clicks, ATripleClickFiresTheDoubleClickThenOneClick) {
  Send({513, 514, 515, 514, 513, 514});
  WaitForTheDelays();
  EXPECT_EQ(r.events, (Events{"dbl", "click"}));
}

TEST_F(Clicks, AHeldSecondPressFiresTheClickAndAnotherAfterItsRelease) {
  Send({513, 514, 515});
  WaitForTheDelays();
  EXPECT_EQ(r.events, (Events{"dbl", "click"}));
  Send({514});
  WaitForTheDelays();
  EXPECT_EQ(r.events, (Events{"dbl", "click", "click"}));
}

TEST_F(Clicks, AMouseUpHandlerTakesTheReleaseInstead) {
  machine.Run([&] {
    icon->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
      r.events.push_back("up");
    };
  });
  Send({513, 514});
  WaitForTheDelays();
  EXPECT_EQ(r.events, Events{"up"});
}

TEST_F(Clicks, DisablingCancelsAPendingClick) {
  Send({513, 514});
  machine.Run([&] { icon->SetEnabled(false); });
  WaitForTheDelays();
  EXPECT_TRUE(r.events.empty());
}

// The delay reports to the icon of the latest notification.
TEST_F(Clicks, TheClickGoesToTheIconOfTheLatestNotification) {
  TTrayIcon* other = Shown();
  machine.Run([&] { r.Attach(other, "other "); });
  Send({513, 514});
  Notify(other, 513);
  Notify(other, 514);
  WaitForTheDelays();
  EXPECT_EQ(r.events, Events{"other click"});
}

} // namespace

"""The tray icon of the real program under Wine: the callback window's menus, a click
on the icon, its removal at Unload, and its return when the shell starts anew."""

import unittest

import ruvok
import winehost

WM_TRAYNOTIFY = 1224
NIM_ADD, NIM_DELETE = "00000000", "00000002"
TRUE, FALSE = "00000001", "00000000"
TRAY = "Wine System Tray"


def icon_region(tray):
    """Where Wine draws the first icon in its tray window: x, y, width, height."""
    return tray.x + 5, tray.y + 24, 16, 16


class Tray(unittest.TestCase):
    def test_left_press_opens_the_session_menu_at_the_pointer(self):
        with winehost.Machine() as machine:
            process, _ = ruvok.start(machine)
            self.assertEqual([c[0] for c in process.wait_call("Shell_NotifyIconA")], [NIM_ADD])
            machine.move(400, 300)
            machine.post_message("TCallbackWindow", WM_TRAYNOTIFY, 1, 513)
            menu = ruvok.menu_window(machine, items=3)
            self.assertEqual((menu.window.x, menu.window.y), (400, 300))
            ruvok.choose(machine, menu, ["Shut Down", "Restart", "Log Off"], "Log Off")
            self.assertEqual(process.wait(), 0)
            self.assertEqual(process.calls("ExitWindowsEx"), [("00000000", "00000000")])

    def test_right_press_opens_unload_and_unload_removes_the_icon(self):
        with winehost.Machine() as machine:
            process, _ = ruvok.start(machine)
            process.wait_call("Shell_NotifyIconA")
            machine.move(300, 200)
            machine.post_message("TCallbackWindow", WM_TRAYNOTIFY, 1, 516)
            menu = ruvok.menu_window(machine, items=2)
            self.assertEqual((menu.window.x, menu.window.y), (300, 200))
            ruvok.choose(machine, menu, ["Unload", "Setup"], "Unload")
            self.assertEqual(process.wait(), 0)
            self.assertEqual([c[0] for c in process.calls("Shell_NotifyIconA")], [NIM_ADD, NIM_DELETE])
            self.assertEqual(process.calls("ExitWindowsEx"), [])

    def test_a_click_on_the_icon_opens_its_menu_and_a_click_elsewhere_closes_it(self):
        with winehost.Machine() as machine:
            process, _ = ruvok.start(machine)
            process.wait_call("Shell_NotifyIconA")
            tray = machine.tray_window()
            machine.click(tray.x + 5 + 8, tray.y + 24 + 8)
            menu = ruvok.menu_window(machine, items=3)
            machine.click(600, 500)
            machine.wait_no_window(where=lambda w: w.id == menu.window.id)
            self.assertTrue(process.running())
            self.assertEqual(process.calls("ExitWindowsEx"), [])

    def test_the_icon_comes_back_when_the_shell_starts_anew(self):
        with winehost.Machine(relay=winehost.DEFAULT_RELAY + ("user32.MessageBoxA",)) as machine:
            process, _ = ruvok.start(machine)
            process.wait_call("Shell_NotifyIconA")
            # Drawn: the icon's square holds more than the tray's background colour.
            icon = machine.wait_pixels(*icon_region(machine.tray_window()),
                                       lambda rows: len({c for row in rows for c in row}) > 1)
            known = {(w["hwnd"], w["class"]) for w in machine.win32_windows(process, all=True)}

            # A shell that ends takes its icons with it; Wine's tray window goes
            # when it holds none.
            self.assertTrue(machine.tray_delete("TCallbackWindow", 1))
            machine.wait_no_window(name=TRAY)

            machine.broadcast("reg:TaskbarCreated")
            calls = process.wait_call("Shell_NotifyIconA", count=2)
            self.assertEqual([c[0] for c in calls], [NIM_ADD, NIM_ADD])
            returns = winehost.wait_until(lambda: process.returns("Shell_NotifyIconA")[1:],
                                          what="the second add to return")
            self.assertEqual(returns, [TRUE])
            machine.wait_pixels(*icon_region(machine.tray_window()), lambda rows: rows == icon)
            self.assertTrue(process.running())

            # The icon is still there: Wine refuses the add as a duplicate.
            machine.broadcast("reg:TaskbarCreated")
            calls = process.wait_call("Shell_NotifyIconA", count=3)
            self.assertEqual([c[0] for c in calls], [NIM_ADD] * 3)
            returns = winehost.wait_until(lambda: process.returns("Shell_NotifyIconA")[2:],
                                          what="the third add to return")
            self.assertEqual(returns, [FALSE])
            self.assertEqual(machine.screenshot(*icon_region(machine.tray_window())), icon)

            # No message box for either add: the probe takes seconds to start,
            # long after one would have opened, and nothing closes it.
            self.assertEqual({(w["hwnd"], w["class"]) for w in machine.win32_windows(process, all=True)},
                             known)
            self.assertEqual(process.calls("MessageBoxA"), [])
            self.assertTrue(process.running())

            machine.move(300, 200)
            machine.post_message("TCallbackWindow", WM_TRAYNOTIFY, 1, 516)
            menu = ruvok.menu_window(machine, items=2)
            ruvok.choose(machine, menu, ["Unload", "Setup"], "Unload")
            self.assertEqual(process.wait(), 0)
            self.assertEqual([c[0] for c in process.calls("Shell_NotifyIconA")], [NIM_ADD] * 3 + [NIM_DELETE])
            machine.wait_no_window(name=TRAY)


if __name__ == "__main__":
    unittest.main()

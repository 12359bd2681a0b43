"""The tray icon of the real program under Wine: the callback window's menus, a click
on the icon, and its removal at Unload."""

import unittest

import ruvok
import winehost

WM_TRAYNOTIFY = 1224
NIM_ADD, NIM_DELETE = "00000000", "00000002"


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


if __name__ == "__main__":
    unittest.main()

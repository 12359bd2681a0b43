"""The corner button of the real program under Wine: its pictures, the click, the
release outside it, and its right-click menu."""

import unittest

import ruvok
import winehost


class Button(unittest.TestCase):
    def test_shows_pressed_while_held_and_a_click_shuts_down(self):
        with winehost.Machine() as machine:
            process, button = ruvok.start(machine)
            self.assertEqual(machine.screenshot(button.x, button.y, *ruvok.BUTTON), ruvok.picture("normal"))
            machine.move(button.x + 8, 7)
            machine.mouse_down(1)
            machine.wait_pixels(button.x, button.y, *ruvok.BUTTON, lambda rows: rows == ruvok.picture("pressed"))
            machine.mouse_up(1)
            self.assertEqual(process.wait(), 0)
            self.assertEqual(process.calls("ExitWindowsEx"), [("00000001", "00000000")])

    def test_a_release_below_the_button_requests_nothing(self):
        with winehost.Machine() as machine:
            process, button = ruvok.start(machine)
            machine.move(button.x + 8, 7)
            machine.mouse_down(1)
            machine.wait_pixels(button.x, button.y, *ruvok.BUTTON, lambda rows: rows == ruvok.picture("pressed"))
            machine.move(button.x + 8, 15)
            machine.mouse_up(1)
            machine.wait_pixels(button.x, button.y, *ruvok.BUTTON, lambda rows: rows == ruvok.picture("normal"))
            machine.probe("platform")  # seconds for a request that should not come
            self.assertTrue(process.running())
            self.assertEqual(process.calls("ExitWindowsEx"), [])

    def test_the_right_click_menu_reaches_each_command(self):
        with winehost.Machine() as machine:
            for caption, request in (("Shut Down", 1), ("Restart", 2), ("Log Off", 0), ("Unload", None)):
                with self.subTest(caption=caption):
                    process, button = ruvok.start(machine)
                    machine.click(button.x + 8, 7, button=3)
                    menu = ruvok.menu_window(machine, items=5, separators=1)
                    ruvok.choose(machine, menu, ruvok.BUTTON_MENU, caption)
                    self.assertEqual(process.wait(), 0)
                    expected = [] if request is None else [("%08x" % request, "00000000")]
                    self.assertEqual(process.calls("ExitWindowsEx"), expected)

    def test_has_no_taskbar_entry(self):
        with winehost.Machine() as machine:
            process, _ = ruvok.start(machine)
            windows = machine.win32_windows(process)
            self.assertIn("TForm1", [w["class"] for w in windows])
            self.assertEqual([w for w in windows if w["taskbar"]], [])


if __name__ == "__main__":
    unittest.main()

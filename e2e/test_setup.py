"""The About and setup dialog and the settings file of the real program under Wine."""

import os
import unittest

import ruvok
import winehost


class Setup(unittest.TestCase):
    def ini(self, machine):
        return os.path.join(machine.install_dir, "ruvok95.ini")

    def test_stay_on_top_and_ok_write_the_file_and_bring_the_button_back(self):
        with winehost.Machine() as machine:
            process, button = ruvok.start(machine)
            dialog = ruvok.open_setup(machine, button)
            width, height = machine.screen
            self.assertEqual((dialog.x, dialog.y), ((width - dialog.width) // 2, (height - dialog.height) // 2))
            machine.wait_no_window(size=ruvok.BUTTON, where=lambda w: w.id == button.id)
            self.assertFalse(os.path.exists(self.ini(machine)))
            ruvok.click_in_dialog(machine, dialog, *ruvok.STAY_ON_TOP)
            ruvok.click_in_dialog(machine, dialog, *ruvok.OK_BUTTON)
            ruvok.wait_button(machine)
            machine.wait_no_window(size=ruvok.DIALOG)
            self.assertEqual(ruvok.read_ini(self.ini(machine)),
                             {"ExitButton": {"StayOnTop": "1"}, "TrayIcon": {"Visible": "1"}})
            self.assertTrue(process.running())

    def test_enter_on_the_dialog_acts_as_ok(self):
        with winehost.Machine() as machine:
            _, button = ruvok.start(machine)
            ruvok.open_setup(machine, button)
            machine.key("Return")
            ruvok.wait_button(machine)
            self.assertEqual(ruvok.read_ini(self.ini(machine)),
                             {"ExitButton": {"StayOnTop": "0"}, "TrayIcon": {"Visible": "1"}})

    def test_leaving_by_unload_writes_no_file(self):
        with winehost.Machine() as machine:
            process, button = ruvok.start(machine)
            dialog = ruvok.open_setup(machine, button)
            ruvok.click_in_dialog(machine, dialog, *ruvok.STAY_ON_TOP)
            ruvok.click_in_dialog(machine, dialog, 192, 40, 73, 25)  # Unload
            self.assertEqual(process.wait(), 0)
            self.assertEqual(os.listdir(machine.install_dir), ["ruvok95.exe"])

    def test_visible_0_in_the_file_adds_no_icon(self):
        with winehost.Machine() as machine:
            with open(self.ini(machine), "wb") as f:
                f.write(b"[TrayIcon]\r\nVisible=0\r\n")
            process, _ = ruvok.start(machine)
            self.assertEqual(process.calls("Shell_NotifyIconA"), [])
            machine.probe("platform")  # seconds for an add that should not come
            self.assertEqual(process.calls("Shell_NotifyIconA"), [])


if __name__ == "__main__":
    unittest.main()

"""Program start, the single-instance guard and the command-line switches, in the real
program under Wine."""

import unittest

import ruvok
import winehost

PRIVILEGE = ["OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges"]


class Start(unittest.TestCase):
    def test_button_appears_and_a_second_copy_exits_with_status_one(self):
        with winehost.Machine() as machine:
            first, button = ruvok.start(machine)
            status, second = machine.run(winehost.program_exe(), "/S")
            self.assertEqual(status, 1)
            self.assertEqual(second.calls("ExitWindowsEx"), [])
            self.assertTrue(first.running())
            self.assertEqual([w.id for w in machine.windows(size=ruvok.BUTTON)], [button.id])

    def test_each_switch_requests_its_action_after_the_privilege(self):
        with winehost.Machine() as machine:
            for argument, flag in (("/s", 1), ("/r", 2), ("/l", 0), ("/S", 1)):
                with self.subTest(argument=argument):
                    status, process = machine.run(winehost.program_exe(), argument)
                    self.assertEqual(status, 0)
                    calls = ruvok.session_calls(process)
                    self.assertEqual([f for f, _ in calls], PRIVILEGE + ["ExitWindowsEx"])
                    self.assertEqual(calls[0][1][1], "000f00ff")
                    self.assertIn('"SeShutdownPrivilege"', calls[1][1][1])
                    self.assertEqual(calls[-1][1], ("%08x" % flag, "00000000"))

    def test_an_unknown_switch_requests_nothing_and_keeps_running(self):
        with winehost.Machine() as machine:
            process, _ = ruvok.start(machine, "/SHUTDOWN")
            machine.probe("platform")  # gives the idle handler seconds to act
            self.assertTrue(process.running())
            self.assertEqual(ruvok.session_calls(process), [])

    def test_the_windows_98_family_needs_no_privilege(self):
        with winehost.Machine(windows98=True) as machine:
            self.assertEqual(machine.platform_id(), 1)
            status, process = machine.run(winehost.program_exe(), "/S")
            self.assertEqual(status, 0)
            self.assertEqual(ruvok.session_calls(process), [("ExitWindowsEx", ("00000001", "00000000"))])


if __name__ == "__main__":
    unittest.main()

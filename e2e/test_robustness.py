"""What the system's GetPrivateProfileIntA makes of the values and damage a settings
file may hold, read under Wine.  The simulated machine the unit tests run on reads
settings files; these tables are what it has to answer too."""

import os
import unittest

import winehost

DEFAULT = 77

# A line of [Values] and what its key reads as, with the default 77.
VALUES = [
    ("One=1", 1),
    ("Zero=0", 0),
    ("Two=2", 2),
    ("MinusOne=-1", 0xFFFFFFFF),
    ("Letters=abc", 0),
    ("LeadingBlank= 1", 1),
    ("DigitThenLetter=1x", 1),
    ("Hex=0x10", 16),
    ("MinusHex=-0x10", 0xFFFFFFF0),
    ("Binary=0b11", 3),
    ("LeadingZero=010", 10),
    ("Empty=", DEFAULT),
    ("Padded=  7  ", 7),
    ("Tab=\t8", 8),
    ("Plus=+3", 3),
    ("Quoted=\"5\"", 5),
    # Past 32 bits the value wraps around.
    ("Huge=99999999999", 99999999999 % 2**32),
]

# Every byte value once, NUL, CR, LF and 0xFF among them, in a scrambled order
# that starts with none of the byte order marks.
GARBAGE = bytes((i * 167 + 13) % 256 for i in range(256))
SETTINGS = b"[ExitButton]\r\nStayOnTop=1\r\n"

# A damaged file and what [ExitButton] StayOnTop reads as, with the default 77.
DAMAGED = [
    # The garbage's last line runs on into the section name: no section.
    ("garbage-then-settings.ini", GARBAGE + SETTINGS, DEFAULT),
    ("garbage-line-then-settings.ini", GARBAGE + b"\r\n" + SETTINGS, 1),
    ("only-garbage.ini", GARBAGE, DEFAULT),
    # FF FE starts UTF-16 text: the whole file reads as that.
    ("utf16-mark-then-settings.ini", b"\xff\xfe" + GARBAGE + b"\r\n" + SETTINGS, DEFAULT),
    ("utf16-settings.ini", b"\xff\xfe" + SETTINGS.decode().encode("utf-16-le"), 1),
]


class ProfileInt(unittest.TestCase):
    maxDiff = None

    def test_values_and_damaged_files_read_as_the_system_reads_them(self):
        with winehost.Machine() as machine:
            folder = "C:\\Profiles"
            os.makedirs(machine.linux_path(folder))

            def write(name, data):
                with open(machine.linux_path(folder + "\\" + name), "wb") as f:
                    f.write(data)
                return folder + "\\" + name

            lines = [line for line, _ in VALUES] + ["[Other]", "Elsewhere=4"]
            values = write("values.ini", ("[Values]\r\n" + "\r\n".join(lines) + "\r\n").encode())
            # A NUL ends a key's name.
            nul_in_name = write("nul-in-name.ini", b"[ExitButton]\r\nStayOnTop\0junk=1\r\n")
            # (what is asked, file, section, key, default, what it reads as)
            cases = [(line, values, "Values", line.partition("=")[0], DEFAULT, want) for line, want in VALUES]
            cases += [
                ("a key of another section", values, "Values", "Elsewhere", DEFAULT, DEFAULT),
                ("that key in its section", values, "Other", "Elsewhere", DEFAULT, 4),
                ("a missing key", values, "Values", "Missing", DEFAULT, DEFAULT),
                ("a missing key, default -2", values, "Values", "Missing", -2, 2**32 - 2),
                ("an empty value, default -2", values, "Values", "Empty", -2, 2**32 - 2),
                ("a missing section", values, "Nowhere", "One", DEFAULT, DEFAULT),
                ("a missing file", folder + "\\missing.ini", "Values", "One", DEFAULT, DEFAULT),
                ("a NUL after a key's name", nul_in_name, "ExitButton", "StayOnTop", DEFAULT, 1),
            ]
            cases += [(name, write(name, data), "ExitButton", "StayOnTop", DEFAULT, want)
                      for name, data, want in DAMAGED]

            got = machine.profile_ints([c[1:5] for c in cases])
            self.assertEqual(dict(zip([c[0] for c in cases], got)), {c[0]: c[5] for c in cases})


if __name__ == "__main__":
    unittest.main()

"""What the system's GetPrivateProfileIntA makes of the values and damage a settings
file may hold, read under Wine.  The unit tests' simulated machine reads the same
files from the same listing and must answer the same."""

import os
import shutil
import unittest

import winehost

DATA = os.path.join(winehost.source_dir(), "..", "tests", "data")


def cases():
    """(what, file, section, key, default, the number read) from the listing."""
    with open(os.path.join(DATA, "profile_reading.txt"), encoding="ascii") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if not line.startswith("#")]
    return [(what, name, section, key, int(default), int(want))
            for name, section, key, default, want, what in rows]


class ProfileInt(unittest.TestCase):
    maxDiff = None

    def test_values_and_damaged_files_read_as_the_system_reads_them(self):
        with winehost.Machine() as machine:
            folder = "C:\\Profiles"
            shutil.copytree(os.path.join(DATA, "profiles"), machine.linux_path(folder))
            table = cases()
            got = machine.profile_ints(
                [(folder + "\\" + name, section, key, default)
                 for _, name, section, key, default, _ in table])
            self.assertEqual(dict(zip([c[0] for c in table], got)), {c[0]: c[5] for c in table})


if __name__ == "__main__":
    unittest.main()

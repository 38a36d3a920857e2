"""Bad input and faults, end to end under Wine: each run ends normally with
a clear message, and no hub is programmed with an image it should not get.
"""
import os
import random
import shutil
import time
import unittest

import harness

HUB = """[Hub{n}]
VendorId=1A2B
ProductId=0D12
FirmwareVersion=0001
ChipRevision=10
ChipOptions=00
Depth={n}
"""

SETTINGS = """[TargetID_U3]
1A2B0D12=0D12
[HUBName]
WantuUpdateHUBName=Fault Hub
"""

GOOD_IMAGE = """ImageId=0D12
Flags=00
Version=0100
"""

NO_IMAGE = ("Device(1):\n\t\t!!!Error. Either the FW not found\n\t Or FW is incorrect for HUB chip version\n"
            " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a")


def setUpModule():
    harness.register_driver()


class Faults(harness.WineTestCase):
    def setUp(self):
        self.kit = self.folder()
        self.log = os.path.join(self.kit.path, "calls.log")
        self.describe(hubs=1)
        self.kit.write("SpiFlash.ini", SETTINGS)
        self.image("FW", GOOD_IMAGE)

    def describe(self, hubs, library=""):
        self.kit.write("TZ415Sim.ini", library + "".join(HUB.format(n=n + 1) for n in range(hubs)))

    def image(self, name, description):
        return harness.make_image(os.path.join(self.kit.path, "Binfile"), name, description)

    def run_updater(self):
        started = time.monotonic()
        status, out, err = self.kit.run(env={"TZ415SIM_LOG": self.log})
        self.elapsed = time.monotonic() - started
        self.assertEqual(0, status, err)
        self.assertNotIn(b"wine: Unhandled", err)
        return out.decode("latin-1").replace("\r\n", "\n")

    def updates(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [line for line in f if line.startswith("TA_UpdateISP")]

    def test_binfile_missing(self):
        shutil.rmtree(os.path.join(self.kit.path, "Binfile"))
        out = self.run_updater()
        self.assertIn("!!!Error searching directory\n" + NO_IMAGE, out)
        self.assertEqual([], self.updates())

    def test_image_removed_between_selection_and_programming(self):
        self.describe(hubs=1, library="[Library]\n")
        with open(os.path.join(self.kit.path, "TZ415Sim.ini"), "a") as f:
            f.write("RemoveImageBeforeWrite=1\n")
        out = self.run_updater()
        self.assertIn("FileName:.\\Binfile\\FW.BIN\n"
                      " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a", out)
        self.assertNotIn("SUCCESS", out)
        self.assertEqual(1, len(self.updates()))
        self.assertIn("refused=", self.updates()[0])
        self.assertFalse(os.path.exists(os.path.join(self.kit.path, "TZ415Sim.Hub1.flash")))

    def test_library_reporting_20_hubs_is_held_to_the_table(self):
        self.describe(hubs=16, library="[Library]\nReportedCount=20\n")
        out = self.run_updater()
        self.assertIn("(16)Depth = 16,", out)
        self.assertNotIn("(17)", out)
        programmed = sorted(int(line.split("index=")[1].split()[0]) for line in self.updates())
        self.assertEqual(list(range(16)), programmed)

    def test_settings_of_10000_hub_id_lines(self):
        lines = "".join("%08X=0D12\n" % (0x10000000 + i) for i in range(9999))
        self.kit.write("SpiFlash.ini", "[TargetID_U3]\n" + lines + "1A2B0D12=0D12\n")
        out = self.run_updater()
        self.assertIn("Warning!!! Only the first 100 hub IDs are used\n\t\t", out)
        # The hub's own line lies past the first 100: it is not supported.
        self.assertIn("This Firmware update tool is not support this HUB_Vid[1A2B]_Pid[D12]\n", out)
        self.assertEqual([], self.updates())

    def test_settings_of_random_bytes(self):
        noise = random.Random(415)
        for round in range(3):
            with self.subTest(round=round):
                self.kit.write("SpiFlash.ini", bytes(noise.randrange(256) for _ in range(20000)))
                out = self.run_updater()
                self.assertIn("\t1.2 LoadSettingFromIni()\n", out)
                self.assertEqual([], self.updates())

    def test_settings_of_5_megabytes(self):
        filler = ("; " + "x" * 97 + "\n") * 52000
        self.kit.write("SpiFlash.ini", SETTINGS + filler)
        out = self.run_updater()
        self.assertIn("Updata FW => SUCCESS", out)
        self.assertLess(self.elapsed, 60)

    def test_images_of_0_bytes_are_passed_over(self):
        for name in ("A.BIN", "B.BIN", "C.BIN"):
            self.kit.write("Binfile/" + name, b"")
        out = self.run_updater()
        self.assertIn("FileName:.\\Binfile\\FW.BIN\n", out)
        self.assertIn("Updata FW => SUCCESS", out)

    def test_image_with_the_longest_name_the_file_system_allows(self):
        # 259 characters cannot be had here: Linux file systems stop at 255.
        # Even so the whole path passes the 260 characters of the platform's
        # ANSI calls, so the image is found but cannot be opened: a message,
        # the hub's warning, and nothing programmed.
        name = "L" * 251
        binfile = os.path.join(self.kit.path, "Binfile")
        os.rename(os.path.join(binfile, "FW.BIN"), os.path.join(binfile, name + ".BIN"))
        out = self.run_updater()
        self.assertIn("!!!Error opening file faile:  " + name + ".BIN" + NO_IMAGE, out)
        self.assertEqual([], self.updates())

    def test_a_sparse_1_gigabyte_image_is_not_read_whole(self):
        big = os.path.join(self.kit.path, "Binfile", "AAA_HUGE.BIN")
        with open(big, "wb") as f:
            f.write(bytes([0x0D, 0x12, 0x00, 0x00]))
            f.truncate(1 << 30)
        out = self.run_updater()
        self.assertIn("bin file is illgal", out)  # the size rule, from its length alone
        self.assertIn("FileName:.\\Binfile\\FW.BIN\n", out)
        self.assertIn("Updata FW => SUCCESS", out)
        self.assertLess(self.elapsed, 30)
        self.assertNotIn("HUGE", "".join(self.updates()))


if __name__ == "__main__":
    unittest.main()

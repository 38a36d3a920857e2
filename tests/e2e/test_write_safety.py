"""A flash write is not cut short by a stray Ctrl+C: the updater ignores the
console's break keys while the library programs a hub, and only then. (The
launcher's side, a key pressed on its terminal, is in test_launcher.py.)

Console control events need a real console, so these runs go through a
pseudo-terminal. Wine delivers Ctrl+C to every program of the console; it
does not deliver Ctrl+Break to a process group, so only Ctrl+C can be sent
here (one handler covers both keys).
"""
import os
import unittest

import harness

SETTINGS = """[TargetID_U3]
1A2B0D12=0D12
[HUBName]
WantuUpdateHUBName=Bench Hub
"""

DESCRIPTION = """[Hub1]
VendorId=1A2B
ProductId=0D12
FirmwareVersion=0001
ChipRevision=10
ChipOptions=00
UpdateMilliseconds=6000
"""

IMAGE = """ImageId=0D12
Flags=00
Version=0100
"""

# When to press Ctrl+C: once a file holds a text, and a delay later. The
# library notes the start of a write in the starts file (TZ415SIM_STARTS)
# from inside the call, so after the updater has taken its guard; its screen
# shows the write announced before the guard is taken, and a busy machine can
# keep it there for seconds. Handing over the hub-ID table (the call log) is
# followed by the driver check, the banner and the 3 s settle wait.
DURING_WRITE = ("starts.log", "hub=Hub1", 0)
BEFORE_THE_WRITE = ("calls.log", "TA_SetIniInfo", 1000)


def setUpModule():
    harness.register_driver()


def log_lines(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return f.read().splitlines()


class UpdaterUnderCtrlC(harness.WineTestCase):
    def setUp(self):
        harness.register_driver()
        self.folder = self.folder()
        self.folder.write("SpiFlash.ini", SETTINGS)
        self.folder.write("TZ415Sim.ini", DESCRIPTION)
        harness.make_image(os.path.join(self.folder.path, "Binfile"), "FW", IMAGE)
        self.log = os.path.join(self.folder.path, "calls.log")
        self.starts = os.path.join(self.folder.path, "starts.log")

    def run_with_ctrl_c(self, when):
        watched, trigger, delay_ms = when
        report = os.path.join(self.folder.path, "send_ctrl.txt")
        status, text = harness.run_on_console(
            harness.SEND_CTRL, [report, os.path.join(self.folder.path, watched), trigger,
                                str(delay_ms), "c", harness.UPDATER_NAME, "QRZ"],
            cwd=self.folder.path, env={"TZ415SIM_LOG": self.log, "TZ415SIM_STARTS": self.starts})
        with open(report) as f:
            self.report = f.read()
        self.assertIn("sent=1", self.report, "the control event was not sent:\n" + text)
        return text

    def test_ctrl_c_during_the_write_lets_it_finish(self):
        text = self.run_with_ctrl_c(DURING_WRITE)
        self.assertIn("Updata FW => SUCCESS", text)
        self.assertIn("Firmware Update Complete.", text)
        self.assertIn("exit=0", self.report)
        updates = [l for l in log_lines(self.log) if l.startswith("TA_UpdateISP")]
        self.assertEqual(1, len(updates))
        self.assertIn("result=0", updates[0])
        with open(os.path.join(self.folder.path, "TZ415Sim.ini")) as f:
            self.assertIn("FirmwareVersion=0100", f.read())

    def test_ctrl_c_outside_the_write_still_ends_the_updater(self):
        # Shows that the event does reach the updater: only the write is guarded.
        text = self.run_with_ctrl_c(BEFORE_THE_WRITE)
        self.assertNotIn("Updata FW", text)
        self.assertFalse([l for l in log_lines(self.log) if l.startswith("TA_UpdateISP")])
        self.assertEqual([], log_lines(self.starts))


if __name__ == "__main__":
    unittest.main()

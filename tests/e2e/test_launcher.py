"""The whole system from the launcher, under Wine, on copies of the demo kit:
the filter driver installed and removed around the updater, the console
transcript of a first and a second run, a hub that fails, missing programs,
and Ctrl+C during a run.

The 32-bit build's launcher is the deliverable; under Wine, as on 64-bit
Windows, it takes the x64 path. The 64-bit build's launcher takes it
knowing it runs on 64-bit Windows, for machines that cannot run 32-bit
programs at all; the 32-bit path is the launcher's host tests'.
"""
import fcntl
import os
import pty
import re
import select
import subprocess
import termios
import time
import unittest

from harness import (WINE, WineTestCase, crlf, register_driver, set_upper_filters,
                     upper_filters, wine_env)
from transcript import COMPLETE, UPGRADE_FAILED, announced, device_list, programmed

BANNER = [
    "  ______ _____ _____  __  ____          __     _____  ______ ",
    " |  ____|_   _|  __ \\|  \\/  \\ \\        / /\\   |  __ \\|  ____|",
    " | |__    | | | |__) | \\  / |\\ \\  /\\  / /  \\  | |__) | |__   ",
    " |  __|   | | |  _  /| |\\/| | \\ \\/  \\/ / /\\ \\ |  _  /|  __|  ",
    " | |     _| |_| | \\ \\| |  | |  \\  /\\  / ____ \\| | \\ \\| |____ ",
    " |_|   _|_____|_|__\\_\\_|  |_|___\\/_ \\/_/__ _\\_\\_|  \\_\\______|",
    " | |  | |  __ \\|  __ \\   /\\|__   __|  ____|  __ \\ ",
    " | |  | | |__) | |  | | /  \\  | |  | |__  | |__) |",
    " | |  | |  ___/| |  | |/ /\\ \\ | |  |  __| |  _  / ",
    " | |__| | |    | |__| / ____ \\| |  | |____| | \\ \\ ",
    "  \\____/|_|    |_____/_/    \\_\\_|  |______|_|  \\_\\     v2.9  ",
    "=" * 78,
]

# Up to the device list: the same in every run of the demo kit with the
# driver installed. The library's version follows the heading's tab.
FIRST_PHASE = (
    "1. Initialzation()\r\n"
    "\t1.1 GetDllInfo()\tAPI Version: 20190823\n"
    "\t1.2 LoadSettingFromIni()\n\t\t"
    "[TargetID_U3] Found  \n\t\t"
    "[TargetID_U2] Found  \n\t\t"
    "3A170415=0D12 3  3A170600=0D12 3  3A170610=0D12 2  \n\t\t"
    "[Misc] Found  \n\t\t"
    "StringCompare:1  \n\t\t"
    "HUBNumber:3\n"
    "NO.1HUBWantUpdateBinFile: HUB415.BIN\n"
    "NO.2HUBDepth: 1\n"
    "NO.2HUBConnectionPortIndex: 2\n"
    "NO.2HUBWantUpdateBinFile: DOCK.BIN\n"
    "NO.3HUBDepth: 2\n"
    "NO.3HUBConnectionPortIndex: 4\n"
    "NO.3HUBWantUpdateBinFile: PORT.BIN\n"
    "[HUBName] Found  \n\t\t"
    "TargetHUBName:Quillet USB3.0 Dock  \n\t\t"
    "[HUBFWCheck] Found  \n\t\t"
    "FWCompare:1  \n\t\t"
    "FWVersion:313  \n\t\t"
    "\t1.3 IsDriverInstallNeeded()\t Success\n"
    + "".join(line + "\n" for line in BANNER) +
    "Initializing Firmware Updater...\n"
    "Initialization()  Success\n\n")

PAUSE = "Press any key to continue... "


def same_level(n, leading_line_feed):
    return ("\n" if leading_line_feed else "") + (
        "Device(%d) firmware version is at the same level as this updater.\n"
        " Update is unnecessary.\n\n" % n)


def tearDownModule():
    register_driver()


class LauncherTestCase(WineTestCase):
    def setUp(self):
        # The driver is not registered before the launcher runs, and another
        # filter must survive the removal.
        set_upper_filters(["otherfilter"])

    def assert_driver_removed(self):
        self.assertEqual(["otherfilter"], upper_filters())


class DemoRuns(LauncherTestCase):
    def test_first_run_programs_every_hub_and_the_second_finds_them_current(self):
        kit = self.kit()
        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        self.assertEqual(crlf(FIRST_PHASE + device_list("V1.29", "9012", "0A20") +
                              "DoUpdateFW()\n" +
                              programmed(3, "PORT.BIN") + programmed(2, "DOCK.BIN") +
                              programmed(1, "HUB415.BIN") + COMPLETE + PAUSE), out)
        self.assertEqual(["9013", "9014", "0A21"], kit.firmware_versions())
        self.assert_driver_removed()

        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        self.assertEqual(crlf(FIRST_PHASE + device_list("V1.39", "9014", "0A21") +
                              "DoUpdateFW()\n" +
                              same_level(3, True) + same_level(2, True) +
                              same_level(1, False) + PAUSE), out)
        self.assertEqual(["9013", "9014", "0A21"], kit.firmware_versions())
        self.assert_driver_removed()

    def test_a_hub_the_library_fails_gets_the_warning_and_no_completion(self):
        kit = self.kit()
        kit.set_hub_key("Hub2", "UpdateResult", "7")
        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        self.assertEqual(crlf(FIRST_PHASE + device_list("V1.29", "9012", "0A20") +
                              "DoUpdateFW()\n" +
                              programmed(3, "PORT.BIN") +
                              announced(2, "DOCK.BIN") + UPGRADE_FAILED +
                              programmed(1, "HUB415.BIN") + PAUSE), out)
        self.assertEqual(["9013", "9012", "0A21"], kit.firmware_versions())
        self.assert_driver_removed()


class MissingPrograms(LauncherTestCase):
    def test_a_missing_updater_is_reported_and_the_driver_still_goes(self):
        kit = self.kit()
        os.remove(kit.hubs("Quillet64.exe"))
        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        self.assertEqual(crlf("Update FW fail!\nUpdateFW failed! (1)\n" + PAUSE), out)
        self.assert_driver_removed()

    def test_an_updater_the_platform_cannot_load_reports_its_status_signed(self):
        # Without TZ415API.dll the loader ends the updater with
        # STATUS_DLL_NOT_FOUND, 0xC0000135.
        kit = self.kit()
        os.remove(kit.hubs("TZ415API.dll"))
        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        self.assertEqual(crlf("UpdateFW failed! (-1073741515)\n" + PAUSE), out)
        self.assert_driver_removed()

    def test_a_missing_installer_is_reported_before_and_after_the_update(self):
        kit = self.kit()
        os.remove(os.path.join(kit.path, "Driver", "TZ415FilterInst.exe"))
        status, out, _ = kit.launch()
        self.assertEqual(0, status)
        text = out.decode("latin-1")
        self.assertTrue(text.startswith("Filter Driver Fail!\r\n1. Initialzation()\r\r\n"), text)
        self.assertIn("\t1.3 IsDriverInstallNeeded()!!!Error Filter Driver not found!!\r\n",
                      text)
        self.assertTrue(text.endswith("Filter Driver Fail!\r\n" + PAUSE), text)
        self.assertEqual(["otherfilter"], upper_filters())


# ---- Ctrl+C ----------------------------------------------------------------
#
# Wine turns SIGINT from the controlling terminal into CTRL_C_EVENT for every
# process on the console, as Windows does for a Ctrl+C typed into it. The
# launcher therefore runs on a pseudo-terminal here, and the key is typed
# into it. (Wine 8 cannot generate CTRL_BREAK_EVENT at all, so Ctrl+Break is
# tested only natively.)

ESCAPES = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07")


def squeezed(data):
    """Terminal output without escape sequences and without white space: the
    console repaints lines with cursor moves in place of blanks."""
    return re.sub(rb"\s+", b"", ESCAPES.sub(b"", data))


def on_screen(text):
    """When `text` has appeared on the terminal."""
    marker = squeezed(text.encode("latin-1"))
    return lambda out: marker in squeezed(out)


def in_file(path, text):
    """When the file at `path` holds `text`."""
    def holds(_):
        if not os.path.exists(path):
            return False
        with open(path, encoding="latin-1") as f:
            return text in f.read()
    return holds


def run_on_terminal(argv, cwd, when, delay, env=None, timeout=120):
    """Runs argv on a new pseudo-terminal as its controlling terminal; types
    Ctrl+C `delay` seconds after `when(output so far)` first holds, and a key
    at the pause. Returns (status, raw output, output before the Ctrl+C)."""
    master, slave = pty.openpty()

    def controlling_terminal():
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    child = subprocess.Popen(argv, cwd=cwd, env=wine_env(env), stdin=slave, stdout=slave,
                             stderr=slave, close_fds=True, preexec_fn=controlling_terminal)
    os.close(slave)
    out = b""
    seen_at = pressed_at = None
    before = b""
    paused = False
    deadline = time.time() + timeout
    try:
        while time.time() < deadline:
            ready, _, _ = select.select([master], [], [], 0.05)
            if ready:
                try:
                    data = os.read(master, 65536)
                except OSError:  # every end of the terminal is closed
                    break
                if not data:
                    break
                out += data
            elif child.poll() is not None:
                break
            now = time.time()
            if seen_at is None and when(out):
                seen_at = now
            if seen_at is not None and pressed_at is None and now - seen_at >= delay:
                before = out
                os.write(master, b"\x03")
                pressed_at = now
            if not paused and squeezed(PAUSE.encode()) in squeezed(out):
                os.write(master, b"x")
                paused = True
        child.wait(timeout=max(1, deadline - time.time()))
    finally:
        if child.poll() is None:
            child.kill()
        os.close(master)
    return child.returncode, out, before if pressed_at is not None else None


class CtrlC(LauncherTestCase):
    def test_ctrl_c_during_a_flash_write_neither_stops_the_write_nor_the_launcher(self):
        kit = self.kit()
        kit.set_hub_key("Hub3", "UpdateMilliseconds", "6000")
        # Typed once the library has begun the write, so inside the
        # updater's guard: the screen announces the write before the guard.
        starts = os.path.join(kit.path, "starts.log")
        _, out, before = run_on_terminal([WINE, "Quillet.exe"], kit.path,
                                         in_file(starts, "hub=Hub3"), 0,
                                         env={"TZ415SIM_STARTS": starts})
        self.assertIsNotNone(before, squeezed(out))
        self.assertNotIn(b"Device(3):", squeezed(before))
        after = squeezed(out[len(before):])
        for text in ("Device(3):\tUpdata FW => SUCCESS", "Device(1):\tUpdata FW => SUCCESS",
                     "Firmware Update Complete.", PAUSE):
            self.assertIn(squeezed(text.encode()), after)
        self.assertEqual(["9013", "9014", "0A21"], kit.firmware_versions())
        self.assert_driver_removed()

    def test_ctrl_c_outside_a_write_ends_the_updater_but_the_driver_is_removed(self):
        kit = self.kit()
        # Typed during the updater's three-second wait before enumeration.
        _, out, before = run_on_terminal([WINE, "Quillet.exe"], kit.path,
                                         on_screen("Initialization()  Success"), 1.0)
        self.assertIsNotNone(before, squeezed(out))
        after = squeezed(out[len(before):])
        self.assertNotIn(b"DoUpdateFW()", after)
        # Windows ends a process on Ctrl+C with STATUS_CONTROL_C_EXIT, which
        # the launcher reports; Wine 8 ends it with 0, which it does not. The
        # terminal echoes the Ctrl+C and the key typed at the pause.
        self.assertRegex(after, rb"^(\^C)?(UpdateFWfailed!\(-1073741510\))?"
                                rb"Pressanykeytocontinue\.\.\.x?$")
        self.assertEqual(["9012", "9012", "0A20"], kit.firmware_versions())
        self.assert_driver_removed()


if __name__ == "__main__":
    unittest.main()
